// The main window at work over a pseudo-terminal playing the board: frames in, commands
// out, the readout, clearing, the set-up dialog, error boxes, a board that does not
// answer, and a board lost and found again. The program knows the board by a link we
// own, which we re-make for a new pseudo-terminal as udev does for a USB adapter plugged
// in again. The tests give the ticks by hand, apart from those about a lost board. (The poll
// timer's beat, the readout showing a reply from the next tick on, and closing are the real
// program's, in the end-to-end test, but for the recording written out on closing.) CTest runs this
// under a Portuguese locale, whose decimal separator is a comma.

#include "acquisition/signalstate.h"
#include "errors/errorreporting.h"
#include "errors/exception.h"
#include "link/comled.h"
#include "link/comport.h"
#include "recording/sessionrecorder.h"
#include "support/boxreader.h"
#include "support/ptyboard.h"
#include "ui/lineseries.h"
#include "ui/sessioncommands.h"
#include "ui/tform1.h"

#include <QSerialPort>
#include <QtTest>
#include <QtWidgets>

#include <poll.h>

static constexpr int kWaitMs = 5000;
static constexpr double kOneStep = 0.0048828125; // reading 1

class TstTForm1 : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_path; // the board's device as the program knows it
    std::unique_ptr<PtyBoard> m_board;
    std::unique_ptr<TForm1> m_form;
    BoxReader m_user;

    void startWindow() { m_form = std::make_unique<TForm1>(SerialSettings{m_path}); }
    void plugIn()
    {
        m_board = std::make_unique<PtyBoard>();
        QFile::remove(m_path);
        QFile::link(m_board->devicePath(), m_path);
    }
    void pickChannel(int position) { m_form->ComboBox1->setCurrentIndex(position); }
    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            m_form->Timer1Timer(m_form->Timer1);
    }

    // The board sends whole frames; returns once the window has decoded them all (or has
    // given up), for the test to look at what came of them. The helpers below, like this
    // one, leave judging the wait's outcome to the test.
    void sendFrames(const QByteArray &bytes)
    {
        const int decoded = SampleIndex + int(bytes.size()) / 2;
        m_board->send(bytes);
        (void)QTest::qWaitFor([&] { return SampleIndex == decoded; }, kWaitMs);
    }
    // What reached the board since the last look: waits for `count` bytes, then a little
    // longer, so that anything sent beyond them shows too.
    QByteArray sent(int count)
    {
        QByteArray sent;
        (void)QTest::qWaitFor([&] { return (sent += m_board->takeReceived()).size() >= count; },
                              kWaitMs);
        QTest::qWait(100);
        return sent + m_board->takeReceived();
    }
    QString readout() const { return m_form->Label1->text(); }
    // What the chart draws, once it holds `count` points (or the wait is over). Changes
    // still held for the refresh period's end are handed over first: a line from before
    // a clear is not what the chart shows.
    QList<QPointF> plotted(qsizetype count)
    {
        (void)QTest::qWaitFor(
            [&] {
                m_form->Series1->flush();
                return m_form->Series1->drawnPoints().size() == count;
            },
            kWaitMs);
        return m_form->Series1->drawnPoints();
    }

    // Unplugged while polled, its link going with it: what the user is told, once (the
    // ticks on the closed link add nothing).
    QStringList unplugWhilePolled()
    {
        pickChannel(0);
        m_form->Timer1->start(20); // ticks much faster than the user reads
        m_board->unplug();
        QFile::remove(m_dir.filePath("board"));
        return m_user.read(1);
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    // Each test starts the program afresh on a new board, behind our link whatever the test
    // before did.
    void init()
    {
        m_path = m_dir.filePath("board");
        LastVoltage = 0.0f;
        SampleIndex = 0;
        plugIn();
        startWindow();
        m_form->Timer1->stop(); // the test ticks
        m_form->show();
    }
    void cleanup()
    {
        const QStringList unexpected = m_user.read(0);
        m_form.reset();
        m_board.reset();
        QCOMPARE(unexpected, QStringList()); // error boxes no test asked for
    }

    void bytesWaitingAtStartUpAreDiscarded()
    {
        m_form.reset();
        m_board->send(QByteArray::fromHex("010007"));
        QTest::qWait(100); // into the device's input before the window opens it
        startWindow();
        sendFrames(QByteArray::fromHex("0002"));
        QCOMPARE(plotted(1), (QList<QPointF>{{0, 2.5}}));
    }

    // A tick without a channel chosen sends nothing, and the readout keeps its text.
    void tickWithoutAChannelSendsNothing()
    {
        tick();
        QCOMPARE(sent(1), QByteArray());
        QCOMPARE(readout(), "0.0");
    }

    // The readout shows a reply from the next tick on; clearing leaves it as it is.
    void clearEmptiesChartKeepsReadout()
    {
        pickChannel(0);
        sendFrames(QByteArray::fromHex("0002"));
        QCOMPARE(readout(), "0.0");
        tick();
        QCOMPARE(readout(), "2,5");
        m_form->Button4->click();
        tick();
        QCOMPARE(readout(), "2,5");
        sendFrames(QByteArray::fromHex("0100"));
        QCOMPARE(plotted(1), (QList<QPointF>{{0, kOneStep}}));
    }

    // Closing the window writes out the recording there and then: at a logoff Windows ends
    // the process as soon as the window has heard of it, before any teardown.
    void closingWritesOutTheRecording()
    {
        const QString path = m_dir.filePath("gravacao.csv");
        QVERIFY(m_form->findChild<SessionRecorder *>()->start(path));
        sendFrames(QByteArray::fromHex("0002"));
        m_form->close();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count('\n'), 2); // the header and the row
    }

    // A pseudo-terminal's number goes to the next program that asks for one: the program
    // says the user must open it again. (That it never takes the stranger at that number
    // for its board is the lost-board watch's test.)
    void boardOnAPseudoTerminalNumberIsNotReopened()
    {
        m_form.reset();
        m_path = m_board->devicePath();
        startWindow();
        QCOMPARE(
            unplugWhilePolled(),
            QStringList({"A ligação pela porta " + m_path
                         + " foi perdida: o dispositivo deixou de responder (foi "
                           "desconectado?). A porta foi fechada; ela era o pseudoterminal "
                           "de uma placa simulada, que não volta. Inicie a placa simulada "
                           "de novo e abra o programa com o dispositivo que ela mostrar (por "
                           "exemplo: sensor-viewer-on /dev/pts/N), ou use sensor-viewer-demo."}));
    }

    // A read or write that fails while the device stays costs one box, not the link; after
    // an error that stops Qt reading, the device is opened again at once.
    void passingFaultKeepsTheLink_data()
    {
        QTest::addColumn<QSerialPort::SerialPortError>("error");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a read that failed")
            << QSerialPort::ReadError << "a leitura do dispositivo falhou";
        QTest::newRow("a resource that failed")
            << QSerialPort::ResourceError << "o dispositivo ficou indisponível por um momento";
    }
    void passingFaultKeepsTheLink()
    {
        QFETCH(QSerialPort::SerialPortError, error);
        QFETCH(QString, reason);
        pickChannel(0);
        auto *device = m_form->ComPort1->findChild<QSerialPort *>();
        // A frame waits unread: the device is readable, which is not hung up.
        m_board->send(QByteArray::fromHex("0002"));
        pollfd readable{int(device->handle()), POLLIN, 0};
        QCOMPARE(::poll(&readable, 1, kWaitMs), 1);
        emit device->errorOccurred(error);
        QCOMPARE(m_user.read(1),
                 QStringList({"Houve uma falha na comunicação pela porta " + m_path + ": " + reason
                              + ". A ligação continua aberta; se a falha se repetir, "
                                "verifique o cabo e o adaptador."}));
        tick();
        QCOMPARE(sent(1), "k");
    }

    // Polls that go unanswered are told once, after three; the board answering again, or
    // settings the user confirms, make a later silence worth telling again.
    void silentBoardIsToldOnce()
    {
        const QString silence =
            "A placa não responde pela porta " + m_path
            + ": 3 pedidos seguidos ficaram sem resposta, a 19200 baud, 8 bits de dados, sem "
              "paridade, 1 bit de parada. Verifique se a placa está ligada e alimentada e se o "
              "cabo está bem conectado. Se estiver, a placa pode estar em outra porta ou usar "
              "outra velocidade: escolha-as em \"Configurar Serial\".";
        pickChannel(0);
        tick(4);
        QCOMPARE(m_user.read(1), QStringList({silence}));
        // Settings looked at and cancelled: the same silence goes on.
        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        m_form->Button1->click();
        tick(5);
        QCOMPARE(m_user.read(0), QStringList());
        sendFrames(QByteArray::fromHex("0002"));
        tick(4);
        QCOMPARE(m_user.read(1), QStringList({silence}));
        QTimer::singleShot(
            0, [] { qobject_cast<QDialog *>(QApplication::activeModalWidget())->accept(); });
        m_form->Button1->click();
        tick(4);
        QCOMPARE(m_user.read(1), QStringList({silence}));
    }

    // A lost board is told once, however many ticks fail on the closed link. Back behind
    // its re-made link, it is opened again without a word, anything it sent before that
    // left out, and polled; lost again, it is told again.
    void lostBoardIsToldOnceAndFoundAgain()
    {
        const QString lost = "A ligação pela porta " + m_path
                             + " foi perdida: o dispositivo deixou de responder (foi "
                               "desconectado?). A porta foi fechada; o programa vai abri-la de "
                               "novo sozinho quando a mesma placa voltar. Para usar outra porta, "
                               "use \"Configurar Serial\".";
        QCOMPARE(unplugWhilePolled(), QStringList({lost}));
        plugIn();
        m_board->send(QByteArray::fromHex("01")); // before the program has it open again
        QTRY_COMPARE_WITH_TIMEOUT(m_form->ComLed1->isOn(), true, kWaitMs);
        sendFrames(QByteArray::fromHex("0002"));
        QCOMPARE(plotted(1), (QList<QPointF>{{0, 2.5}}));
        QCOMPARE(unplugWhilePolled(), QStringList({lost}));
    }
};

QTEST_MAIN(TstTForm1)
#include "tst_tform1.moc"
