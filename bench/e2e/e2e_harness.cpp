// The viewer measured from outside, as a user's screen and serial line see it. It runs
// the real binary (and the previous redraw behaviour, built beside it) in a bubblewrap
// sandbox that binds a pseudo-terminal as /dev/ttyS1, plays the board on the master side
// and watches the chart's pixels through the X server. Prints one Markdown table.
//
//   e2e_harness --viewer BIN --previous BIN --bare BIN [--runs N] [--quick]
//
// Needs DISPLAY on an X server with a black root window (Xvfb -br) and nothing else
// on screen; bench/run-e2e.sh sets that up.
#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

// ---- time -------------------------------------------------------------------------

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void sleepUntil(double ms)
{
    timespec ts{};
    ts.tv_sec = time_t(ms / 1e3);
    ts.tv_nsec = long((ms - double(ts.tv_sec) * 1e3) * 1e6);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

void sleepMs(double ms)
{
    sleepUntil(nowMs() + ms);
}

[[noreturn]] void fail(const std::string &what)
{
    throw std::runtime_error(what);
}

// ---- the viewer's window, as laid out (no window manager: no frame) ------------------

struct Rect
{
    int x, y, w, h;
};
constexpr int kWindowX = 289, kWindowY = 118;
constexpr Rect kChart{kWindowX + 64, kWindowY + 112, 609, 250};
constexpr int kClearX = kWindowX + 320 + 44, kClearY = kWindowY + 392 + 12; // "Limpar Gráfico"
constexpr int kProbeX = kWindowX + 437, kProbeY = kWindowY + 250;           // the window's centre

bool intersects(const xcb_rectangle_t &a, const Rect &b)
{
    return a.x < b.x + b.w && b.x < a.x + a.width && a.y < b.y + b.h && b.y < a.y + a.height;
}

// ---- the X server ------------------------------------------------------------------

// The screen, read back through the X server. The server reports every drawing on the
// screen (DAMAGE), so watching a region costs nothing until something is drawn there;
// the pixels are then read to see what it was.
class Screen
{
public:
    Screen()
        : m_c(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_c))
            fail("cannot connect to the X server named by DISPLAY");
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        const xcb_query_extension_reply_t *damage = xcb_get_extension_data(m_c, &xcb_damage_id);
        if (!damage || !damage->present)
            fail("the X server has no DAMAGE extension");
        m_damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
        std::free(
            xcb_damage_query_version_reply(m_c, xcb_damage_query_version(m_c, 1, 1), nullptr));
        xcb_damage_create(m_c, xcb_generate_id(m_c), m_root,
                          XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        xcb_flush(m_c);
    }

    // Forgets what was drawn so far.
    void forgetDrawing()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_c))
            std::free(event);
    }

    // The time something is drawn over `where`, or nothing by `untilMs`.
    std::optional<double> waitForDrawing(const Rect &where, double untilMs)
    {
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_c)) {
                const bool hit =
                    (event->response_type & 0x7f) == m_damageEvent
                    && intersects(reinterpret_cast<xcb_damage_notify_event_t *>(event)->area,
                                  where);
                std::free(event);
                if (hit)
                    return nowMs();
            }
            if (xcb_connection_has_error(m_c))
                fail("lost the X server");
            const double left = untilMs - nowMs();
            if (left <= 0)
                return std::nullopt;
            pollfd fd{xcb_get_file_descriptor(m_c), POLLIN, 0};
            const timespec timeout{time_t(left / 1e3), long(std::fmod(left, 1e3) * 1e6)};
            ppoll(&fd, 1, &timeout, nullptr);
        }
    }
    ~Screen() { xcb_disconnect(m_c); }

    std::vector<uint32_t> grab(Rect r)
    {
        auto cookie = xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, int16_t(r.x),
                                    int16_t(r.y), uint16_t(r.w), uint16_t(r.h), ~0u);
        xcb_get_image_reply_t *reply = xcb_get_image_reply(m_c, cookie, nullptr);
        if (!reply)
            fail("GetImage failed");
        std::vector<uint32_t> pixels(size_t(r.w) * size_t(r.h));
        const size_t bytes = std::min(size_t(xcb_get_image_data_length(reply)), pixels.size() * 4);
        std::memcpy(pixels.data(), xcb_get_image_data(reply), bytes);
        std::free(reply);
        for (uint32_t &p : pixels)
            p &= 0xffffff;
        return pixels;
    }
    uint32_t pixel(int x, int y) { return grab({x, y, 1, 1})[0]; }

    // A left click as a person's mouse makes it (XTEST, as xdotool does).
    void click(int x, int y)
    {
        xcb_test_fake_input(m_c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, int16_t(x),
                            int16_t(y), 0);
        xcb_test_fake_input(m_c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(m_c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_c);
    }

private:
    xcb_connection_t *m_c;
    xcb_window_t m_root;
    uint8_t m_damageEvent = 0;
};

int channelDiff(uint32_t a, uint32_t b)
{
    int most = 0;
    for (int shift : {0, 8, 16})
        most = std::max(most, std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)));
    return most;
}

// ---- the board -----------------------------------------------------------------------

class Board
{
public:
    Board()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            fail("cannot open a pseudo-terminal");
        m_path = ptsname(m_master);
        // Held open so the line never hangs up between two programs' runs.
        m_slave = open(m_path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    ~Board()
    {
        close(m_slave);
        close(m_master);
    }
    const std::string &path() const { return m_path; }

    void send(const std::string &bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno != EINTR)
                fail("write to the pseudo-terminal failed");
            done += n > 0 ? size_t(n) : 0;
        }
    }
    // Whatever the program wrote (it sends nothing unless a channel is picked).
    void drain()
    {
        char buffer[256];
        const int flags = fcntl(m_master, F_GETFL);
        fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
        while (read(m_master, buffer, sizeof buffer) > 0) {
        }
        fcntl(m_master, F_SETFL, flags);
    }

    static std::string frame(double volts)
    {
        const int reading = std::clamp(int(volts * 1024 / 5), 0, 1023);
        return {char(reading & 0xff), char(reading >> 8)};
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

// ---- a program in the sandbox ------------------------------------------------------

class Sandboxed
{
public:
    // Starts `argv` with `device` bound as /dev/ttyS1 and a lock directory of its own (so
    // no other program's lock on ttyS1 gets in the way). The sandbox dies with us.
    Sandboxed(const std::vector<std::string> &argv, const std::string &device)
    {
        std::vector<std::string> all = {"bwrap", "--dev-bind", "/", "/", "--dev", "/dev"};
        all.insert(all.end(), {"--dev-bind", device, "/dev/ttyS1"});
        all.insert(all.end(), {"--perms", "01777", "--tmpfs", "/run/lock"});
        all.insert(all.end(), {"--die-with-parent", "--info-fd", "3", "--"});
        all.insert(all.end(), argv.begin(), argv.end());
        std::vector<char *> args;
        for (std::string &a : all)
            args.push_back(a.data());
        args.push_back(nullptr);

        int info[2];
        if (pipe2(info, O_CLOEXEC) != 0)
            fail("pipe failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, info[1], 3);
        started = nowMs();
        const int err = posix_spawnp(&m_bwrap, "bwrap", &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(info[1]);
        if (err != 0) {
            close(info[0]);
            fail("cannot start bwrap: " + std::string(strerror(err)));
        }
        std::string text;
        char buffer[256];
        ssize_t n;
        while (text.find('}') == std::string::npos
               && (n = read(info[0], buffer, sizeof buffer)) > 0)
            text.append(buffer, size_t(n));
        close(info[0]);
        const size_t key = text.find("\"child-pid\":");
        if (key == std::string::npos) {
            stop();
            fail("bwrap did not start " + argv[0]);
        }
        m_child = pid_t(std::atoi(text.c_str() + key + 12));
    }
    ~Sandboxed() { stop(); }
    Sandboxed(const Sandboxed &) = delete;
    Sandboxed &operator=(const Sandboxed &) = delete;

    pid_t pid() const { return m_child; }
    bool running() const
    {
        if (!m_ended && waitpid(m_bwrap, nullptr, WNOHANG) != 0)
            m_ended = true; // bwrap ends once its program has
        return !m_ended;
    }

    // CPU time of the program so far, in ms: the scheduler's count for each of its threads
    // (to the nanosecond), or utime + stime (to the clock tick) where that is not kept.
    double cpuMs() const
    {
        const std::string proc = "/proc/" + std::to_string(m_child);
        double total = 0;
        bool counted = false;
        if (DIR *tasks = opendir((proc + "/task").c_str())) {
            while (dirent *task = readdir(tasks)) {
                std::ifstream sched(proc + "/task/" + task->d_name + "/sched");
                std::string line;
                while (std::getline(sched, line))
                    if (line.rfind("se.sum_exec_runtime", 0) == 0) {
                        total += std::stod(line.substr(line.find(':') + 1));
                        counted = true;
                    }
            }
            closedir(tasks);
        }
        if (counted)
            return total;
        std::ifstream stat(proc + "/stat");
        std::string line;
        std::getline(stat, line);
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i >= 14)
                ticks += std::stod(field); // 14 utime, 15 stime
        return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
    }
    double rssMiB() const
    {
        std::ifstream status("/proc/" + std::to_string(m_child) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmRSS:", 0) == 0)
                return std::stod(line.substr(6)) / 1024.0;
        return 0;
    }

    void stop()
    {
        if (!running())
            return;
        if (m_child > 0)
            kill(m_child, SIGTERM);
        for (int i = 0; i < 300 && running(); ++i)
            sleepMs(10);
        if (running()) {
            if (m_child > 0)
                kill(m_child, SIGKILL);
            kill(m_bwrap, SIGKILL);
            waitpid(m_bwrap, nullptr, 0);
            m_ended = true;
        }
    }

    double started = 0;

private:
    pid_t m_bwrap = -1;
    pid_t m_child = -1;
    mutable bool m_ended = false;
};

// ---- statistics ----------------------------------------------------------------------

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    const double rank = p / 100.0 * double(v.size() - 1);
    const size_t low = size_t(std::floor(rank));
    const size_t high = std::min(low + 1, v.size() - 1);
    return v[low] + (v[high] - v[low]) * (rank - double(low));
}
double median(const std::vector<double> &v)
{
    return percentile(v, 50);
}

// ---- the measurements ----------------------------------------------------------------

struct Settings
{
    int runs = 5;
    int launches = 5;         // start-ups per program and run
    double idleMs = 3000;     // idle CPU window
    int isolatedFrames = 100; // frames 50 ms apart
    int streamFrames = 90;    // frames 10 ms apart, per pass
    int streamPasses = 3;
    double slowMs = 5000; // 960 frames/s window
    double fastMs = 4000; // 46,080 frames/s window
    double prerollMs = 300;
    double learnMs = 1000; // a window's look settles within this
    bool quick = false;
};

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

// Start-up times, ms: process start to the window's centre painted in its final colour.
std::vector<double> startUps(Screen &screen, Board &board, const std::vector<std::string> &argv,
                             const Settings &s, std::map<std::string, uint32_t> &colours)
{
    const std::string key = argv.back();
    if (!colours.count(key)) { // first sight: learn what the painted window looks like
        Sandboxed program(argv, board.path());
        if (!waitForPaint(screen, program, std::nullopt, 10000))
            fail(argv[0] + " showed no window");
        sleepMs(s.learnMs);
        colours[key] = screen.pixel(kProbeX, kProbeY);
        program.stop();
        waitForBlack(screen);
    }
    std::vector<double> times;
    for (int i = 0; i < s.launches; ++i) {
        screen.forgetDrawing();
        Sandboxed program(argv, board.path());
        const auto painted = waitForPaint(screen, program, colours[key], 10000);
        if (!painted)
            fail(argv[0] + " did not paint its window");
        times.push_back(*painted - program.started);
        program.stop();
        waitForBlack(screen);
    }
    return times;
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
    board.send(Board::frame(kLow));
    sleepMs(kSettleMs);
    auto before = screen.grab(kChart);
    board.send(Board::frame(kHigh));
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
        flat += Board::frame(kLow);
    board.send(flat);
    sleepMs(kSettleMs);
    before = screen.grab(kChart);
    board.send(Board::frame(kHigh));
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

// Frame-to-pixel latencies, ms, of `count` frames written `spacingMs` apart: each frame
// draws a steep segment whose crossing of the mid-height row is watched. A frame never
// seen counts in `missed`.
std::vector<double> latencies(Screen &screen, Board &board, const ChartPlacement &chart, int count,
                              double spacingMs, int &missed)
{
    clearChart(screen);
    board.send(Board::frame(kLow)); // sample 0
    sleepMs(kSettleMs);
    const int left = int(std::lround(chart.firstCrossing)) - 4;
    const Rect strip{left, chart.row - 1, int(std::lround(chart.crossing(count))) + 5 - left, 3};
    const std::vector<uint32_t> baseline = screen.grab(strip);

    std::vector<double> written(size_t(count) + 1, 0), seen(size_t(count) + 1, 0);
    screen.forgetDrawing();
    const double start = nowMs();
    const double deadline = start + count * spacingMs + 500;
    int next = 1, firstPending = 1;
    double drawn = start; // when what the strip is about to show was drawn, at the latest
    while (firstPending <= count && nowMs() < deadline) {
        if (next <= count && nowMs() >= start + (next - 1) * spacingMs) {
            const std::string frame = Board::frame(next % 2 ? kHigh : kLow);
            written[size_t(next)] = nowMs();
            board.send(frame);
            ++next;
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
            next <= count ? std::min(start + (next - 1) * spacingMs, nowMs() + 20) : nowMs() + 20;
        drawn = screen.waitForDrawing(strip, wake).value_or(nowMs());
    }
    std::vector<double> result;
    for (int k = 1; k <= count; ++k) {
        if (seen[size_t(k)] != 0)
            result.push_back(seen[size_t(k)] - written[size_t(k)]);
        else
            ++missed;
    }
    return result;
}

// A stream at `rate` frames/s for `ms`; when `clearing`, "Limpar Gráfico" is clicked every
// 100 ms so the chart keeps drawing. Returns CPU µs per frame; adds the achieved rate.
double cpuPerFrame(Screen &screen, Board &board, const Sandboxed &viewer, double rate, double ms,
                   double prerollMs, bool clearing, double &achievedRate)
{
    long sample = 0;
    auto stream = [&](double length, bool measure) {
        const double start = nowMs();
        double nextClick = start + 100;
        long sent = 0;
        for (double tick = start; tick < start + length; tick += 1.0) {
            sleepUntil(tick);
            const long due = long(rate * (nowMs() - start) / 1000.0) - sent;
            std::string bytes;
            for (long i = 0; i < due; ++i, ++sample)
                bytes += Board::frame(2.5 + 2.0 * std::sin(double(sample) / 40.0));
            board.send(bytes);
            sent += due;
            if (clearing && nowMs() >= nextClick) {
                screen.click(kClearX, kClearY);
                nextClick += 100;
            }
        }
        if (measure)
            achievedRate = double(sent) * 1000.0 / (nowMs() - start);
        return sent;
    };
    stream(prerollMs, false);
    sleepMs(50);
    const double cpu0 = viewer.cpuMs();
    const long frames = stream(ms, true);
    sleepMs(100); // what is still on the line
    const double cpu1 = viewer.cpuMs();
    return (cpu1 - cpu0) * 1000.0 / double(frames);
}

// ---- one run of every measurement ----------------------------------------------------

struct ViewerRun
{
    std::vector<double> startUp;
    std::vector<double> isolated, stream; // latencies
    int missed = 0;
    double idleCpuPercent = 0, idleRss = 0;
    std::map<std::string, double> cpu, rss, rate;
};

const std::vector<std::pair<std::string, std::pair<double, bool>>> kLoads = {
    {"960 frames/s, chart full", {960, false}},
    {"960 frames/s, chart being cleared", {960, true}},
    {"46,080 frames/s, chart full", {46080, false}},
    {"46,080 frames/s, chart being cleared", {46080, true}},
};

ViewerRun measureViewer(Screen &screen, const std::string &binary, const Settings &s,
                        std::map<std::string, uint32_t> &colours)
{
    ViewerRun run;
    Board board;
    run.startUp = startUps(screen, board, {binary}, s, colours);

    Sandboxed viewer({binary}, board.path());
    if (!waitForPaint(screen, viewer, colours[binary], 10000))
        fail(binary + " did not paint its window");
    sleepMs(500);
    const double idle0 = viewer.cpuMs();
    sleepMs(s.idleMs);
    run.idleCpuPercent = (viewer.cpuMs() - idle0) / s.idleMs * 100.0;
    run.idleRss = viewer.rssMiB();

    const ChartPlacement chart = placeChart(screen, board);
    run.isolated = latencies(screen, board, chart, s.isolatedFrames, 50.0, run.missed);
    for (int pass = 0; pass < s.streamPasses; ++pass) {
        const auto more = latencies(screen, board, chart, s.streamFrames, 10.0, run.missed);
        run.stream.insert(run.stream.end(), more.begin(), more.end());
    }
    for (const auto &[name, load] : kLoads) {
        const double ms = load.first > 1000 ? s.fastMs : s.slowMs;
        run.cpu[name] = cpuPerFrame(screen, board, viewer, load.first, ms, s.prerollMs, load.second,
                                    run.rate[name]);
        run.rss[name] = viewer.rssMiB();
    }
    board.drain();
    if (!viewer.running())
        fail(binary + " ended during the measurements");
    viewer.stop();
    waitForBlack(screen);
    return run;
}

// ---- the table -----------------------------------------------------------------------

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

template <typename Pick> std::vector<double> across(const std::vector<ViewerRun> &runs, Pick pick)
{
    std::vector<double> all;
    for (const ViewerRun &run : runs) {
        const auto values = pick(run);
        all.insert(all.end(), values.begin(), values.end());
    }
    return all;
}

} // namespace

int main(int argc, char **argv)
{
    Settings s;
    std::string viewer, previous, bare;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&] {
            if (i + 1 >= argc)
                fail(arg + " needs a value");
            return std::string(argv[++i]);
        };
        if (arg == "--viewer")
            viewer = value();
        else if (arg == "--previous")
            previous = value();
        else if (arg == "--bare")
            bare = value();
        else if (arg == "--runs")
            s.runs = std::stoi(value());
        else if (arg == "--quick") {
            s = Settings{1, 1, 200, 5, 10, 1, 400, 400, 100, 300, true};
        } else {
            std::fprintf(stderr,
                         "usage: %s --viewer BIN --previous BIN --bare BIN [--runs N] [--quick]\n",
                         argv[0]);
            return 2;
        }
    }
    if (viewer.empty() || previous.empty() || bare.empty()) {
        std::fprintf(stderr, "--viewer, --previous and --bare are needed\n");
        return 2;
    }

    try {
        Screen screen;
        if (screen.pixel(kProbeX, kProbeY) != 0)
            fail("the screen is not empty and black (start Xvfb with -br)");
        std::map<std::string, uint32_t> colours;
        std::vector<ViewerRun> before, after;
        std::vector<double> bareWindow, bareChart, sandboxOnly;
        for (int run = 0; run < s.runs; ++run) {
            std::fprintf(stderr, "run %d of %d\n", run + 1, s.runs);
            // Alternate the order so that a drift in the machine's load hits both alike.
            if (run % 2 == 0) {
                before.push_back(measureViewer(screen, previous, s, colours));
                after.push_back(measureViewer(screen, viewer, s, colours));
            } else {
                after.push_back(measureViewer(screen, viewer, s, colours));
                before.push_back(measureViewer(screen, previous, s, colours));
            }
            Board board;
            for (double t : startUps(screen, board, {bare, "window"}, s, colours))
                bareWindow.push_back(t);
            for (double t : startUps(screen, board, {bare, "chart"}, s, colours))
                bareChart.push_back(t);
            for (int i = 0; i < s.launches; ++i) {
                Sandboxed nothing({"true"}, board.path());
                while (nothing.running())
                    sleepMs(0.2);
                sandboxOnly.push_back(nowMs() - nothing.started);
            }
        }

        std::vector<std::vector<std::string>> rows;
        auto row = [&](const std::string &what, const std::string &old, const std::string &now,
                       const std::string &ratio) {
            rows.push_back({what, old, now, ratio});
        };
        // Ratios are taken within each run (same load on the machine), then their median.
        auto ratio = [&](auto pick) {
            std::vector<double> r;
            for (size_t i = 0; i < before.size(); ++i)
                r.push_back(pick(after[i]) / pick(before[i]));
            return fixed(median(r), 2);
        };
        auto medianOf = [](const std::vector<ViewerRun> &runs, auto pick) {
            std::vector<double> v;
            for (const ViewerRun &run : runs)
                v.push_back(pick(run));
            return median(v);
        };

        auto startUp = [](const ViewerRun &r) { return median(r.startUp); };
        row("start-up to window painted, ms (median)", fixed(medianOf(before, startUp), 1),
            fixed(medianOf(after, startUp), 1), ratio(startUp));
        row("  bare Qt window, same sandbox, ms", "", fixed(median(bareWindow), 1), "");
        row("  bare window with one QChartView, ms", "", fixed(median(bareChart), 1), "");
        row("  the sandbox alone (bwrap running true), ms", "", fixed(median(sandboxOnly), 1), "");
        auto isolated = [](const ViewerRun &r) { return r.isolated; };
        auto stream = [](const ViewerRun &r) { return r.stream; };
        row("isolated frame to pixel, ms p50 / p90 / p99 / max", spread(across(before, isolated)),
            spread(across(after, isolated)),
            ratio([](const ViewerRun &r) { return percentile(r.isolated, 99); }) + " (p99)");
        row("frames every 10 ms to pixel, ms p50 / p90 / p99 / max", spread(across(before, stream)),
            spread(across(after, stream)),
            ratio([](const ViewerRun &r) { return percentile(r.stream, 90); }) + " (p90)");
        auto missed = [](const ViewerRun &r) { return double(r.missed); };
        row("frames never drawn (of those watched)", fixed(medianOf(before, missed), 0),
            fixed(medianOf(after, missed), 0), "");
        auto idle = [](const ViewerRun &r) { return r.idleCpuPercent; };
        row("idle CPU with the port open, % of one core", fixed(medianOf(before, idle), 2),
            fixed(medianOf(after, idle), 2), "");
        auto idleRss = [](const ViewerRun &r) { return r.idleRss; };
        row("memory idle (RSS), MiB", fixed(medianOf(before, idleRss), 1),
            fixed(medianOf(after, idleRss), 1), ratio(idleRss));
        for (const auto &[name, load] : kLoads) {
            const std::string key = name;
            auto cpu = [key](const ViewerRun &r) { return r.cpu.at(key); };
            auto rss = [key](const ViewerRun &r) { return r.rss.at(key); };
            auto rate = [key](const ViewerRun &r) { return r.rate.at(key); };
            row("CPU per frame, µs: " + name + " (achieved " + fixed(medianOf(after, rate), 0)
                    + "/s)",
                fixed(medianOf(before, cpu), 2), fixed(medianOf(after, cpu), 2), ratio(cpu));
            row("  memory after it (RSS), MiB", fixed(medianOf(before, rss), 1),
                fixed(medianOf(after, rss), 1), ratio(rss));
        }

        std::printf("| measure | previous: every change waits 16 ms | now: leading edge | now / "
                    "previous |\n");
        std::printf("|---|---|---|---|\n");
        for (const auto &r : rows)
            std::printf("| %s | %s | %s | %s |\n", r[0].c_str(), r[1].c_str(), r[2].c_str(),
                        r[3].c_str());
        std::printf("\n%d run(s); latency percentiles over every frame watched in all runs "
                    "(%zu isolated, %zu streamed per program); other figures are medians of "
                    "the runs' values, ratios the median of each run's ratio.\n",
                    s.runs, across(after, isolated).size(), across(after, stream).size());

        // The redraw's targets, checked on these figures.
        if (s.quick)
            std::printf("\nA quick run is too short to judge the targets below.");
        auto verdict = [](bool met) { return met ? "met" : "NOT met"; };
        const double isolatedP99 = percentile(across(after, isolated), 99);
        const double streamP90 = percentile(across(after, stream), 90);
        const std::string fullStream = "46,080 frames/s, chart full";
        // Compared within each run, as the ratios in the table are.
        const auto fullStreamCpu = [&](const ViewerRun &r) { return r.cpu.at(fullStream); };
        const double cpuNow = medianOf(after, fullStreamCpu);
        const double cpuBefore = medianOf(before, fullStreamCpu);
        std::vector<double> cpuRatios;
        for (size_t i = 0; i < before.size(); ++i)
            cpuRatios.push_back(fullStreamCpu(after[i]) / fullStreamCpu(before[i]));
        std::printf("\nisolated frame on screen within 2 ms (p99): %s (%s ms)\n",
                    verdict(isolatedP99 <= 2.0), fixed(isolatedP99, 2).c_str());
        std::printf(
            "frames every 10 ms on screen within one refresh period, 16 ms (p90): %s (%s ms)\n",
            verdict(streamP90 <= 16.0), fixed(streamP90, 1).c_str());
        std::printf("CPU per frame at 46,080 frames/s, chart full, no higher than before (5 %% "
                    "allowed for noise): %s (ratio %s; %s vs %s µs)\n",
                    verdict(median(cpuRatios) <= 1.05), fixed(median(cpuRatios), 2).c_str(),
                    fixed(cpuNow, 2).c_str(), fixed(cpuBefore, 2).c_str());
        auto missedAll =
            across(after, [](const ViewerRun &r) { return std::vector<double>{double(r.missed)}; });
        std::printf("no frame left undrawn: %s\n",
                    verdict(std::all_of(missedAll.begin(), missedAll.end(),
                                        [](double m) { return m == 0; })));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "e2e_harness: %s\n", error.what());
        return 1;
    }
    return 0;
}
