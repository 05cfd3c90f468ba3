// The main window as the user sees it: caption, place and size, every control's place,
// text and font, the tab order, what a resize or a long readout does, and the chart's
// settings and what it actually paints as points come, go past its edge and are cleared.

#include "comled.h"
#include "lineseries.h"
#include "ptyboard.h"
#include "signalchart.h"
#include "signalstate.h"
#include "tform1.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <QValueAxis>

class TstWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyBoard> m_board; // outlives the window that holds its device open
    std::unique_ptr<TForm1> m_form;
    QMap<QString, QWidget *> m_controls;

    QImage plotArea() const
    {
        SignalChart *chart = m_form->Chart1;
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

private slots:
    void init()
    {
        m_form.reset();
        m_board = std::make_unique<PtyBoard>();
        QVERIFY(m_board->isValid());
        m_form = std::make_unique<TForm1>(SerialSettings{m_board->devicePath()});
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_controls = {{"Label6", m_form->Label6},   {"ComLed1", m_form->ComLed1},
                      {"Button1", m_form->Button1}, {"ComboBox1", m_form->ComboBox1},
                      {"Label1", m_form->Label1},   {"Chart1", m_form->Chart1},
                      {"Button4", m_form->Button4}, {"BitBtn1", m_form->BitBtn1}};
    }

    void window()
    {
        QCOMPARE(m_form->windowTitle(), "Visualização dos dados capturados pelo sensor");
        // Whatever frame the platform draws (offscreen a thin one, bare Xvfb none), its
        // outer rectangle is the designed one. A window manager may still place the
        // window elsewhere or shrink it to fit the screen; here none does.
        QTRY_COMPARE_WITH_TIMEOUT(m_form->frameGeometry(), QRect(289, 118, 875, 500), 5000);
        // Tab goes round Button1, BitBtn1, ComboBox1, Chart1, Button4.
        m_form->Button1->setFocus(Qt::TabFocusReason);
        QStringList order;
        for (int step = 0; step < 5; ++step) {
            QTest::keyClick(m_form->focusWidget(), Qt::Key_Tab);
            order << m_controls.key(m_form->focusWidget());
        }
        QCOMPARE(order, QStringList({"BitBtn1", "ComboBox1", "Chart1", "Button4", "Button1"}));
        // Resizing leaves every control where it is.
        const QRegion controls = m_form->childrenRegion();
        for (const QSize size : {QSize(1200, 800), QSize(400, 300)}) {
            m_form->resize(size);
            QTRY_COMPARE_WITH_TIMEOUT(m_form->size(), size, 5000);
            QCOMPARE(m_form->childrenRegion(), controls);
        }
    }

    void controls_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("font"); // as asked for; Liberation Sans stands in here
        const QString sans = QStringLiteral("MS Sans Serif 11px");
        QTest::newRow("Label6") << QRect(24, 32, 76, 13) << "ComPort On/Off" << sans;
        QTest::newRow("ComLed1") << QRect(104, 24, 25, 25) << "" << sans;
        QTest::newRow("Button1") << QRect(144, 24, 113, 25) << "Configurar Serial" << sans;
        QTest::newRow("ComboBox1") << QRect(304, 24, 145, 21) << "Selecione o canal:" << sans;
        QTest::newRow("Label1") << QRect(504, 24, 33, 29) << "0.0" << QString("Arial 24px bold");
        QTest::newRow("Chart1") << QRect(64, 112, 609, 250) << "" << sans;
        QTest::newRow("Button4") << QRect(320, 392, 89, 25) << "Limpar Gráfico" << sans;
        QTest::newRow("BitBtn1")
            << QRect(760, 416, 75, 25) // Qt's own close caption
            << QDialogButtonBox(QDialogButtonBox::Close).button(QDialogButtonBox::Close)->text()
            << sans;
    }

    void controls()
    {
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(QString, font);
        QWidget *widget = m_controls.value(QTest::currentDataTag());
        QVERIFY(widget->isVisible());
        // The selector is an editable field that shows its prompt while nothing is chosen.
        auto *combo = qobject_cast<QComboBox *>(widget);
        QVERIFY(!combo || combo->currentText().isEmpty());
        QCOMPARE(combo ? combo->lineEdit()->placeholderText() : widget->property("text").toString(),
                 text);
        const QFontInfo drawn(widget->font());
        const QString bold = drawn.bold() ? " bold" : "";
        QCOMPARE(widget->font().family() + QString(" %1px").arg(drawn.pixelSize()) + bold, font);
        // A label sits at its position, sized to its text in whatever font stands in.
        if (qobject_cast<QLabel *>(widget))
            geometry.setSize(widget->sizeHint());
        QCOMPARE(widget->geometry(), geometry);
    }

    void chart()
    {
        SignalChart *chart = m_form->Chart1;
        QCOMPARE(chart->chart()->title(), QStringLiteral("Sinal do Sensor"));
        QVERIFY(!chart->chart()->legend()->isVisible());
        QCOMPARE(chart->BottomAxis()->titleText(), QStringLiteral("Tempo (x10ms)"));
        QCOMPARE(chart->LeftAxis()->titleText(), QStringLiteral("Amplitude em V"));
        QCOMPARE(QPointF(chart->BottomAxis()->min(), chart->BottomAxis()->max()), QPointF(0, 100));
        QCOMPARE(QPointF(chart->LeftAxis()->min(), chart->LeftAxis()->max()), QPointF(0, 5.5));
        QCOMPARE(m_form->Series1->line()->attachedAxes(),
                 QList<QAbstractAxis *>({chart->BottomAxis(), chart->LeftAxis()}));
        QCOMPARE(m_form->Series1->line()->pen(), QPen(Qt::blue, 2));
        QCOMPARE(bluePixels(), 0);

        // Real frames from the board, near half scale, draw the line; the readout shows
        // the latest and widens to the right.
        for (int n = 0; n < 8; ++n) {
            m_board->send(QByteArray(1, char(300 + 40 * n)) + char((300 + 40 * n) >> 8));
            QTRY_COMPARE_WITH_TIMEOUT(m_form->Series1->Count(), n + 1, 5000);
        }
        QTRY_VERIFY_WITH_TIMEOUT(bluePixels() > 20, 5000);
        const int narrow = m_form->Label1->width();
        m_form->ComboBox1->setCurrentIndex(0);
        m_form->Timer1Timer(m_form->Timer1);
        QCOMPARE(m_form->Label1->geometry(), QRect(QPoint(504, 24), m_form->Label1->sizeHint()));
        QVERIFY(m_form->Label1->width() > narrow);
        m_form->Button4->click();
        QTRY_COMPARE_WITH_TIMEOUT(bluePixels(), 0, 5000);

        // Points past the right edge, with the first ones or later, leave the picture as
        // it was: the series keeps them all, the chart's line only those it can show.
        for (int x = 0; x <= 150; ++x)
            m_form->Series1->AppendPoint(x, 0.5 + 0.5 * (x % 9));
        QTRY_VERIFY_WITH_TIMEOUT(bluePixels() > 200, 5000);
        const QImage full = plotArea();
        for (int x = 151; x < 1000; ++x)
            m_form->Series1->AppendPoint(x, 0.5 + 0.5 * (x % 6));
        m_form->Series1->flush();
        QCOMPARE(m_form->Series1->Count(), 1000);
        QCOMPARE(m_form->Series1->line()->count(), 101);
        QCOMPARE(plotArea(), full);
    }
};

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
