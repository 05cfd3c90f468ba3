// Feeds arbitrary files to the recording reader and checks what it must never do: crash,
// take a reading or channel off the board's scale, let time run back, point an event past
// the samples, refuse a file it read samples from (or keep one it refused), or read a file
// differently depending on how its bytes arrive.
//
// The input is a step byte (bytes handed out per read, 1 to 64) and the file.
#include "recording/csvreader.h"

#include <QBuffer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "reader invariant broken: %s\n", what);
        std::abort();
    }
}

// Hands out at most `step` bytes a read, as a pipe or a slow disk may.
class Trickle : public QIODevice
{
public:
    Trickle(QByteArray data, qint64 step)
        : m_data(std::move(data))
        , m_step(step)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 size) override
    {
        const qint64 n = std::min({size, m_step, qint64(m_data.size()) - m_at});
        std::memcpy(data, m_data.constData() + m_at, size_t(n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_step;
    qint64 m_at = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    QByteArray file(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    QBuffer whole(&file);
    whole.open(QIODevice::ReadOnly);
    const RecordingRead read = readRecording(whole);

    check(read.refusal.isEmpty() == !read.samples.empty(), "refused exactly when no sample");
    std::int64_t lastNs = 0;
    for (const Sample &sample : read.samples) {
        check(sample.reading <= 1023 && sample.channel <= 5, "reading and channel on scale");
        check(sample.steadyNs >= lastNs, "time runs forward");
        lastNs = sample.steadyNs;
    }
    std::size_t next = 0;
    for (const auto &[index, text] : read.events) {
        check(index >= next && index < read.samples.size(), "one event a sample, in order");
        check(!text.isEmpty(), "an event has a text");
        next = index + 1;
    }
    const qint64 lines = file.count('\n') + file.count('\r') + 1;
    check((read.skippedRows > 0) == (read.firstSkippedLine > 0), "a skipped row has a line");
    check(read.firstSkippedLine <= lines, "the line is in the file");

    Trickle trickle(file, 1 + data[0] % 64);
    const RecordingRead slow = readRecording(trickle);
    bool same = slow.refusal == read.refusal && slow.samples.size() == read.samples.size()
                && slow.events == read.events && slow.skippedRows == read.skippedRows
                && slow.firstSkippedLine == read.firstSkippedLine;
    for (std::size_t i = 0; same && i < read.samples.size(); ++i) {
        const Sample &a = slow.samples[i];
        const Sample &b = read.samples[i];
        same = a.steadyNs == b.steadyNs && a.wallMs == b.wallMs && a.reading == b.reading
               && a.channel == b.channel;
    }
    check(same, "the same file read the same, however its bytes arrive");
    return 0;
}
