// The link's lamp, over a pseudo-terminal playing the board's device.

#include "link/comled.h"
#include "link/comport.h"
#include "support/pictured.h"
#include "support/ptyboard.h"

#include <QtTest>

class TestComLed : public QObject
{
    Q_OBJECT
private slots:
    void lampTellsTheLinksState();
};

// The lamp tells the link's state, from the start: by its name to a screen reader, and by
// its light, bright only while the link is open. Its light is drawn as pictured beside this
// file: a round red light filling its square but for a margin, with a glint up and to the
// left and a deeper red at the rim.
void TestComLed::lampTellsTheLinksState()
{
    ComLed lamp;
    lamp.resize(25, 25);
    QCOMPARE(lamp.accessibleName(), "Porta fechada");
    QVERIFY(drawnAsPictured(lamp, QFINDTESTDATA("lamp-dark.png")));
    PtyBoard board;
    ComPort port;
    port.setSettings({board.devicePath()});
    lamp.setComPort(&port);
    port.Open();
    QVERIFY(drawnAsPictured(lamp, QFINDTESTDATA("lamp-lit.png")));
    port.Close();
    QCOMPARE(lamp.accessibleName(), "Porta fechada");
}

QTEST_MAIN(TestComLed)
#include "tst_comled.moc"
