#pragma once

#include "board.h"
#include "screen.h"

#include "ui/windowdesign.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace e2e {

// How much of everything one run measures.
struct Settings
{
    int runs = 5;
    int launches = 6;         // start-ups of each program per run
    double idleMs = 3000;     // idle CPU window
    int isolatedFrames = 100; // one frame every 50 ms
    int pairedFrames = 100;   // two frames in one write every 50 ms
    int streamFrames = 90;    // one frame every 10 ms, per pass
    int streamPasses = 3;
    double slowStreamMs = 5000; // the 960 frames/s window
    double fastStreamMs = 4000; // the 46,080 frames/s window
    double prerollMs = 300;     // streamed before each window, to fill the chart
    double learnMs = 1000;      // a window's look settles within this
    double watchMs = 300;       // a starting window's pixels are watched this long once painted
    bool quick = false;

    // A few seconds in all: only checks that everything still works.
    static Settings quickRun();
};

// The viewer's window, as laid out (no window manager: no frame), on the screen.
constexpr Rect kWindow{kWindowPosition.x(), kWindowPosition.y(), kWindowOuterSize.width(),
                       kWindowOuterSize.height()};

// Times from the process's start, ms.
struct StartUp
{
    double firstDrawn = 0; // something drawn over the window's place
    double painted = 0;    // the window's centre in its final colour
    double lastChange = 0; // the window's pixels last changed
};

// Colours of each program's window centre once painted, learnt at first sight.
using Looks = std::map<std::string, uint32_t>;

// One start-up of `argv`, watched until its pixels have been still for a while.
StartUp startUp(Screen &screen, Board &board, const std::vector<std::string> &argv,
                const Settings &s, Looks &looks);
// The time the sandbox alone takes, running `true`.
double sandboxAlone(Board &board);

// A stream of frames and what it cost the viewer.
struct Load
{
    std::string name;
    double rate;   // frames/s
    bool clearing; // "Limpar Gráfico" clicked every 100 ms, so the chart keeps drawing
};
const std::vector<Load> &loads();

// Everything measured on one viewer in one run, but its start-up.
struct ViewerRun
{
    std::vector<double> isolated, paired, stream; // latencies, ms
    int missed = 0;                               // frames never seen drawn
    double idleCpuPercent = 0, idleRss = 0;
    std::map<std::string, double> cpu, rss, rate; // by load
    // At 46,080 frames/s with the chart full, not recording and then recording (started
    // with Ctrl+R and a name typed into the dialog, as a user does), in pairs: CPU µs per
    // frame, and the rows the files hold against the frames sent while recording.
    std::vector<double> plainCpu, recordingCpu;
    long recordedRows = 0, recordedFrames = 0;
    // Recording onto a disk whose every sync takes 500 ms: isolated frames' latencies, ms,
    // and the rows the file holds against the frames sent while recording.
    std::vector<double> slowDisk;
    long slowDiskRows = 0, slowDiskFrames = 0;
};

// `records`: the viewer has the recording command, and its cost is measured too.
ViewerRun measureViewer(Screen &screen, const std::string &binary, const Settings &s,
                        const Looks &looks, bool records = false);
// Isolated frames drawn while recording onto a slow disk, its every fdatasync made to
// last 500 ms (strace's fault injection), into `run`.
void measureSlowDisk(Screen &screen, const std::string &binary, const Settings &s,
                     const Looks &looks, ViewerRun &run);

} // namespace e2e
