// The main window as the user sees it: caption, place and size, every control's place,
// text and font, the tab order, what a long readout does, and the chart's settings and
// what it actually paints as points come, go past its edge and are cleared. One window
// serves all the tests, in order: the controls first, as the window opens.

#include "link/comled.h"
#include "support/ptyboard.h"
#include "ui/lineseries.h"
#include "ui/signalchart.h"
#include "ui/tform1.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <QValueAxis>

class TstWindow : public QObject
{
    Q_OBJECT

    PtyBoard m_board; // outlives the window that holds its device open
    TForm1 m_form{SerialSettings{m_board.devicePath()}};
    const QMap<QString, QWidget *> m_controls = {
        {"Label6", m_form.Label6},       {"ComLed1", m_form.ComLed1}, {"Button1", m_form.Button1},
        {"ComboBox1", m_form.ComboBox1}, {"Label1", m_form.Label1},   {"Chart1", m_form.Chart1},
        {"Button4", m_form.Button4},     {"BitBtn1", m_form.BitBtn1}};

    QImage plotArea() const
    {
        SignalChart *chart = m_form.Chart1;
        const QRect area = chart->mapFromScene(chart->chart()->plotArea()).boundingRect();
        return chart->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    }
    int bluePixels() const // only the line is blue: the gradient is white to pink, the grid grey
    {
        const QImage image = plotArea();
        const auto *pixels = reinterpret_cast<const QRgb *>(image.constBits());
        return int(std::count_if(pixels, pixels + image.width() * image.height(),
                                 [](QRgb c) { return qBlue(c) > 160 && qRed(c) < 90; }));
    }

public:
    TstWindow() { m_form.show(); }

private slots:
    void initTestCase() { QVERIFY(QTest::qWaitForWindowExposed(&m_form)); }

    void controls_data()
    {
        QTest::addColumn<QRect>("geometry");
        // Its text (a selector's prompt) in the font asked for; Liberation Sans stands in.
        QTest::addColumn<QString>("look");
        const QString sans = QStringLiteral(" in MS Sans Serif 11px");
        QTest::newRow("Label6") << QRect(24, 32, 76, 13) << "ComPort On/Off" + sans;
        QTest::newRow("ComLed1") << QRect(104, 24, 25, 25) << sans;
        QTest::newRow("Button1") << QRect(144, 24, 113, 25) << "Configurar Serial" + sans;
        QTest::newRow("ComboBox1") << QRect(304, 24, 145, 21) << "Selecione o canal:" + sans;
        QTest::newRow("Label1") << QRect(504, 24, 33, 29) << QString("0.0 in Arial 24px bold");
        QTest::newRow("Chart1") << QRect(64, 112, 609, 250) << sans;
        QTest::newRow("Button4") << QRect(320, 392, 89, 25) << "Limpar Gráfico" + sans;
        const QDialogButtonBox box(QDialogButtonBox::Close); // Qt's own close caption
        QTest::newRow("BitBtn1") << QRect(760, 416, 75, 25) << box.buttons()[0]->text() + sans;
    }

    void controls()
    {
        QFETCH(QRect, geometry);
        QFETCH(QString, look);
        QWidget *w = m_controls.value(QTest::currentDataTag());
        // The selector is an editable field that shows its prompt while nothing is chosen.
        auto *combo = qobject_cast<QComboBox *>(w);
        QVERIFY(w->isVisible() && (!combo || combo->currentText().isEmpty()));
        const auto text =
            combo ? combo->lineEdit()->placeholderText() : w->property("text").toString();
        const QFontInfo drawn(w->font());
        QCOMPARE(text + " in " + w->font().family() + QString(" %1px").arg(drawn.pixelSize())
                     + (drawn.bold() ? " bold" : ""),
                 look);
        // A label sits at its position, sized to its text in whatever font stands in.
        geometry.setSize(qobject_cast<QLabel *>(w) ? w->sizeHint() : geometry.size());
        QCOMPARE(w->geometry(), geometry);
    }

    void windowAndChart()
    {
        QCOMPARE(m_form.windowTitle(), "Visualização dos dados capturados pelo sensor");
        // Whatever frame the platform draws (offscreen a thin one, bare Xvfb none), its
        // outer rectangle is the designed one. A window manager may still place the
        // window elsewhere or shrink it to fit the screen; here none does.
        QTRY_COMPARE_WITH_TIMEOUT(m_form.frameGeometry(), QRect(289, 118, 875, 500), 5000);
        // Tab goes round Button1, BitBtn1, ComboBox1, Chart1, Button4.
        m_form.Button1->setFocus(Qt::TabFocusReason);
        QStringList order;
        while (order.size() < 5)
            order << (QTest::keyClick(m_form.focusWidget(), Qt::Key_Tab),
                      m_controls.key(m_form.focusWidget()));
        QCOMPARE(order, QStringList({"BitBtn1", "ComboBox1", "Chart1", "Button4", "Button1"}));

        QValueAxis *x = m_form.Chart1->BottomAxis(), *y = m_form.Chart1->LeftAxis();
        QCOMPARE(QStringList({m_form.Chart1->chart()->title(), x->titleText(), y->titleText()}),
                 QStringList({"Sinal do Sensor", "Tempo (x10ms)", "Amplitude em V"}));
        QCOMPARE(QLineF(x->min(), y->min(), x->max(), y->max()), QLineF(0, 0, 100, 5.5));
        QVERIFY(!m_form.Chart1->chart()->legend()->isVisible() && bluePixels() == 0);

        // Real frames from the board, near half scale, draw the line; the readout shows
        // the latest and widens to the right.
        m_board.send(QByteArray("\x2c\x01", 2).repeated(8));
        QTRY_VERIFY_WITH_TIMEOUT(bluePixels() > 20, 5000);
        m_form.ComboBox1->setCurrentIndex(0);
        m_form.Timer1Timer(m_form.Timer1);
        QCOMPARE(m_form.Label1->geometry(), QRect(QPoint(504, 24), m_form.Label1->sizeHint()));
        QVERIFY(m_form.Label1->width() > 2 * 33); // "0.0" was about 33 wide
        m_form.Button4->click();
        QTRY_COMPARE_WITH_TIMEOUT(bluePixels(), 0, 5000);

        // Points past the right edge, with the first ones or later, leave the picture as
        // it was: the series keeps them all, the chart's line only those it can show.
        for (int t = 0; t <= 150; ++t)
            m_form.Series1->AppendPoint(t, 0.5 + 0.5 * (t % 9));
        QTRY_VERIFY_WITH_TIMEOUT(bluePixels() > 200, 5000);
        const QImage full = plotArea();
        for (int t = 151; t < 1000; ++t)
            m_form.Series1->AppendPoint(t, 0.5 + 0.5 * (t % 6));
        m_form.Series1->flush();
        QCOMPARE(m_form.Series1->line()->count(), 101);
        QCOMPARE(plotArea(), full);
    }
};

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
