// Locales with digits of their own: the readout and the chart's labels keep ASCII digits
// and take only the decimal separator from the user's locale.

#include "acquisition/generalformat.h"
#include "ui/signalchart.h"

#include <QGraphicsTextItem>
#include <QtTest>

class TstDigits : public QObject
{
    Q_OBJECT
private slots:
    // Under ar_EG, with its own digits and decimal separator: the full-scale readout, and
    // the chart's labels (titles, samples every 10, whole volts with one decimal).
    void asciiDigitsUnderArEG()
    {
        const QLocale locale("ar_EG");
        const QString separator = "٫";
        QCOMPARE(formatGeneral(4.9951171875, locale), "4" + separator + "9951171875");

        QLocale::setDefault(locale);
        SignalChart chart;
        QLocale::setDefault(QLocale::c());
        chart.resize(609, 250);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        QStringList labels;
        for (QGraphicsItem *item : chart.scene()->items())
            if (auto *text = dynamic_cast<QGraphicsTextItem *>(item))
                labels << text->toPlainText();
        QStringList expected{"Amplitude em V", "Sinal do Sensor", "Tempo (x10ms)"};
        for (int x = 0; x <= 100; x += 10)
            expected << QString::number(x);
        for (int volts = 0; volts <= 5; ++volts)
            expected << QString::number(volts) + separator + '0';
        labels.sort();
        expected.sort();
        QCOMPARE(labels, expected);
    }
};

QTEST_MAIN(TstDigits)
#include "tst_digits.moc"
