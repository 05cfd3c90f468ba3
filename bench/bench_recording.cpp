// Opening a recording: a million rows (11.5 days at a sample a second, as the program
// writes them under pt_BR, with an event an hour) read back, and shown in its window. The
// time, and the memory the process holds at its peak (VmHWM, reset before each open). And
// the measures between cursors a million samples apart.
#include "acquisition/measures.h"
#include "recording/csvformat.h"
#include "recording/csvreader.h"
#include "ui/reviewwindow.h"
#include "ui/signalchart.h"

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
    const std::int64_t startMs =
        QDateTime(QDate(2026, 12, 7), QTime(14, 30, 5, 123)).toMSecsSinceEpoch();
    for (std::int64_t i = 0; i < kRows; ++i) {
        const std::int64_t jitterMs = i % 7; // frames arrive a few ms either side of the poll
        const Sample sample{(i * 1000 + jitterMs) * 1000000, startMs + i * 1000 + jitterMs,
                            std::uint16_t(i % 1024), 2};
        format.appendRow(text, i + 1, sample, sample.steadyNs,
                         i % 3600 == 0 ? "Evento " + QByteArray::number(i / 3600 + 1)
                                       : QByteArray());
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

// The recording, written once for every run; empty if it could not be.
QString recordingPath()
{
    static QTemporaryDir folder;
    static const QString path = millionRows(folder.filePath("dados.csv"));
    return path;
}

// Opens the recording as the review window does. Argument 1: with the file out of the
// page cache first, as on the first open after a reboot. Argument 2: all of it, the file
// read and its window built and painted (offscreen), the whole recording on its chart.
void openRecording(benchmark::State &state)
{
    const QString path = recordingPath();
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
        rows = read.samples.size();
        events = read.events.size();
        skipped = read.skippedRows;
        std::unique_ptr<ReviewWindow> window;
        if (state.range(0) == 2) {
            window = std::make_unique<ReviewWindow>(path, std::move(read), nullptr);
            window->show();
            benchmark::DoNotOptimize(window->chart()->grab());
        }
        state.PauseTiming();
        peakMiB = std::max(peakMiB, statusMiB("VmHWM"));
        read = {}; // freed before the next open
        window.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = double(rows);
    state.counters["events"] = double(events);
    state.counters["skipped"] = double(skipped);
    state.counters["fileMiB"] = double(QFile(path).size()) / (1024 * 1024);
    state.counters["peakMiB"] = peakMiB;     // the whole process at its peak
    state.counters["beforeMiB"] = beforeMiB; // the process before the read
}
BENCHMARK(openRecording)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The measures of cursors on the first and the last of a million samples, as the panel
// shows them after each move of a cursor.
void measuresOverAMillion(benchmark::State &state)
{
    SampleStore store;
    for (std::int64_t i = 0; i < kRows; ++i)
        store.append({i * 1000000000, 0, std::uint16_t(i % 1024), 2});
    for (auto _ : state)
        benchmark::DoNotOptimize(measureBetween(store, 0, kRows - 1));
}
BENCHMARK(measuresOverAMillion)->Unit(benchmark::kMillisecond);

} // namespace
