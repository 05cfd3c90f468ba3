// The main window at work over a pseudo-terminal playing the board: frames in, commands
// out, failing handlers and their error boxes, the set-up dialog, and closing.

#include "comled.h"
#include "comport.h"
#include "errorreporting.h"
#include "lineseries.h"
#include "ptyboard.h"
#include "signalstate.h"
#include "tform1.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineSeries>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

namespace {

constexpr int kWaitMs = 5000;
constexpr double kLow = 0.0048828125, kHigh = 4.9951171875; // readings 1 and 1023
using Points = QList<QPointF>;

// Plays the user at modal windows: dismisses every error box, unless `holdWhile` says to
// keep it open, remembering what it said last; hands any other dialog to `onDialog`.
struct ModalWatcher : QObject
{
    QStringList dismissed;
    std::function<bool()> holdWhile;
    std::function<void(QWidget *)> onDialog;
    QTimer poll;

    ModalWatcher()
    {
        connect(&poll, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (modal && !box && onDialog)
                return onDialog(modal);
            if (!box || (holdWhile && holdWhile()))
                return;
            dismissed << box->text();
            box->button(QMessageBox::Ok)->click();
        });
        poll.start(10);
    }
};

// What the program sends until `expected` bytes came, and a little longer, so that an
// extra byte would show.
QByteArray collectSent(PtyBoard &pty, int expected)
{
    QByteArray sent;
    (void)QTest::qWaitFor([&] { return (sent += pty.takeReceived()).size() >= expected; }, kWaitMs);
    QTest::qWait(100);
    return sent + pty.takeReceived();
}

} // namespace

class TstTForm1 : public QObject
{
    Q_OBJECT
    std::unique_ptr<ModalWatcher> m_user;
    std::vector<std::unique_ptr<PtyBoard>> m_boards;
    std::unique_ptr<TForm1> m_form;
    int m_sent = 0; // bytes the board sent since the trace last started

    PtyBoard &board() { return *m_boards.back(); }
    PtyBoard &newBoard() { return *m_boards.emplace_back(std::make_unique<PtyBoard>()); }

    // A window on a new board whose device holds bytes from before start-up. It is
    // polled by hand, with one arrival time for every byte: what piles up is whole frames.
    TForm1 &openForm()
    {
        newBoard().send(QByteArray::fromHex("010007"));
        QTest::qWait(100);
        SerialSettings link;
        link.port = board().devicePath();
        m_form = std::make_unique<TForm1>(link);
        m_form->Timer1->stop();
        m_form->ComPort1->setClock([] { return std::int64_t(0); });
        m_form->show();
        m_user = std::make_unique<ModalWatcher>();
        LastVoltage = 0.0f;
        SampleIndex = m_sent = 0;
        return *m_form;
    }

    // Plays a session, word by word: hex bytes the board sends, "#n" picks position n of
    // the list, "=text" types into the field, "tick" is the poll timer, "clear" presses
    // Limpar Gráfico, "limit" brings SampleIndex to its limit, "button" and "closebox" close
    // the window; ">text" expects the board to have been sent exactly that since, "?text"
    // expects the readout to show it.
    void play(const QString &script)
    {
        for (const QString &word : script.split(' ')) {
            if (word.startsWith('#')) {
                m_form->ComboBox1->setCurrentIndex(word.mid(1).toInt());
            } else if (word.startsWith('=')) {
                QTest::keyClicks(m_form->ComboBox1, word.mid(1));
            } else if (word == "tick") {
                m_form->Timer1Timer(nullptr);
            } else if (word.startsWith('>')) {
                QCOMPARE(collectSent(board(), int(word.size()) - 1), word.mid(1).toLatin1());
            } else if (word.startsWith('?')) {
                QCOMPARE(m_form->Label1->text().replace(QLocale::system().decimalPoint(), "."),
                         word.mid(1));
            } else if (word == "button" || word == "closebox") {
                board().releaseSlave(); // only the program holds the device now
                word == "button" ? m_form->BitBtn1->click() : void(m_form->close());
                QVERIFY(!m_form->isVisible());
                QTRY_VERIFY_WITH_TIMEOUT(board().programClosedDevice(), kWaitMs);
                QVERIFY(!m_form->ComLed1->isOn());
            } else if (word == "clear" || word == "limit") {
                word == "clear" ? m_form->Button4->click() : void(SampleIndex = INT32_MAX);
                m_sent = 0; // the trace starts again
            } else {
                board().send(QByteArray::fromHex(word.toLatin1()));
                m_sent += int(word.size()) / 2;
                // Every byte sent is either plotted or waiting.
                QTRY_COMPARE_WITH_TIMEOUT(2 * qint64(SampleIndex) + m_form->ComPort1->InputCount(),
                                          qint64(m_sent), kWaitMs);
            }
        }
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void cleanup()
    {
        const ErrorReporter *reporter = ErrorReporter::instance();
        QTRY_VERIFY_WITH_TIMEOUT(!reporter->isBoxOpen() && reporter->pendingCount() == 0, kWaitMs);
        m_form.reset();
        m_boards.clear();
    }

    void session_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<Points>("points"); // on the chart at the end
        QTest::newRow("first frame at x = 0") << "0002 ?0.0" << Points{{0, 2.5}};
        QTest::newRow("one byte waits for the next") << "ff 03" << Points{{0, kHigh}};
        QTest::newRow("two frames at once") << "0100ff03" << Points{{0, kLow}, {1, kHigh}};
        QTest::newRow("clear keeps readout") << "#0 0002 tick clear ?2.5 0100" << Points{{0, kLow}};
        QTest::newRow("clear keeps voltage") << "#0 0002 clear tick ?2.5 0100" << Points{{0, kLow}};
        QTest::newRow("index at its limit") << "#0 0002 tick limit 0100 ?2.5" << Points{{0, kLow}};
        QTest::newRow("no selection sends nothing") << "tick tick > ?0.0" << Points{};
        QTest::newRow("3 before any frame") << "#2 tick >m ?0" << Points{};
        QTest::newRow("k per tick") << "#0 tick 0002 tick tick >kkk ?2.5" << Points{{0, 2.5}};
        QTest::newRow("1->5: old reply plots") << "#0 tick >k #4 0002 tick >o" << Points{{0, 2.5}};
        QTest::newRow("typing 2 selects it") << "=2 tick >l ?0" << Points{};
        QTest::newRow("typing other text selects none") << "=x tick tick > ?0.0" << Points{};
        QTest::newRow("close button closes the device") << "0002 button" << Points{{0, 2.5}};
        QTest::newRow("close box closes the device") << "#0 tick closebox" << Points{};
    }
    void session()
    {
        QFETCH(QString, script);
        QFETCH(Points, points);
        TForm1 &form = openForm();
        QCOMPARE(form.Timer1->interval(), 1000);
        play(script);
        QCOMPARE(SampleIndex, points.size());
        QCOMPARE(LastVoltage, float(points.isEmpty() ? 0.0 : points.last().y()));
        QTRY_COMPARE_WITH_TIMEOUT(form.Series1->line()->points(), points, kWaitMs);
        QCOMPARE(m_user->dismissed.size(), 0);
    }

    void failingLink_data()
    {
        QTest::addColumn<bool>("unplug"); // else the link is closed under the window
        QTest::addColumn<bool>("tick");   // else a late receive notification
        QTest::newRow("ticks on a closed link") << false << true;
        QTest::newRow("late receive notifications on a closed link") << false << false;
        QTest::newRow("ticks after unplugging") << true << true;
    }
    void failingLink()
    {
        QFETCH(bool, unplug);
        QFETCH(bool, tick);
        TForm1 &form = openForm();
        play("0002 #0 tick ?2.5 0100"); // the newer frame is not on the readout yet
        // The link fails, and the handler fails ten times in a row while the user reads
        // the first box: unplugging shows one box whatever Qt's burst, the ticks' error
        // waits its turn.
        QTimer notifications;
        connect(&notifications, &QTimer::timeout, [&] { emit form.ComPort1->OnRxChar(2); });
        QTimer *source = tick ? form.Timer1 : &notifications;
        int failures = 0;
        connect(source, &QTimer::timeout, [&] {
            if (!form.ComPort1->Connected() && ++failures == 10)
                source->stop();
        });
        m_user->holdWhile = [&] { return failures < 10; };
        unplug ? board().unplug() : form.ComPort1->Close();
        source->start(20);
        QTRY_COMPARE_WITH_TIMEOUT(m_user->dismissed.size(), unplug ? 2 : 1, 2 * kWaitMs);
        QVERIFY(!form.ComLed1->isOn());
        QVERIFY(m_user->dismissed.last().endsWith(ErrorReporter::boxText(QString(), 9)));
        QVERIFY(m_user->dismissed[0].contains(board().devicePath()));
        QCOMPARE(LastVoltage, float(kLow));
        QCOMPARE(form.Series1->Count(), 2);
        play("?2.5");

        // The user picks a new port in the set-up dialog; polling resumes on the timer.
        PtyBoard &replacement = newBoard();
        m_user->onDialog = [&](QWidget *dialog) {
            dialog->findChild<QComboBox *>("portBox")->setCurrentText(replacement.devicePath());
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        };
        form.Button1->click();
        QVERIFY(form.ComLed1->isOn());
        form.Timer1->start();
        QCOMPARE(collectSent(replacement, 1).left(1), QByteArray("k"));
        play("ff03");
        QCOMPARE(m_user->dismissed.size(), unplug ? 2 : 1); // and no box over another
    }
};

QTEST_MAIN(TstTForm1)
#include "tst_tform1.moc"
