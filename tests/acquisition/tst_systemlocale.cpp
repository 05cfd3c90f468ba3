#include "generalformat.h"

#include <QTest>

// The readout formats with QLocale::system(), which must follow the user's environment.
// CTest runs this with comma-locale settings in LC_ALL, LC_NUMERIC or LANG.
class TestSystemLocale : public QObject
{
    Q_OBJECT
private slots:
    void readoutUsesTheUsersSeparator()
    {
        // A decimal comma, and no point grouping the thousands as these locales do.
        QCOMPARE(formatGeneral(1234.5, QLocale::system()), QStringLiteral("1234,5"));
    }
};

QTEST_APPLESS_MAIN(TestSystemLocale)
#include "tst_systemlocale.moc"
