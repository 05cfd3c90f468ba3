#include "generalformat.h"

#include <QTest>

#include <limits>

// The readout's number text, in a point locale and in comma locales.
class TestGeneralFormat : public QObject
{
    Q_OBJECT
private slots:
    void format_data();
    void format();
    void everyReadingIsItsExactDecimal();
};

void TestGeneralFormat::format_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text"); // with a point; comma locales swap it
    QTest::newRow("half scale") << 2.5 << "2.5";
    QTest::newRow("zero is one digit") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("reading 1") << 0.0048828125 << "0.0048828125";
    QTest::newRow("reading 1023") << 4.9951171875 << "4.9951171875";
    QTest::newRow("whole number") << 5.0 << "5";
    QTest::newRow("smallest plain decimal") << 0.00001 << "0.00001";
    QTest::newRow("below it, exponent") << 0.000001 << "1E-6";
    QTest::newRow("exponent with fraction") << -1.5e-7 << "-1.5E-7";
    QTest::newRow("no group separator") << 1234.5 << "1234.5";
    QTest::newRow("15 significant digits") << 1.0 / 3.0 << "0.333333333333333";
    QTest::newRow("binary noise rounded away") << 0.1 + 0.2 << "0.3";
    QTest::newRow("15 integer digits") << 999999999999999.0 << "999999999999999";
    QTest::newRow("16 integer digits") << 1e15 << "1E15";
    QTest::newRow("rounds up into the exponent") << 999999999999999.9 << "1E15";
    QTest::newRow("negative") << -2.5 << "-2.5";
    QTest::newRow("negative small") << -0.0048828125 << "-0.0048828125";
}

void TestGeneralFormat::format()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(formatGeneral(value, QLocale::c()), text);
    QCOMPARE(formatGeneral(value, QLocale(QLocale::English, QLocale::UnitedStates)), text);
    QString comma = text;
    comma.replace(QLatin1Char('.'), QLatin1Char(','));
    QCOMPARE(formatGeneral(value, QLocale(QLocale::Portuguese, QLocale::Brazil)), comma);
    QCOMPARE(formatGeneral(value, QLocale(QLocale::German, QLocale::Germany)), comma);
}

void TestGeneralFormat::everyReadingIsItsExactDecimal()
{
    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    for (int raw = 0; raw <= 1023; ++raw) {
        const double volts = raw * 5 / 1024.0;
        // Multiples of 5/1024 have at most ten decimals, so this is exact.
        QString exact = QString::number(volts, 'f', 10);
        while (exact.endsWith(QLatin1Char('0')))
            exact.chop(1);
        if (exact.endsWith(QLatin1Char('.')))
            exact.chop(1);
        QCOMPARE(formatGeneral(volts, QLocale::c()), exact);
        QCOMPARE(formatGeneral(volts, brazil), QString(exact).replace('.', ','));
    }
}

QTEST_APPLESS_MAIN(TestGeneralFormat)
#include "tst_generalformat.moc"
