// The main window at work over a pseudo-terminal playing the board: frames in, commands
// out, failing handlers and their error boxes, the set-up dialog, and closing.

#include "acquisition/signalstate.h"
#include "errors/errorreporting.h"
#include "link/comled.h"
#include "link/comport.h"
#include "support/ptyboard.h"
#include "ui/lineseries.h"
#include "ui/tform1.h"

#include <QtTest>
#include <QtWidgets>

static constexpr int kWaitMs = 5000;
constexpr double kLow = 0.0048828125, kHigh = 4.9951171875; // readings 1 and 1023
using Points = QList<QPointF>;

class TstTForm1 : public QObject
{
    Q_OBJECT
    std::list<PtyBoard> m_boards;
    std::unique_ptr<TForm1> m_form;
    int m_sent = 0; // bytes the board sent since the trace last started
    // The user at modal windows: dismisses every error box unless `m_hold` says to
    // keep it open, remembering its text.
    QTimer m_user;
    QStringList m_dismissed;
    bool m_hold = false;

    PtyBoard &board() { return m_boards.back(); }

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
                runGuarded([&] { m_form->Timer1Timer(nullptr); });
            } else if (word == "unplug") { // ten ticks fail while the user reads the first box
                int failures = 0;
                auto counting = connect(m_form->Timer1, &QTimer::timeout, this, [&] {
                    if (!m_form->ComPort1->Connected() && ++failures == 10)
                        m_form->Timer1->stop(), m_hold = false;
                });
                m_hold = true;
                board().unplug();
                m_form->Timer1->start(20);
                QTRY_COMPARE_WITH_TIMEOUT(m_dismissed.size(), 2, 2 * kWaitMs);
                disconnect(counting);
                QVERIFY(m_dismissed[1].endsWith(ErrorReporter::boxText(QString(), 9)));
                QVERIFY(!m_form->ComLed1->isOn());
            } else if (word == "reopen") { // on a new port picked in the set-up dialog
                QTimer::singleShot(0, this, [path = m_boards.emplace_back().devicePath()] {
                    QWidget *dialog = QApplication::activeModalWidget();
                    dialog->findChild<QComboBox *>("portBox")->setCurrentText(path);
                    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
                });
                m_form->Button1->click();
                QVERIFY(m_form->ComLed1->isOn());
            } else if (word.startsWith('>')) {
                QByteArray sent; // until all came, and a little longer so that an extra shows
                QTRY_VERIFY_WITH_TIMEOUT((sent += board().takeReceived()).size() >= word.size() - 1,
                                         kWaitMs);
                QTest::qWait(100);
                QCOMPARE(sent + board().takeReceived(), word.mid(1).toLatin1());
            } else if (word.startsWith('?')) {
                QCOMPARE(m_form->Label1->text().replace(',', '.'), word.mid(1));
            } else if (word == "button" || word == "closebox") {
                board().releaseSlave(); // only the program holds the device now
                word == "button" ? m_form->BitBtn1->click() : void(m_form->close());
                QTRY_VERIFY_WITH_TIMEOUT(board().programClosedDevice(), kWaitMs);
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
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        connect(&m_user, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && !m_hold)
                m_dismissed << box->text(), box->button(QMessageBox::Ok)->click();
        });
        m_user.start(10);
    }
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
        QTest::newRow("first frame at x = 0, button closes")
            << "0002 ?0.0 button" << Points{{0, 2.5}};
        QTest::newRow("byte waits, two at once")
            << "ff 03 0100ff03" << Points{{0, kHigh}, {1, kLow}, {2, kHigh}};
        QTest::newRow("clear keeps readout, voltage")
            << "#0 0002 tick clear ?2.5 tick ?2.5 0100" << Points{{0, kLow}};
        QTest::newRow("index at its limit") << "#0 0002 tick limit 0100 ?2.5" << Points{{0, kLow}};
        QTest::newRow("none or other text sends nothing") << "tick > =x tick > ?0.0" << Points{};
        QTest::newRow("3 before any frame, close box") << "#2 tick >m ?0 closebox" << Points{};
        QTest::newRow("k per tick, 1->5: old reply plots")
            << "#0 tick 0002 tick ?2.5 tick >kkk #4 0100 tick >o" << Points{{0, 2.5}, {1, kLow}};
        QTest::newRow("typing 2 selects it") << "=2 tick >l ?0" << Points{};
        QTest::newRow("unplug: one box, set-up re-opens")
            << "0002 #0 tick 0100 unplug ?2.5 reopen tick >k ff03"
            << Points{{0, 2.5}, {1, kLow}, {2, kHigh}};
    }
    void session()
    {
        QFETCH(QString, script);
        QFETCH(Points, points);
        // A window on a new board whose device holds bytes from before start-up. It is
        // polled by hand, with one arrival time for every byte: what piles up is whole frames.
        m_boards.emplace_back().send(QByteArray::fromHex("010007"));
        QTest::qWait(100);
        m_form = std::make_unique<TForm1>(SerialSettings{board().devicePath()});
        m_form->Timer1->stop();
        m_form->ComPort1->setClock([] { return std::int64_t(0); });
        m_form->show();
        m_dismissed.clear();
        m_hold = false;
        LastVoltage = SampleIndex = m_sent = 0;
        play(script);
        QCOMPARE(SampleIndex, points.size());
        QCOMPARE(LastVoltage, float(points.isEmpty() ? 0.0 : points.last().y()));
        QTRY_COMPARE_WITH_TIMEOUT(m_form->Series1->line()->points(), points, kWaitMs);
        QCOMPARE(m_dismissed.size(), script.contains("unplug") ? 2 : 0); // no box over another
    }
};

QTEST_MAIN(TstTForm1)
#include "tst_tform1.moc"
