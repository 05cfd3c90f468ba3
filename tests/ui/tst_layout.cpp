// The main window as the user sees it: caption, place and size, every control's place,
// text and font, the tab order, and what a resize or a long readout does to them.

#include "comled.h"
#include "lineseries.h"
#include "ptyboard.h"
#include "signalchart.h"
#include "signalstate.h"
#include "tform1.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

class TstLayout : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void window();
    void controls_data();
    void controls();
    void tabOrder();
    void resizeKeepsPlaces();
    void longReadoutGrowsRight();

private:
    QWidget *control(const QString &name) const;

    std::unique_ptr<PtyBoard> m_board;
    std::unique_ptr<TForm1> m_form;
};

namespace {

QString shownText(QWidget *widget)
{
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    if (auto *button = qobject_cast<QPushButton *>(widget))
        return button->text();
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return combo->currentText().isEmpty() ? combo->lineEdit()->placeholderText()
                                              : combo->currentText();
    return QString();
}

// Checks a font as asked for and as resolved on this system.
void verifyFont(const QFont &font, const QString &family, int pixelSize, bool bold)
{
    const QFontInfo resolved(font);
    QCOMPARE(font.families().value(0, font.family()), family);
    QCOMPARE(font.styleHint(), QFont::SansSerif);
    QCOMPARE(resolved.pixelSize(), pixelSize);
    QCOMPARE(resolved.bold(), bold);
    QVERIFY(!resolved.fixedPitch());
    // Where Liberation Sans is installed, both fonts resolve to it: it has Arial's
    // metrics, which is what the design's sizes were made with.
    if (QFontDatabase::families().contains(QStringLiteral("Liberation Sans")))
        QCOMPARE(resolved.family(), QStringLiteral("Liberation Sans"));
}

} // namespace

void TstLayout::init()
{
    m_board = std::make_unique<PtyBoard>();
    QVERIFY(m_board->isValid());
    SerialSettings link;
    link.port = m_board->devicePath();
    LastVoltage = 0.0f;
    SampleIndex = 0;
    m_form = std::make_unique<TForm1>(link);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TstLayout::cleanup()
{
    m_form.reset();
    m_board.reset();
}

QWidget *TstLayout::control(const QString &name) const
{
    const QHash<QString, QWidget *> byName = {
        {"Label6", m_form->Label6},   {"ComLed1", m_form->ComLed1},
        {"Button1", m_form->Button1}, {"ComboBox1", m_form->ComboBox1},
        {"Label1", m_form->Label1},   {"Chart1", m_form->Chart1},
        {"Button4", m_form->Button4}, {"BitBtn1", m_form->BitBtn1},
    };
    return byName.value(name);
}

void TstLayout::window()
{
    TForm1 &form = *m_form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Visualização dos dados capturados pelo sensor"));
    verifyFont(form.font(), QStringLiteral("MS Sans Serif"), 11, false);

    // Whatever frame the platform draws (offscreen draws a thin one, bare Xvfb none), the
    // frame's outer rectangle is the designed one and the client area is what the frame
    // leaves of it. A window manager may move a window where it likes; here none does.
    QTRY_COMPARE_WITH_TIMEOUT(form.frameGeometry(), QRect(289, 118, 875, 500), 5000);
    QVERIFY(form.frameGeometry().contains(form.geometry()));

    // A sizeable frame with the usual buttons, on the platform's button-face colour.
    QVERIFY(form.minimumSize() != form.maximumSize());
    QVERIFY(form.windowFlags().testFlag(Qt::WindowMinMaxButtonsHint));
    QVERIFY(form.windowFlags().testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(form.autoFillBackground());
    QCOMPARE(form.palette().color(form.backgroundRole()),
             QApplication::palette().color(QPalette::Window));

    // Start-up with the port present.
    QVERIFY(!form.BitBtn1->icon().isNull()); // the style's close icon
    QVERIFY(form.ComLed1->isOn());
    QVERIFY(form.ComboBox1->isEditable());
    QCOMPARE(form.ComboBox1->currentIndex(), -1);
    QCOMPARE(form.ComboBox1->view()->sizeHintForRow(0), 13);
    QCOMPARE(form.Series1->Count(), 0);
}

void TstLayout::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pixelSize");

    const QString window = QStringLiteral("MS Sans Serif");
    const QDialogButtonBox standard(QDialogButtonBox::Close);
    const QString closeText = standard.button(QDialogButtonBox::Close)->text();
    QTest::newRow("Label6") << "Label6" << QRect(24, 32, 76, 13) << "ComPort On/Off" << window
                            << 11;
    QTest::newRow("ComLed1") << "ComLed1" << QRect(104, 24, 25, 25) << "" << window << 11;
    QTest::newRow("Button1") << "Button1" << QRect(144, 24, 113, 25) << "Configurar Serial"
                             << window << 11;
    QTest::newRow("ComboBox1") << "ComboBox1" << QRect(304, 24, 145, 21)
                               << "Selecione o canal:" << window << 11;
    QTest::newRow("Label1: bold") << "Label1" << QRect(504, 24, 33, 29) << "0.0"
                                  << "Arial" << 24;
    QTest::newRow("Chart1") << "Chart1" << QRect(64, 112, 609, 250) << "" << window << 11;
    QTest::newRow("Button4") << "Button4" << QRect(320, 392, 89, 25) << "Limpar Gráfico" << window
                             << 11;
    QTest::newRow("BitBtn1") << "BitBtn1" << QRect(760, 416, 75, 25) << closeText << window << 11;
}

void TstLayout::controls()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(QString, family);
    QFETCH(int, pixelSize);
    QWidget *widget = control(name);
    QVERIFY(widget->isVisible());
    QCOMPARE(shownText(widget), text);
    verifyFont(widget->font(), family, pixelSize, name == "Label1");
    if (!qobject_cast<QLabel *>(widget)) {
        QCOMPARE(widget->geometry(), geometry);
        return;
    }
    // A label is exactly as big as its text. The designed size was measured in the
    // original fonts; the stand-ins here (Liberation Sans, metric-compatible with Arial,
    // also standing in for MS Sans Serif) come within a few pixels of it, so 15% of the
    // designed size (at least 3 px) is allowed.
    QCOMPARE(widget->pos(), geometry.topLeft());
    QCOMPARE(widget->size(), widget->sizeHint());
    const QSize textSize = QFontMetrics(widget->font()).size(0, text);
    QVERIFY(widget->width() >= textSize.width() && widget->height() >= textSize.height());
    QVERIFY(qAbs(widget->width() - geometry.width()) <= qMax(3, geometry.width() * 15 / 100));
    QVERIFY(qAbs(widget->height() - geometry.height()) <= qMax(3, geometry.height() * 15 / 100));
}

void TstLayout::tabOrder()
{
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_form->Button1->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), m_form->Button1, 5000);
    QStringList order;
    for (int step = 0; step < 5; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        for (const char *name : {"Button1", "BitBtn1", "ComboBox1", "Chart1", "Button4"}) {
            QWidget *widget = control(name);
            if (widget == QApplication::focusWidget()
                || widget->isAncestorOf(QApplication::focusWidget()))
                order << name;
        }
    }
    QCOMPARE(order, QStringList({"BitBtn1", "ComboBox1", "Chart1", "Button4", "Button1"}));
}

void TstLayout::resizeKeepsPlaces()
{
    const QList<QWidget *> children = m_form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QList<QRect> before;
    for (QWidget *child : children)
        before << child->geometry();
    for (const QSize size : {QSize(1200, 800), QSize(400, 300)}) {
        m_form->resize(size);
        QTRY_COMPARE_WITH_TIMEOUT(m_form->size(), size, 5000);
        for (int i = 0; i < children.size(); ++i)
            QCOMPARE(children.at(i)->geometry(), before.at(i));
    }
    // The designed size is for opening: the window shown again (as after a minimise)
    // keeps the size the user gave it.
    m_form->hide();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTest::qWait(200);
    QCOMPARE(m_form->size(), QSize(400, 300));
}

void TstLayout::longReadoutGrowsRight()
{
    QLabel *readout = m_form->Label1;
    const QRect start = readout->geometry();
    m_form->ComboBox1->setCurrentIndex(0);
    LastVoltage = 4.9951171875f; // the full-scale reading
    m_form->Timer1Timer(m_form->Timer1);
    QCOMPARE(readout->text().size(), 12);
    QCOMPARE(readout->pos(), start.topLeft());
    QVERIFY(readout->width() > start.width());
    QCOMPARE(readout->size(), readout->sizeHint());
}

QTEST_MAIN(TstLayout)
#include "tst_layout.moc"
