// The main window at work over a pseudo-terminal playing the board: frames in, commands
// out, errors from the handlers, closing, the set-up dialog and an unplugged board.

#include "comled.h"
#include "comport.h"
#include "errorreporting.h"
#include "exception.h"
#include "lineseries.h"
#include "ptyboard.h"
#include "settingsdialog.h"
#include "signalstate.h"
#include "tform1.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr int kWaitMs = 5000;

// Dismisses every error box the program opens, so that nothing blocks, and remembers
// what each said. The first box can be held open for a while, as a user reading it would.
class BoxWatcher : public QObject
{
public:
    BoxWatcher()
    {
        connect(ErrorReporter::instance(), &ErrorReporter::boxShown, this,
                [this](const QString &text) { shown << text; });
        m_poll.setInterval(10);
        connect(&m_poll, &QTimer::timeout, this, &BoxWatcher::poll);
        m_poll.start();
    }

    void reset()
    {
        shown.clear();
        dismissed.clear();
        holdFirstMs = 0;
        mostOpenAtOnce = 0;
        shownWhileFirstHeld = 0;
        reporterClosedWhileFirstHeld = false;
    }

    QStringList shown;     // as each box opened
    QStringList dismissed; // as each box was closed, repeats counted in
    int holdFirstMs = 0;
    int mostOpenAtOnce = 0;
    int shownWhileFirstHeld = 0;
    bool reporterClosedWhileFirstHeld = false;

private:
    void poll()
    {
        int open = 0;
        for (QWidget *window : QApplication::topLevelWidgets())
            open += qobject_cast<QMessageBox *>(window) && window->isVisible() ? 1 : 0;
        mostOpenAtOnce = std::max(mostOpenAtOnce, open);

        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (box != m_current) {
            m_current = box;
            m_openFor.start();
        }
        if (dismissed.isEmpty() && m_openFor.elapsed() < holdFirstMs) {
            shownWhileFirstHeld = std::max(shownWhileFirstHeld, int(shown.size()));
            reporterClosedWhileFirstHeld |= !ErrorReporter::instance()->isBoxOpen();
            return;
        }
        dismissed << box->text();
        box->button(QMessageBox::Ok)->click();
    }

    QTimer m_poll;
    QPointer<QMessageBox> m_current;
    QElapsedTimer m_openFor;
};

// Works the set-up dialog once it is open; used before the click that opens it.
void whenSetupDialogOpens(const std::function<void(SettingsDialog *)> &work)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, work] {
        if (auto *dialog = qobject_cast<SettingsDialog *>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            work(dialog);
        }
    });
    poll->start(10);
}

void pressDialogButton(QDialog *dialog, QDialogButtonBox::StandardButton which)
{
    dialog->findChild<QDialogButtonBox *>()->button(which)->click();
}

QList<QPointF> pointsOf(const LineSeries *series)
{
    QList<QPointF> out;
    for (std::size_t i = 0; i < series->points().size(); ++i)
        out << series->points().at(i);
    return out;
}

// What the program sends until `expected` bytes came, and a little longer, so that an
// extra byte would show.
QByteArray collectSent(PtyBoard &board, int expected)
{
    QByteArray sent;
    QDeadlineTimer deadline(kWaitMs);
    while (sent.size() < expected && !deadline.hasExpired()) {
        QTest::qWait(10);
        sent += board.takeReceived();
    }
    QTest::qWait(100);
    return sent + board.takeReceived();
}

QString pointDecimal(QString text)
{
    return text.replace(QLatin1Char('.'), QLocale::system().decimalPoint());
}

} // namespace

class TstTForm1 : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void receivesFrames_data();
    void receivesFrames();
    void traceStartsAgain_data();
    void traceStartsAgain();

    void failingLinkChangesNothing_data();
    void failingLinkChangesNothing();

    void polling_data();
    void polling();
    void changingChannel();

    void closing_data();
    void closing();

    void setupDialog_data();
    void setupDialog();
    void unplugAndReopen();
    void errorStorm_data();
    void errorStorm();

private:
    PtyBoard &newBoard();
    TForm1 &openForm(PtyBoard &board, bool runTimer = false);

    std::unique_ptr<BoxWatcher> m_boxes;
    std::vector<std::unique_ptr<PtyBoard>> m_boards;
    std::unique_ptr<TForm1> m_form;
};

void TstTForm1::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    m_boxes = std::make_unique<BoxWatcher>();
}

void TstTForm1::init()
{
    LastVoltage = 0.0f;
    SampleIndex = 0;
    m_boxes->reset();
}

void TstTForm1::cleanup()
{
    if (m_form)
        m_form->Timer1->stop();
    m_boxes->holdFirstMs = 0;
    QTRY_VERIFY_WITH_TIMEOUT(!ErrorReporter::instance()->isBoxOpen()
                                 && ErrorReporter::instance()->pendingCount() == 0,
                             kWaitMs);
    m_form.reset();
    m_boards.clear();
}

PtyBoard &TstTForm1::newBoard()
{
    m_boards.push_back(std::make_unique<PtyBoard>());
    return *m_boards.back();
}

TForm1 &TstTForm1::openForm(PtyBoard &board, bool runTimer)
{
    SerialSettings link;
    link.port = board.devicePath();
    m_form = std::make_unique<TForm1>(link);
    if (!runTimer)
        m_form->Timer1->stop(); // ticks are driven by hand
    // One arrival time for every byte: whatever piles up is whole frames.
    m_form->ComPort1->setClock([] { return std::int64_t(0); });
    m_form->show();
    return *m_form;
}

void TstTForm1::receivesFrames_data()
{
    QTest::addColumn<QByteArray>("beforeStart");
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QList<int>>("pointsAfterChunk");
    QTest::addColumn<QList<QPointF>>("points");

    const QByteArray none;
    QTest::newRow("first frame lands at x = 0")
        << none << QByteArrayList{QByteArray::fromHex("0002")} << QList<int>{1}
        << QList<QPointF>{{0, 2.5}};
    QTest::newRow("half a frame waits for its second byte")
        << none << QByteArrayList{QByteArray::fromHex("ff"), QByteArray::fromHex("03")}
        << QList<int>{0, 1} << QList<QPointF>{{0, 4.9951171875}};
    QTest::newRow("frames follow one another")
        << none << QByteArrayList{QByteArray::fromHex("0100"), QByteArray::fromHex("00fe")}
        << QList<int>{1, 2} << QList<QPointF>{{0, 0.0048828125}, {1, 2.5}};
    QTest::newRow("board answering twice gives two points in order")
        << none << QByteArrayList{QByteArray::fromHex("0100ff03")} << QList<int>{2}
        << QList<QPointF>{{0, 0.0048828125}, {1, 4.9951171875}};
    QTest::newRow("bytes from before start-up are dropped")
        << QByteArray::fromHex("010007") << QByteArrayList{QByteArray::fromHex("0002")}
        << QList<int>{1} << QList<QPointF>{{0, 2.5}};
}

void TstTForm1::receivesFrames()
{
    QFETCH(QByteArray, beforeStart);
    QFETCH(QByteArrayList, chunks);
    QFETCH(QList<int>, pointsAfterChunk);
    QFETCH(QList<QPointF>, points);

    PtyBoard &board = newBoard();
    board.send(beforeStart);
    if (!beforeStart.isEmpty())
        QTest::qWait(100); // the bytes are in the device before the window opens it
    TForm1 &form = openForm(board);
    QCOMPARE(form.Series1->Count(), 0);

    int sent = 0;
    for (int i = 0; i < chunks.size(); ++i) {
        board.send(chunks[i]);
        sent += int(chunks[i].size());
        // Every byte sent is either plotted or waiting.
        QTRY_COMPARE_WITH_TIMEOUT(2 * form.Series1->Count() + form.ComPort1->InputCount(), sent,
                                  kWaitMs);
        QCOMPARE(form.Series1->Count(), pointsAfterChunk[i]);
        QCOMPARE(SampleIndex, pointsAfterChunk[i]);
    }
    QCOMPARE(pointsOf(form.Series1), points);
    QCOMPARE(LastVoltage, float(points.last().y()));
    QCOMPARE(form.strayByteCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(form.Series1->line()->points(), points, kWaitMs);
}

void TstTForm1::traceStartsAgain_data()
{
    QTest::addColumn<bool>("byClear");
    QTest::newRow("Limpar Gráfico between frames") << true;
    QTest::newRow("SampleIndex at its limit") << false;
}

void TstTForm1::traceStartsAgain()
{
    QFETCH(bool, byClear);
    PtyBoard &board = newBoard();
    TForm1 &form = openForm(board);
    board.send(QByteArray::fromHex("00020002"));
    QTRY_COMPARE_WITH_TIMEOUT(form.Series1->Count(), 2, kWaitMs);
    form.ComboBox1->setCurrentIndex(0);
    form.Timer1Timer(nullptr);
    const QString readout = pointDecimal(QStringLiteral("2.5"));
    QCOMPARE(form.Label1->text(), readout);

    if (byClear) {
        form.Button4->click();
        QCOMPARE(form.Series1->Count(), 0);
        QCOMPARE(SampleIndex, 0);
        QTRY_VERIFY_WITH_TIMEOUT(form.Series1->line()->points().isEmpty(), kWaitMs);
    } else {
        SampleIndex = std::numeric_limits<std::int32_t>::max();
    }
    QCOMPARE(LastVoltage, 2.5f);
    QCOMPARE(form.Label1->text(), readout);

    board.send(QByteArray::fromHex("0100"));
    QTRY_COMPARE_WITH_TIMEOUT(SampleIndex, 1, kWaitMs);
    QCOMPARE(pointsOf(form.Series1), (QList<QPointF>{{0, 0.0048828125}}));
}

void TstTForm1::failingLinkChangesNothing_data()
{
    QTest::addColumn<bool>("tick");
    QTest::newRow("poll tick") << true;
    QTest::newRow("late receive notification") << false;
}

void TstTForm1::failingLinkChangesNothing()
{
    QFETCH(bool, tick);
    PtyBoard &board = newBoard();
    TForm1 &form = openForm(board);
    board.send(QByteArray::fromHex("0002"));
    QTRY_COMPARE_WITH_TIMEOUT(form.Series1->Count(), 1, kWaitMs);
    form.ComboBox1->setCurrentIndex(0);
    form.Timer1Timer(nullptr);
    QCOMPARE(collectSent(board, 1), QByteArray("k"));
    // A newer frame than the readout shows: a failed tick must not show it either.
    board.send(QByteArray::fromHex("0100"));
    QTRY_COMPARE_WITH_TIMEOUT(form.Series1->Count(), 2, kWaitMs);
    const QString readout = form.Label1->text();
    QCOMPARE(readout, pointDecimal(QStringLiteral("2.5")));

    form.ComPort1->Close();
    if (tick)
        runGuarded([&] { form.Timer1Timer(nullptr); });
    else
        runGuarded([&] { form.ComPort1RxChar(form.ComPort1, 2); });
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->dismissed.size(), 1, kWaitMs);
    QVERIFY2(m_boxes->shown.first().contains(board.devicePath()),
             qPrintable(m_boxes->shown.first()));
    QCOMPARE(LastVoltage, 0.0048828125f);
    QCOMPARE(SampleIndex, 2);
    QCOMPARE(form.Series1->Count(), 2);
    QCOMPARE(form.Label1->text(), readout);

    // The program goes on: a new board on another port picks up where the old one left.
    PtyBoard &replacement = newBoard();
    SerialSettings link = form.ComPort1->settings();
    link.port = replacement.devicePath();
    form.ComPort1->applySettings(link);
    QVERIFY(form.ComLed1->isOn());
    form.Timer1Timer(nullptr);
    QCOMPARE(collectSent(replacement, 1), QByteArray("k"));
    replacement.send(QByteArray::fromHex("ff03"));
    QTRY_COMPARE_WITH_TIMEOUT(form.Series1->Count(), 3, kWaitMs);
    QCOMPARE(pointsOf(form.Series1).last(), QPointF(2, 4.9951171875));
    QCOMPARE(m_boxes->shown.size(), 1);
}

void TstTForm1::polling_data()
{
    QTest::addColumn<int>("picked");    // position picked from the list, or -1
    QTest::addColumn<QString>("typed"); // text typed into the field instead, if not null
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("readout");

    QTest::newRow("no selection sends nothing") << -1 << QString() << 2 << QByteArray() << "0.0";
    QTest::newRow("picking 3 before any frame") << 2 << QString() << 1 << QByteArray("m") << "0";
    QTest::newRow("one k per tick with 1") << 0 << QString() << 3 << QByteArray("kkk") << "0";
    QTest::newRow("typing 2 selects it") << -1 << "2" << 1 << QByteArray("l") << "0";
    QTest::newRow("typing other text selects none") << -1 << "x" << 2 << QByteArray() << "0.0";
    QTest::newRow("an emptied field selects none") << 0 << "" << 2 << QByteArray() << "0.0";
}

void TstTForm1::polling()
{
    QFETCH(int, picked);
    QFETCH(QString, typed);
    QFETCH(int, ticks);
    QFETCH(QByteArray, sent);
    QFETCH(QString, readout);

    PtyBoard &board = newBoard();
    TForm1 &form = openForm(board, true);
    QVERIFY(form.Timer1->isActive());
    QCOMPARE(form.Timer1->interval(), 1000);
    form.Timer1->stop();
    QCOMPARE(form.selectedChannel(), -1);

    form.ComboBox1->setCurrentIndex(picked);
    if (!typed.isNull()) {
        form.ComboBox1->lineEdit()->clear();
        QTest::keyClicks(form.ComboBox1->lineEdit(), typed);
    }
    for (int i = 0; i < ticks; ++i)
        form.Timer1Timer(nullptr);
    QCOMPARE(collectSent(board, int(sent.size())), sent);
    QCOMPARE(form.Label1->text(), readout);
}

void TstTForm1::changingChannel()
{
    PtyBoard &board = newBoard();
    TForm1 &form = openForm(board);
    form.ComboBox1->setCurrentIndex(0);
    form.Timer1Timer(nullptr);
    QCOMPARE(collectSent(board, 1), QByteArray("k"));

    // The reply to "k" comes in after the user moved on to channel 5.
    form.ComboBox1->setCurrentIndex(4);
    board.send(QByteArray::fromHex("0002"));
    QTRY_COMPARE_WITH_TIMEOUT(form.Series1->Count(), 1, kWaitMs);
    form.Timer1Timer(nullptr);
    QCOMPARE(collectSent(board, 1), QByteArray("o"));
    QCOMPARE(form.Label1->text(), pointDecimal(QStringLiteral("2.5")));
}

void TstTForm1::closing_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::newRow("close button") << true;
    QTest::newRow("close box") << false;
}

void TstTForm1::closing()
{
    QFETCH(bool, byButton);
    PtyBoard &board = newBoard();
    TForm1 &form = openForm(board);
    board.releaseSlave(); // only the program holds the device now
    QVERIFY(!board.programClosedDevice());

    if (byButton)
        form.BitBtn1->click();
    else
        form.close();
    QVERIFY(!form.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(board.programClosedDevice(), kWaitMs);
    QVERIFY(!form.ComPort1->Connected());
    QVERIFY(!form.ComLed1->isOn());
    QCOMPARE(m_boxes->shown.size(), 0);
}

void TstTForm1::setupDialog_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<bool>("otherPort");
    QTest::addColumn<int>("baudRate");
    QTest::newRow("cancelled leaves the link as it was") << false << false << 19200;
    QTest::newRow("confirmed 9600 baud is applied") << true << false << 9600;
    QTest::newRow("confirmed other port moves the link") << true << true << 9600;
}

void TstTForm1::setupDialog()
{
    QFETCH(bool, confirm);
    QFETCH(bool, otherPort);
    QFETCH(int, baudRate);
    PtyBoard &board = newBoard();
    PtyBoard &other = newBoard();
    TForm1 &form = openForm(board);
    board.releaseSlave();
    form.ComboBox1->setCurrentIndex(0);

    // A frame that arrives while the dialog is open is decoded there and then.
    bool decodedWhileOpen = false;
    whenSetupDialogOpens([&](SettingsDialog *dialog) {
        board.send(QByteArray::fromHex("0002"));
        decodedWhileOpen = QTest::qWaitFor([&] { return form.Series1->Count() == 1; }, kWaitMs);
        dialog->findChild<QComboBox *>(QStringLiteral("baudRateBox"))->setCurrentText("9600");
        if (otherPort)
            dialog->findChild<QComboBox *>(QStringLiteral("portBox"))
                ->setCurrentText(other.devicePath());
        pressDialogButton(dialog, confirm ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
    });
    form.Button1->click();
    QVERIFY(decodedWhileOpen);

    PtyBoard &linked = otherPort ? other : board;
    QCOMPARE(form.ComPort1->settings().baudRate, baudRate);
    QCOMPARE(form.ComPort1->settings().port, linked.devicePath());
    QVERIFY(form.ComPort1->Connected());
    QVERIFY(form.ComLed1->isOn());
    QCOMPARE(board.programClosedDevice(), otherPort);
    linked.send(QByteArray::fromHex("0100"));
    QTRY_COMPARE_WITH_TIMEOUT(form.Series1->Count(), 2, kWaitMs);
    form.Timer1Timer(nullptr);
    QCOMPARE(collectSent(linked, 1), QByteArray("k"));
    QCOMPARE(m_boxes->shown.size(), 0);
}

void TstTForm1::unplugAndReopen()
{
    PtyBoard &board = newBoard();
    TForm1 &form = openForm(board, true);
    board.send(QByteArray::fromHex("0002"));
    QTRY_COMPARE_WITH_TIMEOUT(form.Series1->Count(), 1, kWaitMs);
    QVERIFY(form.ComLed1->isOn());

    board.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->dismissed.size(), 1, kWaitMs);
    QVERIFY(!form.ComLed1->isOn());
    QVERIFY(!form.ComPort1->Connected());
    QVERIFY2(m_boxes->shown.first().contains(board.devicePath()),
             qPrintable(m_boxes->shown.first()));
    QTest::qWait(300); // the rest of Qt's burst, had the link stayed open
    QCOMPARE(m_boxes->shown.size(), 1);

    PtyBoard &replacement = newBoard();
    whenSetupDialogOpens([&](SettingsDialog *dialog) {
        dialog->findChild<QComboBox *>(QStringLiteral("portBox"))
            ->setCurrentText(replacement.devicePath());
        pressDialogButton(dialog, QDialogButtonBox::Ok);
    });
    form.Button1->click();
    QVERIFY(form.ComPort1->Connected());
    QVERIFY(form.ComLed1->isOn());

    // Polling resumes on the poll timer itself.
    form.ComboBox1->setCurrentIndex(1);
    QCOMPARE(collectSent(replacement, 1).left(1), QByteArray("l"));
    replacement.send(QByteArray::fromHex("ff03"));
    QTRY_COMPARE_WITH_TIMEOUT(form.Series1->Count(), 2, kWaitMs);
    QCOMPARE(m_boxes->shown.size(), 1);
}

void TstTForm1::errorStorm_data()
{
    QTest::addColumn<bool>("unplug");
    QTest::newRow("closed link: its box counts the repeats") << false;
    QTest::newRow("unplugged: the ticks' error waits its turn") << true;
}

void TstTForm1::errorStorm()
{
    QFETCH(bool, unplug);
    PtyBoard &board = newBoard();
    TForm1 &form = openForm(board);
    form.ComboBox1->setCurrentIndex(0);
    m_boxes->holdFirstMs = 500;
    form.Timer1->setInterval(20);
    form.Timer1->start();
    if (unplug)
        board.unplug();
    else
        form.ComPort1->Close();

    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->dismissed.size() >= 3, 2 * kWaitMs);
    form.Timer1->stop();

    // One box at a time, and nothing over the one being read.
    QCOMPARE(m_boxes->shownWhileFirstHeld, 1);
    QVERIFY(!m_boxes->reporterClosedWhileFirstHeld);
    QCOMPARE(m_boxes->mostOpenAtOnce, 1);
    QVERIFY2(m_boxes->shown.first().contains(board.devicePath()),
             qPrintable(m_boxes->shown.first()));

    // Every tick failed; the tick's first box told how often its error came back.
    QString tickError;
    try {
        form.ComPort1->Write("k", 1);
    } catch (const Exception &error) {
        tickError = error.Message();
    }
    QVERIFY(!tickError.isEmpty());
    const QString counted = m_boxes->dismissed.at(unplug ? 1 : 0);
    const QRegularExpressionMatch repeats =
        QRegularExpression(QStringLiteral("(\\d+)")).match(counted, tickError.size());
    QVERIFY2(repeats.hasMatch(), qPrintable(counted));
    QVERIFY(repeats.captured(1).toInt() >= 1);
    QCOMPARE(counted, ErrorReporter::boxText(tickError, repeats.captured(1).toInt()));
}

QTEST_MAIN(TstTForm1)
#include "tst_tform1.moc"
