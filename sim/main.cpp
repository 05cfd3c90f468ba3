// sensor-board-sim: the sensor board played on a pseudo-terminal, for trying the viewer
// without hardware.

#include "sim/board.h"
#include "sim/options.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int stopPipe[2] = {-1, -1};

void requestStop(int)
{
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(stopPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    try {
        options = parseOptions(argc, argv);
    } catch (const UsageError &error) {
        std::fprintf(stderr, "sensor-board-sim: %s\nTry 'sensor-board-sim --help'.\n",
                     error.what());
        return 2;
    }
    if (options.help) {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }

    if (::pipe2(stopPipe, O_CLOEXEC) != 0) {
        std::perror("sensor-board-sim: pipe");
        return 1;
    }
    struct sigaction stop = {};
    stop.sa_handler = requestStop;
    sigemptyset(&stop.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN); // whoever read our first line may be gone

    try {
        Board board(options);
        std::printf("%s\n", board.plugIn().c_str());
        std::fflush(stdout);
        board.run(stopPipe[0]);
        std::fprintf(stderr, "stopped\n");
    } catch (const std::exception &error) {
        std::fprintf(stderr, "sensor-board-sim: %s\n", error.what());
        return 1;
    }
    return 0;
}
