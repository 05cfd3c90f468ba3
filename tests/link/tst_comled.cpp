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

// Whether the lamp is drawn pixel for pixel as the picture of it as designed, `name` beside
// this file: a round red light filling its square but for a margin, with a glint up and to
// the left and a deeper red at the rim. A lamp drawn otherwise is saved under `name` in the
// working directory, to be looked at.
static bool looksAsDesigned(ComLed &lamp, const QString &name)
{
    const QImage shown = lamp.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    if (shown == QImage(QFINDTESTDATA(name)).convertToFormat(QImage::Format_ARGB32))
        return true;
    shown.save(name);
    return false;
}

// The lamp tells the link's state, from the start: by its name to a screen reader, and by
// its light, bright only while the link is open.
void TestComLed::lampTellsTheLinksState()
{
    ComLed lamp;
    lamp.resize(25, 25);
    QCOMPARE(lamp.accessibleName(), "Porta fechada");
    QVERIFY(looksAsDesigned(lamp, "lamp-dark.png"));
    PtyBoard board;
    ComPort port;
    port.setSettings({board.devicePath()});
    lamp.setComPort(&port);
    port.Open();
    QCOMPARE(lamp.accessibleName(), "Porta aberta");
    QVERIFY(looksAsDesigned(lamp, "lamp-lit.png"));
    port.Close();
    QCOMPARE(lamp.accessibleName(), "Porta fechada");
    QVERIFY(looksAsDesigned(lamp, "lamp-dark.png"));
}

QTEST_MAIN(TestComLed)
#include "tst_comled.moc"
