// Times whole processes side by side: every round runs each command once, the order turning
// from round to round so that no command always runs on a warm or a cold machine, and the
// report gives each command's median and its ratio to the first command's.
//
//   qm_paired_runs [--settle] [--every SECONDS] ROUNDS -- COMMAND ARGS... -- COMMAND ARGS...
//
// Each command is started directly (no shell), its output thrown away. With --settle each
// command starts on settled file systems: what the command before it left unwritten is
// written out first (sync, untimed), so that a command that makes its own files durable does
// not also pay for writing out the files of a command that did not. With --every each command
// starts SECONDS after the one before, as a person or a script running one export now and then
// would start them. The report ends with the load average at the end.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

double RunOnce(const std::vector<char*>& argv, bool& ok) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) < 0) {
        ok = false;
        return 0;
    }
    const auto end = std::chrono::steady_clock::now();
    ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    const char* program = argv[0];
    const bool settle = argc > 1 && std::strcmp(argv[1], "--settle") == 0;
    if (settle) {
        --argc;
        ++argv;
    }
    double every = 0;
    if (argc > 2 && std::strcmp(argv[1], "--every") == 0) {
        every = std::atof(argv[2]);
        argc -= 2;
        argv += 2;
    }
    if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
        std::fprintf(stderr,
                     "usage: %s [--settle] [--every SECONDS] ROUNDS -- COMMAND ARGS... "
                     "[-- COMMAND ARGS...]\n",
                     program);
        return 2;
    }
    const int rounds = std::atoi(argv[1]);
    std::vector<std::vector<char*>> commands;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            commands.emplace_back();
            continue;
        }
        commands.back().push_back(argv[i]);
    }
    for (auto& c : commands)
        c.push_back(nullptr);
    std::vector<std::vector<double>> times(commands.size());
    for (int r = 0; r < rounds; ++r)
        for (std::size_t k = 0; k < commands.size(); ++k) {
            const std::size_t c = (k + static_cast<std::size_t>(r)) % commands.size();
            if (settle) sync();
            if (every > 0 && (r > 0 || k > 0))
                std::this_thread::sleep_for(std::chrono::duration<double>(every));
            bool ok = false;
            const double ms = RunOnce(commands[c], ok);
            if (!ok) {
                std::fprintf(stderr, "failed: %s\n", commands[c][0]);
                return 1;
            }
            times[c].push_back(ms);
        }
    const double first = Median(times[0]);
    for (std::size_t c = 0; c < commands.size(); ++c) {
        std::string line;
        for (char* const* a = commands[c].data(); *a; ++a)
            line += std::string(*a) + " ";
        const double m = Median(times[c]);
        std::printf("%9.2f ms  x%.2f  %s\n", m, m / first, line.c_str());
    }
    double load[3] = {};
    if (getloadavg(load, 3) == 3)
        std::printf("           load average %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    return 0;
}
