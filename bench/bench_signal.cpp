// What each frame costs as the signal grows: the chart is handed only the points it can
// show, so neither cost below should depend on how many points are held.
#include "acquisition/frameassembler.h"
#include "acquisition/samplefeed.h"
#include "protocol/boardprotocol.h"
#include "recording/sessionrecorder.h"
#include "ui/lineseries.h"
#include "ui/signalchart.h"
#include "ui/windowdesign.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

// Sample i, a second after the one before, its reading a sawtooth.
Sample sawtooth(std::int64_t i)
{
    return {i * 1000000000, 0, std::uint16_t(i % 1024), 1};
}

SampleStore filledStore(int count)
{
    SampleStore store;
    for (int i = 0; i < count; ++i)
        store.append(sawtooth(i));
    return store;
}

// A chart on screen (offscreen) drawing one series, as in the window.
struct ShownChart
{
    ShownChart()
    {
        chart.addSeries(&series);
        chart.resize(875, 380);
        chart.show();
    }
    void add(double y)
    {
        const std::int64_t x = store.count();
        store.append({x * 1000000000, 0, readingForVoltage(y), 1});
        series.AppendPoint(double(x), y);
    }
    SignalChart chart;
    SampleStore store;
    LineSeries series{store};
};

// The chart's x range out of all the samples held.
void withinChartRange(benchmark::State &state)
{
    const SampleStore store = filledStore(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(tracePoints(store, 0.0, kFixedSpanX));
}
BENCHMARK(withinChartRange)->Arg(101)->Arg(1 << 20);

// Handing the visible points to a shown chart's line when its end changes: the range is
// narrowed by a sample and widened again, so the sample at x = 100 comes and goes.
void lineSeriesFlush(benchmark::State &state)
{
    ShownChart shown;
    LineSeries &series = shown.series;
    for (int i = 0; i < state.range(0); ++i)
        shown.add((i % 1024) * 5.0 / 1024.0);
    series.flush();
    QCoreApplication::processEvents();
    bool narrow = false;
    for (auto _ : state) {
        series.setVisibleRange(0.0, (narrow = !narrow) ? kFixedSpanX - 1.0 : kFixedSpanX);
        series.flush();
    }
    state.counters["visible"] = double(series.drawnPoints().size());
}
BENCHMARK(lineSeriesFlush)->Arg(10000)->Arg(65536)->Unit(benchmark::kMicrosecond);

// For contrast: a line handed every point held, which is what the window avoids.
void replaceWithAllPoints(benchmark::State &state)
{
    ShownChart shown;
    LineSeries &series = shown.series;
    const QList<QPointF> all =
        tracePoints(filledStore(int(state.range(0))), 0.0, double(state.range(0)));
    QCoreApplication::processEvents();
    for (auto _ : state)
        series.pieces().constFirst()->replace(all);
}
BENCHMARK(replaceWithAllPoints)->Arg(10000)->Arg(65536)->Unit(benchmark::kMicrosecond);

// One 4 KiB read of a continuous stream, cut into frames.
void takeStreamChunk(benchmark::State &state)
{
    std::vector<ArrivedByte> waiting;
    waiting.push_back({0x12, 0}); // half a frame left from the previous read
    for (int i = 1; i < 4096; ++i)
        waiting.push_back({std::uint8_t(i * 37), 2});
    const FrameAssembler assembler(kDefaultByteTimeMs); // the board's own line
    for (auto _ : state)
        benchmark::DoNotOptimize(assembler.take(waiting));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(waiting.size()));
}
BENCHMARK(takeStreamChunk);

// Counts a widget's paints, to wait for the next one.
struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// The chart in the window, with a zigzag line of `count` points drawn.
struct ZigzagChart : ShownChart
{
    explicit ZigzagChart(int count)
    {
        chart.resize(kChart1Geometry.size()); // as in the window
        chart.viewport()->installEventFilter(&counter);
        draw(count, 0);
    }
    // Draws `count` points anew, the zigzag starting low or (phase 1) high.
    void draw(int count, int phase)
    {
        store.clear();
        series.ClearPoints();
        for (int i = 0; i < count; ++i)
            add(y(i + phase));
        refresh();
    }
    static double y(int x) { return x % 2 ? 4.5 : 0.5; }
    // Hands the changes over now, and returns once the chart has painted them.
    void refresh()
    {
        const int painted = counter.paints;
        series.flush();
        for (int turns = 0; counter.paints == painted && turns < 100; ++turns)
            QCoreApplication::processEvents();
    }
    PaintCounter counter;
};

// The whole line drawn anew, as after a clear: every point of `range` changed, and the
// chart repainted where the line is, background, grid and labels under it included.
void chartRefresh(benchmark::State &state)
{
    ZigzagChart shown(int(state.range(0)));
    int phase = 0;
    for (auto _ : state)
        shown.draw(int(state.range(0)), phase ^= 1);
    // 1 when every round painted once, as a frame does.
    state.counters["paints"] =
        benchmark::Counter(shown.counter.paints, benchmark::Counter::kAvgIterations);
}
BENCHMARK(chartRefresh)->Arg(11)->Arg(101)->Unit(benchmark::kMicrosecond);

// A refresh as an isolated frame gets it: one point added to a line of `range` points.
void newPointRefresh(benchmark::State &state)
{
    const int count = int(state.range(0));
    ZigzagChart shown(count);
    for (auto _ : state) {
        state.PauseTiming(); // back to `count` points, and every paint due done
        shown.draw(count, 0);
        for (int turns = 0; turns < 20; ++turns)
            QCoreApplication::processEvents();
        state.ResumeTiming();
        shown.add(ZigzagChart::y(count));
        shown.refresh();
    }
}
BENCHMARK(newPointRefresh)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

// The whole session under review redrawn, as when its range moves: the points thinned to
// the plot's pixel columns, handed to the line and painted. The range alternates between
// every point and all but the last, so each round recomputes all of it.
void wholeSessionRedraw(benchmark::State &state)
{
    const int count = int(state.range(0));
    ZigzagChart shown(count);
    shown.chart.setWholeSessionView(true);
    shown.refresh();
    bool whole = false;
    for (auto _ : state) {
        if ((whole = !whole))
            shown.series.reviewWholeSession();
        else
            shown.series.review(0.0, count - 2.0);
        shown.refresh();
    }
    state.counters["drawn"] = double(shown.series.drawnPoints().size());
    state.counters["columns"] = shown.chart.chart()->plotArea().width();
    state.counters["paints"] =
        benchmark::Counter(shown.counter.paints, benchmark::Counter::kAvgIterations);
}
BENCHMARK(wholeSessionRedraw)->Arg(86400)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// The heap in use, in MiB.
double heapMiB()
{
    const struct mallinfo2 heap = mallinfo2();
    return double(heap.uordblks + heap.hblkhd) / (1024.0 * 1024.0);
}

// The memory the session's store takes full to its bound (the `MiB` counter), over ten
// days at a sample a second by default.
void fullSampleStore(benchmark::State &state)
{
    for (auto _ : state) {
        const double before = heapMiB();
        SampleStore store(state.range(0));
        for (int i = 0; i < 2 * state.range(0); ++i)
            store.append(sawtooth(i));
        state.counters["MiB"] = heapMiB() - before;
    }
}
BENCHMARK(fullSampleStore)
    ->Arg(SampleStore::kDefaultCapacity)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// What one sample costs the window's thread on its way: into the store, to the recording
// (whose rows are written on a thread of its own; argument 1) and to the chart, 46 to a
// read as at 46,080 frames a second.
void sampleIntake(benchmark::State &state)
{
    SampleFeed feed;
    LineSeries series(feed.store());
    SignalChart chart;
    chart.addSeries(&series);
    chart.resize(609, 250);
    chart.show();
    QTemporaryDir folder;
    SessionRecorder recorder(QLocale::c());
    if (state.range(0) == 1) {
        recorder.start(folder.filePath("dados.csv"));
        feed.connect(&recorder);
    }
    std::int64_t x = 0;
    for (auto _ : state) {
        const LineSeries::Batch oneRead(series);
        for (int frame = 0; frame < 46; ++frame, ++x) {
            feed.add(sawtooth(x));
            series.AppendPoint(double(x), 2.5);
        }
    }
    state.SetItemsProcessed(state.iterations() * 46);
}
BENCHMARK(sampleIntake)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
