#include "table.h"

#include "statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace e2e {
namespace {

std::string fixed(double v, int decimals)
{
    if (std::isnan(v))
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string spread(const std::vector<double> &v)
{
    return fixed(percentile(v, 50), 1) + " / " + fixed(percentile(v, 90), 1) + " / "
           + fixed(percentile(v, 99), 1) + " / "
           + fixed(v.empty() ? NAN : *std::max_element(v.begin(), v.end()), 1);
}

using Pick = std::function<double(const ViewerRun &)>;
using PickAll = std::function<std::vector<double>(const ViewerRun &)>;

// Every value of all runs, pooled.
std::vector<double> across(const std::vector<ViewerRun> &runs, const PickAll &pick)
{
    std::vector<double> all;
    for (const ViewerRun &run : runs) {
        const auto values = pick(run);
        all.insert(all.end(), values.begin(), values.end());
    }
    return all;
}

double medianOf(const std::vector<ViewerRun> &runs, const Pick &pick)
{
    std::vector<double> v;
    for (const ViewerRun &run : runs)
        v.push_back(pick(run));
    return median(v);
}

// Ratios are taken within each run (same load on the machine), then their median.
double ratio(const Results &r, const Pick &pick)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < std::min(r.before.size(), r.now.size()); ++i)
        ratios.push_back(pick(r.now[i]) / pick(r.before[i]));
    return median(ratios);
}

std::vector<double> startUpTimes(const Results &r, const std::string &program,
                                 double StartUp::*field)
{
    std::vector<double> times;
    if (r.startUps.count(program))
        for (const StartUp &s : r.startUps.at(program))
            times.push_back(s.*field);
    return times;
}

// How long after something was first drawn the window's pixels last changed.
std::vector<double> settling(const Results &r, const std::string &program)
{
    std::vector<double> times;
    if (r.startUps.count(program))
        for (const StartUp &s : r.startUps.at(program))
            times.push_back(s.lastChange - s.firstDrawn);
    return times;
}

const char *verdict(bool met)
{
    return met ? "met" : "NOT met";
}

// A target set against the viewer before, which a run without one cannot judge.
const char *verdictAgainstBefore(double ratio)
{
    return std::isnan(ratio) ? "not judged, no earlier viewer measured" : verdict(ratio <= 1.05);
}

} // namespace

void printTable(const Results &r, const Settings &s, const std::string &beforeLabel)
{
    std::vector<std::vector<std::string>> rows;
    auto row = [&](const std::string &what, const std::string &before, const std::string &now,
                   const std::string &ratio) {
        rows.push_back({what, before, now, ratio});
    };

    const auto painted = [&](const std::string &program) {
        return median(startUpTimes(r, program, &StartUp::painted));
    };
    const double bareChart = painted("bare chart");
    row("start-up to window painted, ms (median)", fixed(painted("before"), 1),
        fixed(painted("now"), 1), fixed(painted("now") / painted("before"), 2));
    row("  the same, as a multiple of the bare chart's", fixed(painted("before") / bareChart, 2),
        fixed(painted("now") / bareChart, 2), "");
    row("  first drawing over the window, ms (median)",
        fixed(median(startUpTimes(r, "before", &StartUp::firstDrawn)), 1),
        fixed(median(startUpTimes(r, "now", &StartUp::firstDrawn)), 1), "");
    row("  pixels last changed, ms after the first drawing (median / max)",
        fixed(median(settling(r, "before")), 1) + " / "
            + fixed(percentile(settling(r, "before"), 100), 1),
        fixed(median(settling(r, "now")), 1) + " / "
            + fixed(percentile(settling(r, "now"), 100), 1),
        "");
    row("  bare Qt window, same sandbox, ms", "", fixed(painted("bare window"), 1), "");
    row("  bare window with one QChartView, ms", "", fixed(bareChart, 1), "");
    row("  the sandbox alone (bwrap running true), ms", "", fixed(median(r.sandboxAlone), 1), "");

    const PickAll isolated = [](const ViewerRun &v) { return v.isolated; };
    const PickAll paired = [](const ViewerRun &v) { return v.paired; };
    const PickAll stream = [](const ViewerRun &v) { return v.stream; };
    row("isolated frame to pixel, ms p50 / p90 / p99 / max", spread(across(r.before, isolated)),
        spread(across(r.now, isolated)),
        fixed(ratio(r, [](const ViewerRun &v) { return percentile(v.isolated, 90); }), 2)
            + " (p90)");
    row("two frames in one write to pixel, ms p50 / p90 / p99 / max",
        spread(across(r.before, paired)), spread(across(r.now, paired)),
        fixed(ratio(r, [](const ViewerRun &v) { return percentile(v.paired, 90); }), 2) + " (p90)");
    row("frames every 10 ms to pixel, ms p50 / p90 / p99 / max", spread(across(r.before, stream)),
        spread(across(r.now, stream)),
        fixed(ratio(r, [](const ViewerRun &v) { return percentile(v.stream, 90); }), 2) + " (p90)");
    const Pick missed = [](const ViewerRun &v) { return double(v.missed); };
    row("frames never drawn (of those watched)", fixed(medianOf(r.before, missed), 0),
        fixed(medianOf(r.now, missed), 0), "");
    const Pick idle = [](const ViewerRun &v) { return v.idleCpuPercent; };
    row("idle CPU with the port open, % of one core", fixed(medianOf(r.before, idle), 2),
        fixed(medianOf(r.now, idle), 2), "");
    const Pick idleRss = [](const ViewerRun &v) { return v.idleRss; };
    row("memory idle (RSS), MiB", fixed(medianOf(r.before, idleRss), 1),
        fixed(medianOf(r.now, idleRss), 1), fixed(ratio(r, idleRss), 2));
    for (const Load &load : loads()) {
        const std::string key = load.name;
        const Pick cpu = [key](const ViewerRun &v) { return v.cpu.at(key); };
        const Pick rss = [key](const ViewerRun &v) { return v.rss.at(key); };
        const Pick rate = [key](const ViewerRun &v) { return v.rate.at(key); };
        row("CPU per frame, µs: " + key + " (achieved " + fixed(medianOf(r.now, rate), 0) + "/s)",
            fixed(medianOf(r.before, cpu), 2), fixed(medianOf(r.now, cpu), 2),
            fixed(ratio(r, cpu), 2));
        row("  memory after it (RSS), MiB", fixed(medianOf(r.before, rss), 1),
            fixed(medianOf(r.now, rss), 1), fixed(ratio(r, rss), 2));
    }
    const PickAll plain = [](const ViewerRun &v) { return v.plainCpu; };
    const PickAll recording = [](const ViewerRun &v) { return v.recordingCpu; };
    std::vector<double> recordingRatios;
    for (const ViewerRun &v : r.now)
        for (size_t i = 0; i < v.plainCpu.size(); ++i)
            recordingRatios.push_back(v.recordingCpu[i] / v.plainCpu[i]);
    const double recordingRatio = median(recordingRatios);
    row("CPU per frame, µs, at 46,080 frames/s: not recording / recording (medians)", "",
        fixed(median(across(r.now, plain)), 2) + " / " + fixed(median(across(r.now, recording)), 2),
        "");
    std::string ratios;
    for (double ratio : recordingRatios)
        ratios += (ratios.empty() ? "" : ", ") + fixed(ratio, 2);
    row("  recording / not recording, each pair taken back to back", "", ratios, "");
    long recordedRows = 0, frames = 0;
    for (const ViewerRun &v : r.now) {
        recordedRows += v.recordedRows;
        frames += v.recordedFrames;
    }
    row("  rows recorded / frames sent while recording (all runs)", "",
        std::to_string(recordedRows) + " / " + std::to_string(frames), "");
    const PickAll slowDisk = [](const ViewerRun &v) { return v.slowDisk; };
    row("isolated frame to pixel, recording onto a disk whose syncs take 500 ms, ms p50 / p90 / "
        "p99 / max",
        "", spread(across(r.now, slowDisk)), "");
    long slowRows = 0, slowFrames = 0;
    for (const ViewerRun &v : r.now) {
        slowRows += v.slowDiskRows;
        slowFrames += v.slowDiskFrames;
    }
    row("  rows recorded / frames sent while recording onto it (all runs)", "",
        std::to_string(slowRows) + " / " + std::to_string(slowFrames), "");

    std::printf("| measure | before (%s) | now | now / before |\n", beforeLabel.c_str());
    std::printf("|---|---|---|---|\n");
    for (const auto &cells : rows)
        std::printf("| %s | %s | %s | %s |\n", cells[0].c_str(), cells[1].c_str(), cells[2].c_str(),
                    cells[3].c_str());
    std::printf("\n%d run(s); latency percentiles over every write watched in all runs (%zu "
                "isolated, %zu paired, %zu streamed per viewer); start-ups are medians of %zu "
                "launches per program, interleaved; other figures are medians of the runs' "
                "values, ratios the median of each run's ratio.\n",
                s.runs, across(r.now, isolated).size(), across(r.now, paired).size(),
                across(r.now, stream).size(), startUpTimes(r, "now", &StartUp::painted).size());

    if (s.quick)
        std::printf("\nA quick run is too short to judge the targets below.\n");
    const double isolatedP99 = percentile(across(r.now, isolated), 99);
    std::printf("\nisolated frame on screen within 2 ms (p99): %s (%s ms)\n",
                verdict(isolatedP99 <= 2.0), fixed(isolatedP99, 2).c_str());
    const double pairedP90 = percentile(across(r.now, paired), 90);
    std::printf("two frames in one write on screen within 2 ms (p90): %s (%s ms)\n",
                verdict(pairedP90 <= 2.0), fixed(pairedP90, 2).c_str());
    const double isolatedRatio =
        ratio(r, [](const ViewerRun &v) { return percentile(v.isolated, 90); });
    std::printf("isolated frame no slower than before (p90, 5 %% allowed for noise): %s (ratio "
                "%s)\n",
                verdictAgainstBefore(isolatedRatio), fixed(isolatedRatio, 2).c_str());
    const double streamP90 = percentile(across(r.now, stream), 90);
    std::printf("frames every 10 ms on screen within one refresh period, 16 ms (p90): %s (%s "
                "ms)\n",
                verdict(streamP90 <= 16.0), fixed(streamP90, 1).c_str());
    for (const char *key :
         {"46,080 frames/s, chart full", "46,080 frames/s, chart being cleared"}) {
        const double cpuRatio = ratio(r, [key](const ViewerRun &v) { return v.cpu.at(key); });
        std::printf("CPU per frame at %s no higher than before (5 %% allowed for noise): %s "
                    "(ratio %s)\n",
                    key, verdictAgainstBefore(cpuRatio), fixed(cpuRatio, 2).c_str());
    }
    std::printf("CPU per frame at 46,080 frames/s recording at most 1.2 times not recording "
                "(median of the pairs' ratios): %s (%s)\n",
                verdict(recordingRatio <= 1.2), fixed(recordingRatio, 2).c_str());
    std::printf("every frame sent while recording is a row of the file: %s\n",
                verdict(recordedRows == frames));
    const double slowDiskP90 = percentile(across(r.now, slowDisk), 90);
    std::printf("recording onto a disk whose syncs take 500 ms, an isolated frame on screen "
                "within 3 ms (p90): %s (%s ms)\n",
                verdict(slowDiskP90 <= 3.0), fixed(slowDiskP90, 2).c_str());
    std::printf("and every frame sent then is a row of the file: %s\n",
                verdict(slowRows == slowFrames));
    const double startUpRatio = painted("now") / bareChart;
    std::printf("start-up at most 1.2 times a bare window holding one chart (medians): %s (%s)\n",
                verdict(startUpRatio <= 1.2), fixed(startUpRatio, 2).c_str());
    const double settled = median(settling(r, "now"));
    std::printf("pixels last change within 2 ms of the first drawing (median): %s (%s ms)\n",
                verdict(settled <= 2.0), fixed(settled, 1).c_str());
    const std::vector<double> missedRuns =
        across(r.now, [](const ViewerRun &v) { return std::vector<double>{double(v.missed)}; });
    const bool noneMissed =
        std::all_of(missedRuns.begin(), missedRuns.end(), [](double m) { return m == 0; });
    std::printf("no frame left undrawn: %s\n", verdict(noneMissed));
}

} // namespace e2e
