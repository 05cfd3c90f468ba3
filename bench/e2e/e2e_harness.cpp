// The viewer measured from outside, as a user's screen and serial line see it. It runs
// the real binary, and the viewer as it was at an earlier revision when given one, in a
// bubblewrap sandbox that binds a pseudo-terminal as /dev/ttyS1, plays the board on the
// master side and watches the window's pixels through the X server. Prints one Markdown
// table; without an earlier viewer, its columns and the targets judged against it are
// left empty.
//
//   e2e_harness --viewer BIN [--before BIN [--before-label TEXT]] --bare BIN [--runs N]
//               [--quick]
//
// Needs DISPLAY on an X server with a black root window (Xvfb -br) and nothing else
// on screen; bench/run-e2e.sh sets that up.
#include "board.h"
#include "clock.h"
#include "measurements.h"
#include "sandbox.h"
#include "screen.h"
#include "table.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

using namespace e2e;

namespace {

struct Programs
{
    std::string viewer, before, beforeLabel = "none", bare; // no `before`: none measured
};

// One round of start-ups: each program once, in an order that turns with the round so
// that a drift in the machine's load hits all alike.
void startUpRound(Screen &screen, const Programs &p, const Settings &s, int round, Looks &looks,
                  Results &results)
{
    std::vector<std::pair<std::string, std::vector<std::string>>> programs = {
        {"now", {p.viewer}},
        {"bare window", {p.bare, "window"}},
        {"bare chart", {p.bare, "chart"}},
    };
    if (!p.before.empty())
        programs.insert(programs.begin(), {"before", {p.before}});
    Board board;
    for (size_t i = 0; i < programs.size(); ++i) {
        const auto &[name, argv] = programs[(i + size_t(round)) % programs.size()];
        results.startUps[name].push_back(startUp(screen, board, argv, s, looks));
    }
    results.sandboxAlone.push_back(sandboxAlone(board));
}

} // namespace

int main(int argc, char **argv)
{
    Settings s;
    Programs p;
    int runs = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--viewer" && hasValue)
            p.viewer = argv[++i];
        else if (arg == "--before" && hasValue)
            p.before = argv[++i];
        else if (arg == "--before-label" && hasValue)
            p.beforeLabel = argv[++i];
        else if (arg == "--bare" && hasValue)
            p.bare = argv[++i];
        else if (arg == "--runs" && hasValue)
            runs = std::stoi(argv[++i]);
        else if (arg == "--quick")
            s = Settings::quickRun();
        else {
            std::fprintf(stderr,
                         "usage: %s --viewer BIN [--before BIN [--before-label TEXT]] --bare BIN "
                         "[--runs N] [--quick]\n",
                         argv[0]);
            return 2;
        }
    }
    if (runs > 0)
        s.runs = runs;
    if (p.viewer.empty() || p.bare.empty()) {
        std::fprintf(stderr, "--viewer and --bare are needed\n");
        return 2;
    }

    try {
        Screen screen;
        if (screen.pixel(kWindow.x + kWindow.w / 2, kWindow.y + kWindow.h / 2) != 0)
            fail("the screen is not empty and black (start Xvfb with -br)");
        Looks looks;
        Results results;
        for (int run = 0; run < s.runs; ++run) {
            std::fprintf(stderr, "run %d of %d\n", run + 1, s.runs);
            for (int launch = 0; launch < s.launches; ++launch)
                startUpRound(screen, p, s, run * s.launches + launch, looks, results);
            // Alternate the order so that a drift in the machine's load hits both alike.
            const bool beforeFirst = run % 2 == 0;
            if (!p.before.empty() && beforeFirst)
                results.before.push_back(measureViewer(screen, p.before, s, looks));
            results.now.push_back(measureViewer(screen, p.viewer, s, looks, true));
            measureSlowDisk(screen, p.viewer, s, looks, results.now.back());
            if (!p.before.empty() && !beforeFirst)
                results.before.push_back(measureViewer(screen, p.before, s, looks));
        }
        printTable(results, s, p.beforeLabel);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "e2e_harness: %s\n", error.what());
        return 1;
    }
    return 0;
}
