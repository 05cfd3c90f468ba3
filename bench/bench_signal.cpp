// What each frame costs as the signal grows: the chart is handed only the points it can
// show, so neither cost below should depend on how many points are held.
#include "acquisition/frameassembler.h"
#include "acquisition/signalpoints.h"
#include "ui/lineseries.h"
#include "ui/signalchart.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

// The scenario's line: the board's 19200 baud, 10 bits a character.
constexpr double kBoardByteTimeMs = 10 * 1000.0 / 19200;

SignalPoints filledPoints(int count)
{
    SignalPoints points;
    for (int i = 0; i < count; ++i)
        points.append(i, (i % 1024) * 5.0 / 1024.0);
    return points;
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
    SignalChart chart;
    LineSeries series;
};

// The chart's x range out of all the points held.
void withinChartRange(benchmark::State &state)
{
    const SignalPoints points = filledPoints(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(points.within(0.0, 100.0));
}
BENCHMARK(withinChartRange)->Arg(101)->Arg(65536);

// Handing the visible points to a shown chart's line, as after each new point.
void lineSeriesFlush(benchmark::State &state)
{
    ShownChart shown;
    LineSeries &series = shown.series;
    for (int i = 0; i < state.range(0); ++i)
        series.AppendPoint(i, (i % 1024) * 5.0 / 1024.0);
    series.flush();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        series.setVisibleRange(0.0, 100.0); // marks the line out of date, as a new point does
        series.flush();
    }
    state.counters["visible"] = double(series.line()->count());
}
BENCHMARK(lineSeriesFlush)->Arg(100)->Arg(10000)->Arg(65536)->Unit(benchmark::kMicrosecond);

// For contrast: a line handed every point held, which is what the window avoids.
void replaceWithAllPoints(benchmark::State &state)
{
    ShownChart shown;
    LineSeries &series = shown.series;
    const SignalPoints points = filledPoints(int(state.range(0)));
    const QList<QPointF> all = points.within(0.0, double(state.range(0)));
    QCoreApplication::processEvents();
    for (auto _ : state)
        series.line()->replace(all);
}
BENCHMARK(replaceWithAllPoints)->Arg(10000)->Arg(65536)->Unit(benchmark::kMicrosecond);

// One 4 KiB read of a continuous stream, cut into frames.
void takeStreamChunk(benchmark::State &state)
{
    std::vector<ArrivedByte> waiting;
    waiting.push_back({0x12, 0}); // half a frame left from the previous read
    for (int i = 1; i < 4096; ++i)
        waiting.push_back({std::uint8_t(i * 37), 2});
    const FrameAssembler assembler(kBoardByteTimeMs);
    for (auto _ : state)
        benchmark::DoNotOptimize(assembler.take(waiting));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(waiting.size()));
}
BENCHMARK(takeStreamChunk);

} // namespace

int main(int argc, char **argv)
{
    // The chart needs a QApplication; no display is needed for it.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
