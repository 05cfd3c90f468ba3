// The link's lamp, over a pseudo-terminal playing the board's device.

#include "link/comled.h"
#include "link/comport.h"
#include "support/ptyboard.h"

#include <QtTest>

class TestComLed : public QObject
{
    Q_OBJECT
private slots:
    void lampTellsTheLinksState();
};

// What the lamp shows at its middle, near its left edge, at that edge, and at its rim on
// the right, away from the glint.
static QStringList lampLight(ComLed &lamp)
{
    const QImage shown = lamp.grab().toImage();
    QStringList seen;
    for (const QColor pixel :
         {shown.pixelColor(12, 12), shown.pixelColor(3, 12), shown.pixelColor(0, 12),
          shown.pixelColor(21, 12)}) {
        if (pixel.green() > 60 || pixel.blue() > 60)
            seen << "not red";
        else
            seen << (pixel.red() > 200 ? "bright red" : pixel.red() < 130 ? "dark red" : "red");
    }
    return seen;
}

// The lamp tells the link's state, from the start: by its name to a screen reader, and by
// its light, a round red one filling its square but for a margin, bright only while the
// link is open.
void TestComLed::lampTellsTheLinksState()
{
    ComLed lamp;
    lamp.resize(25, 25);
    QCOMPARE(lamp.accessibleName(), "Porta fechada");
    QCOMPARE(lampLight(lamp), QStringList({"dark red", "dark red", "not red", "dark red"}));
    PtyBoard board;
    ComPort port;
    port.setSettings({board.devicePath()});
    lamp.setComPort(&port);
    port.Open();
    QCOMPARE(lampLight(lamp), QStringList({"bright red", "bright red", "not red", "red"}));
    port.Close();
    QCOMPARE(lamp.accessibleName(), "Porta fechada");
}

QTEST_MAIN(TestComLed)
#include "tst_comled.moc"
