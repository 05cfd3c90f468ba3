// The main window as the user sees it: each control's place and font, the channel field's
// prompt, the chart's texts, and numbers under locales with digits of their own, which keep
// ASCII digits and take only the decimal separator from the user's locale. One window
// serves the tests of the window. (Its caption, place and size, the controls' names, the
// tab order, and the line drawn and cleared are the real program's, in the end-to-end
// tests.)

#include "acquisition/samplestore.h"
#include "link/comled.h"
#include "support/pictured.h"
#include "support/ptyboard.h"
#include "ui/lineseries.h"
#include "ui/signalchart.h"
#include "ui/tform1.h"
#include "ui/windowdesign.h"

#include <QGraphicsTextItem>
#include <QtTest>
#include <QtWidgets>

class TstWindow : public QObject
{
    Q_OBJECT

    PtyBoard m_board; // outlives the window that holds its device open
    TForm1 m_form{SerialSettings{m_board.devicePath()}};

public:
    TstWindow() { m_form.show(); }

private slots:
    void initTestCase() { QVERIFY(QTest::qWaitForWindowExposed(&m_form)); }

    // Labels size themselves to their text, in whatever font stands in for the designed
    // one: their size is their size hint. The selector's entries are 13 px high. Every
    // control has the window's font, 11 px high, but the readout, in 24 px bold Arial. (The
    // controls' texts are the names a screen reader reads them by, in the end-to-end test.)
    void controls_data()
    {
        QTest::addColumn<QWidget *>("control");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("font");
        const auto row = [](const char *name, QWidget *control, QRect geometry,
                            QString font = "MS Sans Serif 11") {
            QTest::newRow(name) << control << geometry << font;
        };
        row("Label6", m_form.Label6, {24, 32, 76, 13});
        row("ComLed1", m_form.ComLed1, {104, 24, 25, 25});
        row("Button1", m_form.Button1, {144, 24, 113, 25});
        row("ComboBox1", m_form.ComboBox1, {304, 24, 145, 21});
        row("Label1", m_form.Label1, {504, 24, 33, 29}, "Arial 24 bold");
        row("Chart1", m_form.Chart1, {64, 112, 609, 250});
        row("Button4", m_form.Button4, {320, 392, 89, 25});
        row("BitBtn1", m_form.BitBtn1, {760, 416, 75, 25});
    }
    void controls()
    {
        QFETCH(QWidget *, control);
        QFETCH(QRect, geometry);
        QFETCH(QString, font);
        QCOMPARE(control->isVisible(), true);
        const QFont shown = control->font();
        QCOMPARE(shown.family() + ' ' + QString::number(shown.pixelSize())
                     + (shown.bold() ? " bold" : ""),
                 font);
        if (qobject_cast<QLabel *>(control))
            geometry.setSize(control->sizeHint());
        QCOMPARE(control->geometry(), geometry);
        if (auto *selector = qobject_cast<QComboBox *>(control))
            QCOMPARE(selector->view()->sizeHintForRow(0), 13); // its entries' height
    }

    // The chart's texts: its title, its axes' titles, samples every 10 from 0 to 100 and
    // whole volts from 0 to 5 with one decimal, in ASCII digits whatever the locale, and
    // the user's decimal separator. Under ar_EG, whose digits and separator are its own,
    // both show. (Their fonts, and the volts' axis going on to 5.5 V, are in the chart's
    // picture.)
    void chartTexts()
    {
        QLocale::setDefault(QLocale("ar_EG"));
        SignalChart chart;
        QLocale::setDefault(QLocale::c());
        chart.resize(kChart1Geometry.size());
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        QStringList labels;
        for (QGraphicsItem *item : chart.scene()->items())
            if (auto *text = dynamic_cast<QGraphicsTextItem *>(item))
                labels << text->toPlainText();
        QStringList expected{"Amplitude em V", "Sinal do Sensor", "Tempo (x10ms)"};
        for (int x = 0; x <= kFixedSpanX; x += 10)
            expected << QString::number(x);
        for (int volts = 0; volts <= 5; ++volts)
            expected << QString::number(volts) + "٫0";
        labels.sort();
        expected.sort();
        QCOMPARE(labels, expected);
    }

    // The chart is drawn as pictured beside this file: its gradient from white at the top
    // to pink (255, 0, 128) at the bottom, its title and its axes, and its line, blue, two
    // pixels wide and without markers (here rising from 1 V to 4 V over the first half and
    // falling to 2.5 V over the second); empty and with the keyboard focus, with a frame
    // round it.
    void chartDrawnAsDesigned()
    {
        for (int x = 0; x <= kFixedSpanX; ++x) {
            const double volts = x <= 50 ? 1.0 + 3.0 * x / 50 : 4.0 - 1.5 * (x - 50) / 50;
            m_form.samples().add({x * 1000000000LL, 0, readingForVoltage(volts), 1});
            m_form.Series1->AppendPoint(x, volts);
        }
        QTRY_COMPARE(m_form.Series1->drawnPoints().size(), 101);
        QVERIFY(drawnAsPictured(*m_form.Chart1, QFINDTESTDATA("chart.png")));
        m_form.Button4Click(m_form.Button4);
        QTRY_COMPARE(m_form.Series1->drawnPoints().size(), 0);
        m_form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&m_form));
        m_form.Chart1->setFocus();
        QVERIFY(drawnAsPictured(*m_form.Chart1, QFINDTESTDATA("chart-focused.png")));
        m_form.Chart1->clearFocus();
    }

    // The channel's field shows its prompt while nothing is chosen, and takes a channel's
    // number and nothing else: a "7" typed would show as chosen while nothing is polled.
    void channelFieldTakesOnlyAChannel()
    {
        QLineEdit *field = m_form.ComboBox1->lineEdit();
        QCOMPARE(field->placeholderText(), "Selecione o canal:");
        QTest::keyClicks(field, "7");
        const QString afterSeven = field->text();
        QTest::keyClicks(field, "5");
        const QString afterFive = field->text();
        m_form.ComboBox1->setCurrentIndex(-1);
        QCOMPARE(afterSeven, QString());
        QCOMPARE(afterFive, QString("5"));
    }

    // Made narrower and lower than the chart by the user, the window shows the chart's top
    // left corner, and keeps that size when shown again (restored after a minimise).
    void windowResizedByTheUser()
    {
        const QSize designed = m_form.size();
        m_form.resize(400, 200);
        m_form.hide();
        m_form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_form));
        const QSize shown = m_form.size();
        const QPoint corner = m_form.Chart1->pos();
        m_form.resize(designed);
        QCOMPARE(shown, QSize(400, 200));
        QCOMPARE(corner, QPoint(0, 0));
    }
};

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
