#include "sandbox.h"

#include "clock.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace e2e {

Sandboxed::Sandboxed(const std::vector<std::string> &argv, const std::string &device)
{
    std::vector<std::string> all = {"bwrap", "--dev-bind", "/", "/", "--dev", "/dev"};
    all.insert(all.end(), {"--dev-bind", device, "/dev/ttyS1"});
    // Where Qt locks a port by its name, private as in the launcher's sandbox.
    char lockDir[PATH_MAX];
    if (realpath("/var/lock", lockDir))
        all.insert(all.end(), {"--perms", "01777", "--tmpfs", lockDir});
    // bwrap tells the program's PID on fd 3, for its CPU time and memory.
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
    m_started = nowMs();
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
    while (text.find('}') == std::string::npos && (n = read(info[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, size_t(n));
    close(info[0]);
    const size_t key = text.find("\"child-pid\":");
    if (key == std::string::npos) {
        stop();
        fail("bwrap did not start " + argv[0]);
    }
    m_child = pid_t(std::atoi(text.c_str() + key + 12));
}

Sandboxed::~Sandboxed()
{
    stop();
}

bool Sandboxed::running() const
{
    if (!m_ended && waitpid(m_bwrap, nullptr, WNOHANG) != 0)
        m_ended = true; // bwrap ends once its program has
    return !m_ended;
}

double Sandboxed::cpuMs() const
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

double Sandboxed::rssMiB() const
{
    std::ifstream status("/proc/" + std::to_string(m_child) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

void Sandboxed::stop()
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

} // namespace e2e
