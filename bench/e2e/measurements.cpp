#include "measurements.h"

#include "clock.h"
#include "sandbox.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace e2e {
namespace {

constexpr Rect kChart{kWindow.x + kChart1Geometry.x(), kWindow.y + kChart1Geometry.y(),
                      kChart1Geometry.width(), kChart1Geometry.height()};
// The middle of "Limpar Gráfico".
constexpr int kClearX = kWindow.x + kButton4Geometry.center().x(),
              kClearY = kWindow.y + kButton4Geometry.center().y();
// The window's centre.
constexpr int kProbeX = kWindow.x + kWindow.w / 2, kProbeY = kWindow.y + kWindow.h / 2;
constexpr int kPointerRestX = 1270, kPointerRestY = 1010; // off the window

constexpr double kLow = 0.5, kHigh = 4.5; // volts: the segment between crosses mid-height
constexpr double kSettleMs = 80;

// Waits until the probe pixel shows `colour` (or anything but black when none given).
std::optional<double> waitForPaint(Screen &screen, const Sandboxed &program,
                                   std::optional<uint32_t> colour, double timeoutMs)
{
    const double deadline = nowMs() + timeoutMs;
    double drawn = nowMs();
    while (drawn < deadline) {
        const uint32_t p = screen.pixel(kProbeX, kProbeY);
        if (colour ? p == *colour : p != 0)
            return drawn;
        if (!program.running())
            return std::nullopt;
        // Looked at again when something is drawn there, and every 5 ms in any case.
        drawn = screen.waitForDrawing({kProbeX, kProbeY, 1, 1}, nowMs() + 5).value_or(nowMs());
    }
    return std::nullopt;
}

void waitForBlack(Screen &screen)
{
    const double deadline = nowMs() + 3000;
    while (screen.pixel(kProbeX, kProbeY) != 0 && nowMs() < deadline)
        sleepMs(5);
}

// Where on screen the chart draws: the row at mid-height of the plot and the column
// where the segment from sample k-1 to sample k crosses it.
struct ChartPlacement
{
    int row = 0;
    double firstCrossing = 0; // k = 1
    double step = 0;          // per sample
    double crossing(int k) const { return firstCrossing + (k - 1) * step; }
};

void clearChart(Screen &screen)
{
    screen.click(kClearX, kClearY);
    sleepMs(kSettleMs);
}

// Column centre of what changed in `row` between two grabs of the chart.
std::optional<double> changedCentre(const std::vector<uint32_t> &before,
                                    const std::vector<uint32_t> &after, int row)
{
    double weight = 0, sum = 0;
    for (int x = 0; x < kChart.w; ++x) {
        const int d =
            channelDiff(before[size_t(row * kChart.w + x)], after[size_t(row * kChart.w + x)]);
        if (d > 40) {
            weight += d;
            sum += d * x;
        }
    }
    if (weight == 0)
        return std::nullopt;
    return kChart.x + sum / weight;
}

ChartPlacement placeChart(Screen &screen, Board &board)
{
    ChartPlacement placement;
    clearChart(screen);
    board.send(frame(kLow));
    sleepMs(kSettleMs);
    auto before = screen.grab(kChart);
    board.send(frame(kHigh));
    sleepMs(kSettleMs);
    auto after = screen.grab(kChart);
    int top = -1, bottom = -1;
    for (int y = 0; y < kChart.h; ++y)
        for (int x = 0; x < kChart.w; ++x)
            if (channelDiff(before[size_t(y * kChart.w + x)], after[size_t(y * kChart.w + x)])
                > 40) {
                top = top < 0 ? y : top;
                bottom = y;
            }
    if (top < 0)
        fail("no line appeared in the chart");
    const int row = (top + bottom) / 2;
    const auto first = changedCentre(before, after, row);

    // Fifty samples later: a flat line, then one segment up.
    clearChart(screen);
    std::string flat;
    for (int i = 0; i < 50; ++i)
        flat += frame(kLow);
    board.send(flat);
    sleepMs(kSettleMs);
    before = screen.grab(kChart);
    board.send(frame(kHigh));
    sleepMs(kSettleMs);
    after = screen.grab(kChart);
    const auto fiftieth = changedCentre(before, after, row);
    if (!first || !fiftieth)
        fail("cannot find where the line crosses the chart");
    placement.row = kChart.y + row;
    placement.firstCrossing = *first;
    placement.step = (*fiftieth - *first) / 49.0;
    if (placement.step < 2 || placement.step > 12)
        fail("implausible chart scale");
    return placement;
}

// Write-to-pixel latencies, ms, of `count` frames written `perWrite` at a time, one write
// every `spacingMs`: each frame draws a steep segment whose crossing of the mid-height row
// is watched, and a write counts when all its frames are on screen. A frame never seen
// counts in `missed`.
std::vector<double> latencies(Screen &screen, Board &board, const ChartPlacement &chart, int count,
                              int perWrite, double spacingMs, int &missed)
{
    clearChart(screen);
    board.send(frame(kLow)); // sample 0
    sleepMs(kSettleMs);
    const int left = int(std::lround(chart.firstCrossing)) - 4;
    const Rect strip{left, chart.row - 1, int(std::lround(chart.crossing(count))) + 5 - left, 3};
    const std::vector<uint32_t> baseline = screen.grab(strip);

    std::vector<double> written(size_t(count) + 1, 0), seen(size_t(count) + 1, 0);
    screen.forgetDrawing();
    const int writes = (count + perWrite - 1) / perWrite;
    const double start = nowMs();
    const double deadline = start + writes * spacingMs + 500;
    int next = 1, firstPending = 1, write = 0;
    double drawn = start; // when what the strip is about to show was drawn, at the latest
    while (firstPending <= count && nowMs() < deadline) {
        if (next <= count && nowMs() >= start + write * spacingMs) {
            std::string bytes;
            const double now = nowMs();
            for (int i = 0; i < perWrite && next <= count; ++i, ++next) {
                bytes += frame(next % 2 ? kHigh : kLow);
                written[size_t(next)] = now;
            }
            board.send(bytes);
            ++write;
        }
        const std::vector<uint32_t> image = screen.grab(strip);
        for (int k = firstPending; k < next; ++k) {
            const int centre = int(std::lround(chart.crossing(k))) - strip.x;
            for (int y = 0; y < strip.h; ++y)
                for (int x = centre - 1; x <= centre + 1; ++x)
                    if (seen[size_t(k)] == 0
                        && channelDiff(image[size_t(y * strip.w + x)],
                                       baseline[size_t(y * strip.w + x)])
                               > 40)
                        seen[size_t(k)] = std::max(drawn, written[size_t(k)]);
        }
        while (firstPending < next && seen[size_t(firstPending)] != 0)
            ++firstPending;
        // Looked at again when something is drawn on the strip (the X server reports every
        // drawing), and every 20 ms in any case. Reading the screen back more often would
        // load the X server and the cores the viewer needs: polling every 2 ms added about
        // 0.3 ms to the 99th percentile of an isolated frame.
        const double wake =
            next <= count ? std::min(start + write * spacingMs, nowMs() + 20) : nowMs() + 20;
        drawn = screen.waitForDrawing(strip, wake).value_or(nowMs());
    }
    std::vector<double> result;
    for (int first = 1; first <= count; first += perWrite) {
        double latest = 0;
        for (int k = first; k < first + perWrite && k <= count; ++k) {
            if (seen[size_t(k)] == 0)
                ++missed;
            latest = std::max(latest, seen[size_t(k)]);
        }
        if (std::all_of(seen.begin() + first, seen.begin() + std::min(first + perWrite, count + 1),
                        [](double t) { return t != 0; }))
            result.push_back(latest - written[size_t(first)]);
    }
    return result;
}

// A stream at `load.rate` frames/s for `ms`. Returns CPU µs per frame; sets the achieved
// rate.
double cpuPerFrame(Screen &screen, Board &board, const Sandboxed &viewer, const Load &load,
                   double ms, double prerollMs, double &achievedRate, long *framesSent = nullptr)
{
    long sample = 0;
    auto stream = [&](double length, bool measure) {
        const double start = nowMs();
        double nextClick = start + 100;
        long sent = 0;
        for (double tick = start; tick < start + length; tick += 1.0) {
            sleepUntil(tick);
            const long due = long(load.rate * (nowMs() - start) / 1000.0) - sent;
            std::string bytes;
            for (long i = 0; i < due; ++i, ++sample)
                bytes += frame(2.5 + 2.0 * std::sin(double(sample) / 40.0));
            board.send(bytes);
            sent += due;
            if (load.clearing && nowMs() >= nextClick) {
                screen.click(kClearX, kClearY);
                nextClick += 100;
            }
        }
        if (measure)
            achievedRate = double(sent) * 1000.0 / (nowMs() - start);
        return sent;
    };
    const long preroll = stream(prerollMs, false);
    sleepMs(50);
    const double cpu0 = viewer.cpuMs();
    const long frames = stream(ms, true);
    sleepMs(100); // what is still on the line
    const double cpu1 = viewer.cpuMs();
    if (framesSent)
        *framesSent += preroll + frames;
    return (cpu1 - cpu0) * 1000.0 / double(frames);
}

// Runs xdotool with `args`; fails the benchmark if it fails (or takes over 30 s).
void xdotool(std::vector<std::string> args)
{
    args.insert(args.begin(), {"timeout", "30", "xdotool"});
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t child = -1;
    int status = 0;
    if (posix_spawnp(&child, "timeout", nullptr, nullptr, argv.data(), environ) != 0
        || waitpid(child, &status, 0) != child || status != 0)
        fail("xdotool failed: " + args[3]);
}

// Keys typed as a person types them (XTEST) into the window named `title`, once it is
// there (the viewer's main window, by its class, when no title is given) and has the
// keyboard.
void typeInto(const std::string &title, const std::vector<std::string> &keys)
{
    std::vector<std::string> search = {"search", "--sync", "--onlyvisible"};
    if (title.empty())
        search.insert(search.end(), {"--classname", "^sensor-viewer$"});
    else
        search.insert(search.end(), {"--name", "^" + title + "$"});
    search.insert(search.end(), {"windowfocus", "--sync"});
    xdotool(search);
    xdotool(keys);
}

long linesIn(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::count(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>(), '\n');
}

// Starts a recording into `path` as a user does: Ctrl+R, the name typed into the dialog.
void startRecording(const std::string &path)
{
    typeInto("", {"key", "ctrl+r"});
    typeInto("Gravar continuamente", {"key", "ctrl+a", "type", path});
    typeInto("Gravar continuamente", {"key", "Return"});
    for (double deadline = nowMs() + 5000; linesIn(path) == 0; sleepMs(20))
        if (nowMs() > deadline)
            fail("the recording did not start: no header in " + path);
}

// The fastest stream, not recording and then recording, in turn three times: what the
// recording costs, and whether every frame became a row. Pairs taken back to back see
// the same load on the machine.
void measureRecording(Screen &screen, Board &board, const Sandboxed &viewer, const Settings &s,
                      ViewerRun &run)
{
    const Load fast{"46,080 frames/s, chart full", 46080, false};
    char folder[] = "/tmp/e2e-recording-XXXXXX";
    if (!mkdtemp(folder))
        fail("no scratch folder for the recording");
    for (int pair = 0; pair < (s.quick ? 1 : 3); ++pair) {
        // A name of its own: typed over a file's the dialog has just listed, Return would
        // take the completion offered instead.
        const std::string path = std::string(folder) + "/" + std::to_string(pair) + ".csv";
        double rate = 0;
        const double plain =
            cpuPerFrame(screen, board, viewer, fast, s.fastStreamMs, s.prerollMs, rate);
        startRecording(path);
        // What the file dialog does as it goes (the window painted again under it, its
        // folder reader ending) is not the recording's cost.
        sleepMs(1000);
        long frames = 0;
        const double recording =
            cpuPerFrame(screen, board, viewer, fast, s.fastStreamMs, s.prerollMs, rate, &frames);
        typeInto("", {"key", "ctrl+r"}); // stops it, writing out what waits
        sleepMs(300);
        run.plainCpu.push_back(plain);
        run.recordingCpu.push_back(recording);
        run.recordedFrames += frames;
        run.recordedRows += linesIn(path) - 1;
        std::remove(path.c_str());
    }
    rmdir(folder);
}

} // namespace

Settings Settings::quickRun()
{
    Settings s;
    s.runs = 1;
    s.launches = 1;
    s.idleMs = 200;
    s.isolatedFrames = 5;
    s.pairedFrames = 6;
    s.streamFrames = 10;
    s.streamPasses = 1;
    s.slowStreamMs = 400;
    s.fastStreamMs = 400;
    s.prerollMs = 100;
    s.learnMs = 300;
    s.watchMs = 100;
    s.quick = true;
    return s;
}

StartUp startUp(Screen &screen, Board &board, const std::vector<std::string> &argv,
                const Settings &s, Looks &looks)
{
    const std::string key = argv.back();
    if (!looks.count(key)) { // first sight: learn what the painted window looks like
        Sandboxed program(argv, board.device());
        if (!waitForPaint(screen, program, std::nullopt, 10000))
            fail(argv[0] + " showed no window");
        sleepMs(s.learnMs);
        looks[key] = screen.pixel(kProbeX, kProbeY);
        program.stop();
        waitForBlack(screen);
    }
    const size_t probe = size_t((kProbeY - kWindow.y) * kWindow.w + kProbeX - kWindow.x);
    // The pointer away from the window: Xvfb starts it at the screen's centre, over
    // "Limpar Gráfico", whose hover highlight would be drawn a few ms after the window.
    screen.movePointer(kPointerRestX, kPointerRestY);
    std::vector<uint32_t> shown = screen.grab(kWindow);
    screen.forgetDrawing();
    Sandboxed program(argv, board.device());
    StartUp times;
    bool painted = false;
    double until = program.started() + 10000;
    for (;;) {
        const std::optional<double> drawn = screen.waitForDrawing(kWindow, until);
        if (!drawn) {
            if (!painted)
                fail(argv[0] + " did not paint its window");
            break;
        }
        // What was drawn until now is read back at once: one look for a burst of drawing.
        screen.forgetDrawing();
        std::vector<uint32_t> now = screen.grab(kWindow);
        const double since = *drawn - program.started();
        if (times.firstDrawn == 0)
            times.firstDrawn = since;
        if (now != shown) {
            times.lastChange = since;
            shown = std::move(now);
        }
        if (!painted && shown[probe] == looks[key]) {
            painted = true;
            times.painted = since;
            until = *drawn + s.watchMs;
        }
    }
    program.stop();
    waitForBlack(screen);
    return times;
}

double sandboxAlone(Board &board)
{
    Sandboxed nothing({"true"}, board.device());
    while (nothing.running())
        sleepMs(0.2);
    return nowMs() - nothing.started();
}

const std::vector<Load> &loads()
{
    static const std::vector<Load> all = {
        {"960 frames/s, chart full", 960, false},
        {"960 frames/s, chart being cleared", 960, true},
        {"46,080 frames/s, chart full", 46080, false},
        {"46,080 frames/s, chart being cleared", 46080, true},
    };
    return all;
}

ViewerRun measureViewer(Screen &screen, const std::string &binary, const Settings &s,
                        const Looks &looks, bool records)
{
    ViewerRun run;
    Board board;
    Sandboxed viewer({binary}, board.device());
    if (!waitForPaint(screen, viewer, looks.at(binary), 10000))
        fail(binary + " did not paint its window");
    sleepMs(500);
    const double idle0 = viewer.cpuMs();
    sleepMs(s.idleMs);
    run.idleCpuPercent = (viewer.cpuMs() - idle0) / s.idleMs * 100.0;
    run.idleRss = viewer.rssMiB();

    const ChartPlacement chart = placeChart(screen, board);
    run.isolated = latencies(screen, board, chart, s.isolatedFrames, 1, 50.0, run.missed);
    run.paired = latencies(screen, board, chart, s.pairedFrames, 2, 50.0, run.missed);
    for (int pass = 0; pass < s.streamPasses; ++pass) {
        const auto more = latencies(screen, board, chart, s.streamFrames, 1, 10.0, run.missed);
        run.stream.insert(run.stream.end(), more.begin(), more.end());
    }
    for (const Load &load : loads()) {
        const double ms = load.rate > 1000 ? s.fastStreamMs : s.slowStreamMs;
        run.cpu[load.name] =
            cpuPerFrame(screen, board, viewer, load, ms, s.prerollMs, run.rate[load.name]);
        run.rss[load.name] = viewer.rssMiB();
    }
    if (records)
        measureRecording(screen, board, viewer, s, run);
    board.take(); // what the viewer polled is not looked at
    if (!viewer.running())
        fail(binary + " ended during the measurements");
    viewer.stop();
    waitForBlack(screen);
    return run;
}

void measureSlowDisk(Screen &screen, const std::string &binary, const Settings &s,
                     const Looks &looks, ViewerRun &run)
{
    Board board;
    // strace stops the program only at the calls it is told of (seccomp), so the rest
    // runs at full speed. Should strace end first, the program goes with it.
    Sandboxed viewer({"strace", "--seccomp-bpf", "-f", "-qq", "-o", "/dev/null", "-e",
                      "trace=fdatasync", "-e", "inject=fdatasync:delay_exit=500000", "setpriv",
                      "--pdeathsig", "KILL", "--", binary},
                     board.device());
    if (!waitForPaint(screen, viewer, looks.at(binary), 10000))
        fail(binary + " under strace did not paint its window");
    sleepMs(500);
    const ChartPlacement chart = placeChart(screen, board);
    char folder[] = "/tmp/e2e-slow-disk-XXXXXX";
    if (!mkdtemp(folder))
        fail("no scratch folder for the recording");
    const std::string path = std::string(folder) + "/dados.csv";
    startRecording(path);
    sleepMs(1000); // the dialog gone, the window painted again
    int missed = 0;
    run.slowDisk = latencies(screen, board, chart, s.isolatedFrames, 1, 50.0, missed);
    run.slowDiskFrames = 1 + s.isolatedFrames; // the first sample, then those watched
    typeInto("", {"key", "ctrl+r"}); // stops it: the last rows written, the last sync made
    sleepMs(1500);
    run.slowDiskRows = linesIn(path) - 1;
    board.take();
    // strace leaves its program running when it is itself told to end: the viewer, its
    // child, is ended first.
    std::ifstream children("/proc/" + std::to_string(viewer.pid()) + "/task/"
                           + std::to_string(viewer.pid()) + "/children");
    pid_t traced = 0;
    if (children >> traced && traced > 0) {
        kill(traced, SIGTERM);
        for (int i = 0; i < 300 && kill(traced, 0) == 0; ++i)
            sleepMs(10);
    }
    viewer.stop();
    waitForBlack(screen);
    std::remove(path.c_str());
    rmdir(folder);
}

} // namespace e2e
