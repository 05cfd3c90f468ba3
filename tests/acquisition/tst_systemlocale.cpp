#include "acquisition/generalformat.h"

#include <QTest>

// The readout formats with QLocale::system(), which must follow the user's environment.
// CTest runs this with comma-locale settings in LC_ALL, LC_NUMERIC or LANG: a decimal
// comma, and no point grouping the thousands as these locales do.
class TestSystemLocale : public QObject
{
    Q_OBJECT
private slots:
    void readout() { QCOMPARE(formatGeneral(1234.5, QLocale::system()), "1234,5"); }
};

QTEST_APPLESS_MAIN(TestSystemLocale)
#include "tst_systemlocale.moc"
