// Opening a recording: a million rows (11.5 days at a sample a second, as the program
// writes them under pt_BR, with an event an hour) read back. The time, and the memory the
// process holds at its peak while reading (VmHWM, reset before each read).
#include "recording/csvformat.h"
#include "recording/csvreader.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::int64_t kRows = 1000000;

// The recording, written once for every run; empty if it could not be.
QString millionRows(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    CsvFormat format{QLocale(QStringLiteral("pt_BR"))};
    QByteArray text = format.header();
    text.insert(text.size() - 1, ";evento");
    const std::int64_t startMs =
        QDateTime(QDate(2026, 12, 7), QTime(14, 30, 5, 123)).toMSecsSinceEpoch();
    for (std::int64_t i = 0; i < kRows; ++i) {
        const std::int64_t jitterMs = i % 7; // frames arrive a few ms either side of the poll
        const Sample sample{(i * 1000 + jitterMs) * 1000000, startMs + i * 1000 + jitterMs,
                            std::uint16_t(i % 1024), 2};
        format.appendRow(text, i + 1, sample, sample.steadyNs);
        text.insert(text.size() - 1, i % 3600 == 0 ? ";Evento " + QByteArray::number(i / 3600 + 1)
                                                   : QByteArray(";"));
        if (text.size() < (1 << 20))
            continue;
        if (file.write(text) != text.size())
            return {};
        text.clear();
    }
    return file.write(text) == text.size() && file.flush() ? path : QString();
}

// One line of /proc/self/status, in MiB.
double statusMiB(const QByteArray &name)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

// Opens the recording as the review window does. Argument 1: with the file out of the
// page cache first, as on the first open after a reboot.
void openRecording(benchmark::State &state)
{
    static QTemporaryDir folder;
    static const QString path = millionRows(folder.filePath("dados.csv"));
    if (path.isEmpty()) {
        state.SkipWithError("could not write the recording");
        return;
    }
    const bool cold = state.range(0) == 1;
    double peakMiB = 0;
    double beforeMiB = 0;
    std::size_t rows = 0;
    std::size_t events = 0;
    std::int64_t skipped = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (cold) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
            ::fdatasync(fd); // pages still to be written would stay
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
        QFile clearRefs("/proc/self/clear_refs"); // "5" resets VmHWM to the resident set
        if (clearRefs.open(QIODevice::WriteOnly))
            clearRefs.write("5");
        clearRefs.close();
        beforeMiB = statusMiB("VmRSS");
        state.ResumeTiming();
        RecordingRead read = readRecording(path);
        state.PauseTiming();
        peakMiB = std::max(peakMiB, statusMiB("VmHWM"));
        rows = read.samples.size();
        events = read.events.size();
        skipped = read.skippedRows;
        read = {}; // freed before the next read
        state.ResumeTiming();
    }
    state.counters["rows"] = double(rows);
    state.counters["events"] = double(events);
    state.counters["skipped"] = double(skipped);
    state.counters["fileMiB"] = double(QFile(path).size()) / (1024 * 1024);
    state.counters["peakMiB"] = peakMiB;     // the whole process at its peak
    state.counters["beforeMiB"] = beforeMiB; // the process before the read
}
BENCHMARK(openRecording)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
