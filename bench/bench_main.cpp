// The benchmark driver: `ostiva_bench` runs every case, `ostiva_bench NAME...` the named ones, `--list` lists them.
// Of several cases each runs in a process of its own, so that what one leaves in memory (the peak its runs start from,
// the state of the allocator) does not weigh on the next. The exit status is 1 when a case missed its target, failed
// or could not be measured. `ostiva_bench --job NAME FD ARGS...` is a fresh process a case runs a measured job in.

#include "Bench.h"

#include <QApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {
std::vector<Case>& registry() {
    static std::vector<Case> cases;
    return cases;
}
std::vector<Job>& jobs() {
    static std::vector<Job> all;
    return all;
}
} // namespace bench

namespace {
// Runs one case in this process; whether it met its target.
bool runCase(const bench::Case& c) {
    std::printf("== %s: %s\n", c.name, c.description);
    std::fflush(stdout);
    bench::Context context;
    const char* verdict = "FAILED";
    bool met = false;
    try {
        switch (c.run(context)) {
        case bench::Outcome::met:
            verdict = "target met";
            met = true;
            break;
        case bench::Outcome::missed:
            verdict = "target MISSED";
            break;
        case bench::Outcome::notMeasured:
            verdict = "target not measured";
            break;
        }
    } catch (const std::exception& e) { // a bench::Failure, or what the program threw
        std::printf("   failed: %s\n", e.what());
    }
    std::printf("   %s\n", verdict);
    std::fflush(stdout);
    return met;
}

// Runs one case in a new process of this program; whether it met its target.
bool runCaseAlone(const char* program, const bench::Case& c) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        char* const args[] = {const_cast<char*>(program), const_cast<char*>(c.name), nullptr};
        execv("/proc/self/exe", args);
        std::fprintf(stderr, "cannot run the case %s: %s\n", c.name, std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) std::printf("   the case %s did not finish\n", c.name);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 4 && std::strcmp(argv[1], "--job") == 0) {
        QApplication app(argc, argv);
        QStringList args;
        for (int i = 4; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        try {
            return bench::runJob(argv[2], std::atoi(argv[3]), args);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "the job %s failed: %s\n", argv[2], e.what());
            return 1;
        }
    }
    std::vector<const bench::Case*> chosen;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--list") == 0) {
            for (const auto& c : bench::registry())
                std::printf("%-24s %s\n", c.name, c.description);
            return 0;
        }
        bool found = false;
        for (const auto& c : bench::registry())
            if (std::strcmp(c.name, argv[i]) == 0) {
                chosen.push_back(&c);
                found = true;
            }
        if (!found) {
            std::fprintf(stderr, "unknown case: %s (see --list)\n", argv[i]);
            return 2;
        }
    }
    if (chosen.empty())
        for (const auto& c : bench::registry())
            chosen.push_back(&c);
    bool allMet = true;
    if (chosen.size() == 1) {
        QApplication app(argc, argv);
        allMet = runCase(*chosen.front());
    } else {
        for (const bench::Case* c : chosen)
            allMet = runCaseAlone(argv[0], *c) && allMet;
    }
    return allMet ? 0 : 1;
}
