#include "frameassembler.h"
#include "sampleframe.h"

#include <QRandomGenerator>
#include <QTest>

#include <deque>

// The link's input as the receive handler sees it: chunks arrive stamped with their
// arrival time, each chunk raises a notification (unless held back, as when the event
// loop was busy), and the handler takes what FrameAssembler::take() says.
class LinkInput
{
public:
    void arrive(std::int64_t atMs, const QByteArray &bytes, bool notify = true)
    {
        for (char byte : bytes)
            m_queue.push_back({static_cast<std::uint8_t>(byte), atMs});
        if (notify)
            notification();
    }

    void notification()
    {
        const std::vector<ArrivedByte> waiting(m_queue.begin(), m_queue.end());
        const FramingResult result = m_assembler.take(waiting);
        QVERIFY(result.consumed >= 0 && result.consumed <= int(waiting.size()));
        m_queue.erase(m_queue.begin(), m_queue.begin() + result.consumed);
        QVERIFY2(m_queue.size() <= 1, "input piles up");
        for (const Frame &frame : result.frames)
            frames.push_back(rawReading(frame.byte0, frame.byte1));
    }

    std::vector<std::uint16_t> frames; // raw readings, in the order they were decoded

private:
    FrameAssembler m_assembler;
    std::deque<ArrivedByte> m_queue;
};

namespace {

constexpr std::int64_t kPollMs = 1000;

QByteArray reply(std::uint16_t raw)
{
    const char bytes[kFrameSize] = {char(raw & 0xFF), char(raw >> 8)};
    return QByteArray(bytes, kFrameSize);
}

// A reply either arrives whole or one byte per notification, 1 ms apart.
void deliverReply(LinkInput &link, std::int64_t atMs, std::uint16_t raw, bool split)
{
    const QByteArray bytes = reply(raw);
    if (!split)
        return link.arrive(atMs, bytes);
    link.arrive(atMs, bytes.left(1));
    link.arrive(atMs + 1, bytes.mid(1));
}

} // namespace

class TestFraming : public QObject
{
    Q_OBJECT
private slots:
    void strayByteDoesNotShiftLaterFrames_data();
    void strayByteDoesNotShiftLaterFrames();
    void pendingRepliesAllDecodeInOrder_data();
    void pendingRepliesAllDecodeInOrder();
    void fullRateStreamInAnyChunking_data();
    void fullRateStreamInAnyChunking();
    void recoversWithinTwoPollsAfterGarbage();
};

void TestFraming::strayByteDoesNotShiftLaterFrames_data()
{
    QTest::addColumn<std::int64_t>("strayAtMs");
    QTest::addColumn<bool>("firstReplySplit");
    QTest::newRow("stray mid-way, reply whole") << std::int64_t(500) << false;
    QTest::newRow("stray just after a reply") << std::int64_t(20) << false;
    QTest::newRow("stray mid-way, reply in two notifications") << std::int64_t(500) << true;
}

void TestFraming::strayByteDoesNotShiftLaterFrames()
{
    QFETCH(std::int64_t, strayAtMs);
    QFETCH(bool, firstReplySplit);
    LinkInput link;
    deliverReply(link, 0, 100, false);
    link.arrive(strayAtMs, QByteArray(1, char(0xA5)));
    const std::vector<std::uint16_t> later = {512, 1023, 7, 300};
    for (std::size_t i = 0; i < later.size(); ++i)
        deliverReply(link, kPollMs * std::int64_t(i + 1), later[i], firstReplySplit && i == 0);

    // Only a reply split across notifications can be paired with the stray: that one
    // frame is lost, and the replies after it are whole again.
    QCOMPARE(link.frames.size(), std::size_t(5));
    if (firstReplySplit)
        link.frames[1] = later[0];
    QCOMPARE(link.frames, std::vector<std::uint16_t>({100, 512, 1023, 7, 300}));
}

void TestFraming::pendingRepliesAllDecodeInOrder_data()
{
    QTest::addColumn<std::int64_t>("secondAfterMs");
    QTest::addColumn<bool>("notifyBetween");
    QTest::addColumn<int>("firstChunk"); // bytes of the four delivered in the first chunk
    QTest::newRow("board answers twice, one chunk") << std::int64_t(0) << false << 4;
    QTest::newRow("board answers twice, chunks of 3 and 1") << std::int64_t(0) << true << 3;
    QTest::newRow("two replies held back, 5 ms apart") << std::int64_t(5) << false << 2;
    QTest::newRow("two replies held back, a poll apart") << kPollMs << false << 2;
}

void TestFraming::pendingRepliesAllDecodeInOrder()
{
    QFETCH(std::int64_t, secondAfterMs);
    QFETCH(bool, notifyBetween);
    QFETCH(int, firstChunk);
    LinkInput link;
    const QByteArray both = reply(1) + reply(1022);
    link.arrive(0, both.left(firstChunk), notifyBetween || firstChunk == 4);
    if (firstChunk < 4)
        link.arrive(secondAfterMs, both.mid(firstChunk));
    QCOMPARE(link.frames, std::vector<std::uint16_t>({1, 1022}));
}

void TestFraming::fullRateStreamInAnyChunking_data()
{
    QTest::addColumn<int>("minChunk");
    QTest::addColumn<int>("maxChunk");
    for (int size = 1; size <= 7; ++size)
        QTest::addRow("chunks of %d", size) << size << size;
    QTest::newRow("random chunks of 1..64") << 1 << 64;
    QTest::newRow("random chunks of 1..4096") << 1 << 4096;
}

void TestFraming::fullRateStreamInAnyChunking()
{
    QFETCH(int, minChunk);
    QFETCH(int, maxChunk);
    QRandomGenerator random(std::uint32_t(minChunk * 1000 + maxChunk));
    constexpr int kFrames = 20000;
    QByteArray stream;
    std::vector<std::uint16_t> sent;
    for (int i = 0; i < kFrames; ++i) {
        sent.push_back(std::uint16_t(random.bounded(1024)));
        stream += reply(sent.back());
    }
    // 19200 baud, 10 bits a byte: 0.52 ms per byte; a chunk is stamped when it lands.
    LinkInput link;
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype size =
            qMin<qsizetype>(random.bounded(minChunk, maxChunk + 1), stream.size() - at);
        at += size;
        link.arrive(std::int64_t(double(at) * 0.52), stream.mid(at - size, size));
        if (QTest::currentTestFailed())
            return;
    }
    QCOMPARE(link.frames, sent);
}

void TestFraming::recoversWithinTwoPollsAfterGarbage()
{
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        QRandomGenerator random(seed);
        LinkInput link;
        // A burst of noise in random chunks and gaps, then the line goes quiet.
        std::int64_t now = 0;
        const int burst = random.bounded(1, 300);
        for (int sent = 0; sent < burst;) {
            const int size = qMin(random.bounded(1, 9), burst - sent);
            QByteArray noise(size, Qt::Uninitialized);
            for (char &byte : noise)
                byte = char(random.bounded(256));
            now += random.bounded(0, 150);
            link.arrive(now, noise);
            sent += size;
        }
        const std::size_t beforeReplies = link.frames.size();
        const bool firstSplit = random.bounded(2) == 1;
        const std::vector<std::uint16_t> replies = {11, 222, 333, 444};
        for (std::size_t i = 0; i < replies.size(); ++i)
            deliverReply(link, now + kPollMs * std::int64_t(i + 1), replies[i],
                         firstSplit && i == 0);
        if (QTest::currentTestFailed())
            return;
        // A left-over noise byte can only be paired with half of a split first reply;
        // from the second poll on every reply decodes.
        std::vector<std::uint16_t> after(link.frames.begin() + beforeReplies, link.frames.end());
        QCOMPARE(after.size(), replies.size());
        if (firstSplit)
            after.front() = replies.front();
        QVERIFY2(after == replies, qPrintable(QStringLiteral("seed %1").arg(seed)));
    }
}

QTEST_APPLESS_MAIN(TestFraming)
#include "tst_framing.moc"
