// A board that is unplugged while polled: the user is told once, and when a device comes
// back at the same path (here a link we own, pointed at a new pseudo-terminal, as a USB
// adapter plugged in again) the link re-opens by itself.

#include "acquisition/signalstate.h"
#include "link/comled.h"
#include "link/comport.h"
#include "support/ptyboard.h"
#include "ui/tform1.h"

#include <QtTest>
#include <QtWidgets>

static constexpr int kWaitMs = 5000;
static constexpr int kPollMs = 20; // ticks much faster than the user reads

class TstLinkRecovery : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_path; // the board's device as the program knows it
    std::list<PtyBoard> m_boards;
    std::unique_ptr<TForm1> m_form;
    QTimer m_user; // dismisses every error box, noting the box's first phrase
    QStringList m_boxes;

    PtyBoard &plugIn()
    {
        PtyBoard &board = m_boards.emplace_back();
        QFile::remove(m_path);
        QFile::link(board.devicePath(), m_path);
        return board;
    }
    void unplug()
    {
        m_boards.back().unplug();
        QFile::remove(m_path);
    }
    void expectSent(PtyBoard &board, const QByteArray &bytes)
    {
        QByteArray sent;
        QTRY_VERIFY_WITH_TIMEOUT((sent += board.takeReceived()).size() >= bytes.size(), kWaitMs);
        QCOMPARE(sent.left(bytes.size()), bytes);
    }
    QStringList lostAndClosed() const
    {
        return {"A ligação pela porta " + m_path + " foi perdida",
                "A porta " + m_path + " está fechada"};
    }
    void unplugAndReadTheBoxes()
    {
        unplug();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes.size(), 2, kWaitMs);
        QVERIFY(!m_form->ComLed1->isOn());
    }

private slots:
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        m_path = m_dir.filePath("board");
        connect(&m_user, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                m_boxes << box->text().section(QRegularExpression("[:.] "), 0, 0);
                box->button(QMessageBox::Ok)->click();
            }
        });
        m_user.start(10);
    }
    void init()
    {
        plugIn();
        m_form = std::make_unique<TForm1>(SerialSettings{m_path});
        m_form->show();
        m_form->ComboBox1->setCurrentIndex(0);
        m_form->Timer1->start(kPollMs);
        m_boxes.clear();
        SampleIndex = 0;
    }
    void cleanup()
    {
        m_form.reset();
        m_boards.clear();
    }

    void unpluggedIsToldOnce()
    {
        unplugAndReadTheBoxes();
        QTest::qWait(50 * kPollMs); // fifty ticks on the closed link
        QCOMPARE(m_boxes, lostAndClosed());
    }

    void boardComesBack()
    {
        unplugAndReadTheBoxes();
        PtyBoard &board = plugIn();
        QTRY_VERIFY_WITH_TIMEOUT(m_form->ComLed1->isOn(), kWaitMs);
        expectSent(board, "k");
        board.send(QByteArray::fromHex("0002"));
        QTRY_COMPARE_WITH_TIMEOUT(SampleIndex, 1, kWaitMs);
        QCOMPARE(LastVoltage, 2.5f);
        QCOMPARE(m_boxes, lostAndClosed()); // no box for the return
        // Lost again, it is told again.
        unplug();
        QTRY_COMPARE_WITH_TIMEOUT(m_boxes, lostAndClosed() + lostAndClosed(), kWaitMs);
    }
};

QTEST_MAIN(TstLinkRecovery)
#include "tst_linkrecovery.moc"
