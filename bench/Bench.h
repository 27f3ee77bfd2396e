#pragma once
// The benchmark driver's registry: each measurement is a named case, registered from its own file with
// OSTIVA_BENCH, run by name from the command line (`ostiva_bench NAME ...`; no name runs them all, `--list` lists
// them). A case prints its measurements and returns its outcome: its target met or missed, or not measured when the
// program it is compared with is missing. A run that fails (its function returned false, threw or its process died)
// fails its case: bench::fail says what failed, and the driver reports it. Every outcome but "met" makes the exit
// status non-zero.
//
// A run whose peak memory is reported runs in a fresh process of this program (bench::fresh): a job registered with
// OSTIVA_BENCH_JOB makes ready what the run needs, then the run is measured, the process's peak being the whole
// process's, as the program's own would be. A run measured for its time and the memory it adds runs in a forked child
// (bench::forked), which starts from what this process holds.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <malloc.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

struct Context {
    QTemporaryDir scratch; // a folder the case may fill; removed afterwards
    int repeats = 3;       // runs per measurement: the best one counts, or the median of alternated runs
};

enum class Outcome { met, missed, notMeasured };
inline Outcome judged(bool met) {
    return met ? Outcome::met : Outcome::missed;
}

// A run that failed, and so fails its case; what says which.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};
[[noreturn]] inline void fail(const std::string& what) {
    throw Failure(what);
}

// A measured run: true when it did its work.
using Run = std::function<bool()>;

struct Case {
    const char* name;
    const char* description;
    std::function<Outcome(Context&)> run;
};

// A run made ready in a fresh process from the words the case gave it; an empty Run when it could not be.
struct Job {
    const char* name;
    std::function<Run(const QStringList& args)> prepare;
};

std::vector<Case>& registry();
std::vector<Job>& jobs();

struct Registrar {
    Registrar(const char* name, const char* description, std::function<Outcome(Context&)> run) {
        registry().push_back({name, description, std::move(run)});
    }
    Registrar(const char* name, std::function<Run(const QStringList&)> prepare) {
        jobs().push_back({name, std::move(prepare)});
    }
};

// The best wall-clock time of `repeats` runs of f in this process, in seconds; a run that fails fails the case.
inline double bestSeconds(const std::string& what, int repeats, const Run& f) {
    double best = 1e300;
    for (int i = 0; i < std::max(repeats, 1); ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!f()) fail(what);
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
        best = std::min(best, d.count());
    }
    return best;
}

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The median and the range of a side's runs.
struct Spread {
    double median = 0, min = 0, max = 0;
};
inline Spread spread(const std::vector<double>& v) {
    if (v.empty()) return {};
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    return {bench::median(v), *lo, *hi};
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"), or -1. Read with plain system calls into a buffer on the
// stack: the process being measured allocates nothing for it.
inline long statusKb(const char* field) {
    char text[8192];
    const int fd = open("/proc/self/status", O_RDONLY);
    if (fd < 0) return -1;
    size_t size = 0;
    for (ssize_t n; size < sizeof text - 1 && (n = read(fd, text + size, sizeof text - 1 - size)) > 0;)
        size += size_t(n);
    close(fd);
    text[size] = '\0';
    const size_t length = std::strlen(field);
    for (const char* line = text; *line;) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':')
            return std::strtol(line + length + 1, nullptr, 10);
        const char* next = std::strchr(line, '\n');
        if (!next) break;
        line = next + 1;
    }
    return -1;
}

// Starts the process's peak resident memory (VmHWM) afresh from what it holds now; a child begins with its parent's
// peak otherwise. A plain system call, allocating nothing. Without the kernel's support (before Linux 4.0) the peak
// stays as it was.
inline void resetPeak() {
    const int fd = open("/proc/self/clear_refs", O_WRONLY);
    if (fd < 0) return;
    [[maybe_unused]] const ssize_t written = write(fd, "5", 1);
    close(fd);
}

// The target of a whole report beside its workbook written alone: at most 1.5 times as long. A workbook written in
// under 0.2 s is judged by the time added instead, at most 0.1 s (what 1.5 times allows a 0.2 s workbook): there a
// ratio of milliseconds measures the machine's noise more than the report.
constexpr double kSmallWorkbookSeconds = 0.2;
constexpr double kMaxAddedSeconds = 0.1;
inline bool withinWorkbookTarget(double whole, double writing) {
    return writing < kSmallWorkbookSeconds ? whole - writing <= kMaxAddedSeconds : whole <= 1.5 * writing;
}
// How a report stands against that target, for its line of output: "(1.24x)" or "(+0.041 s, ...)".
inline std::string workbookTargetText(double whole, double writing) {
    char text[160];
    if (writing < kSmallWorkbookSeconds)
        std::snprintf(text, sizeof text, "(%.2fx; small workbook: +%.3f s added, target at most +%.1f s)",
                      whole / writing, whole - writing, kMaxAddedSeconds);
    else
        std::snprintf(text, sizeof text, "(%.2fx, target at most 1.50x)", whole / writing);
    return text;
}

struct Measured {
    double seconds = 0;
    double addedMiB = 0; // the peak resident memory reached above what the process held when the run began
    double peakMiB = 0;  // the whole process's peak resident memory: known in a fresh process only, 0 otherwise
};

// Times f in this process with its memory figures: what the process held when f began (freed memory given back
// first, so that reusing it counts as growth) and the peak it reached from there, its peak started afresh.
inline std::optional<Measured> measureHere(const Run& f) {
    malloc_trim(0);
    resetPeak();
    const long before = statusKb("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    const bool ok = f();
    const std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
    const long peak = statusKb("VmHWM");
    if (!ok) return std::nullopt;
    return Measured{d.count(), (peak - before) / 1024.0, peak / 1024.0};
}

// Writes a run's figures to the pipe its parent reads.
inline bool answer(int fd, const Measured& m) {
    return write(fd, &m, sizeof m) == ssize_t(sizeof m);
}

// Runs `child` in a forked process with the writing end of a pipe; the figures it answers on it, or nothing when it
// did not answer, or did not end with status 0. Whatever the child throws ends it, never the case it was forked from.
inline std::optional<Measured> answerOfChild(const std::function<int(int fd)>& child) {
    int fds[2];
    if (pipe(fds) != 0) return std::nullopt;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        close(fds[0]);
        int status = 1;
        try {
            status = child(fds[1]);
        } catch (...) {
        }
        std::fflush(nullptr);
        _exit(status);
    }
    close(fds[1]);
    Measured m;
    const bool got = read(fds[0], &m, sizeof m) == ssize_t(sizeof m);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return m;
}

// A side of an alternated measurement: what is measured (named when a run fails) and how one run is measured.
struct Side {
    std::string what;
    std::function<std::optional<Measured>()> measure;
};

// f in a forked child, so that every run starts from the same memory: its time and the memory it adds. `prepare`, when
// given, runs in the child first, neither timed nor counted in the memory added: a run that changes the database can
// start from its own copy.
inline Side forked(std::string what, Run f, Run prepare = {}) {
    return {std::move(what), [f = std::move(f), prepare = std::move(prepare)] {
                return answerOfChild([&](int fd) {
                    if (prepare && !prepare()) return 1;
                    std::optional<Measured> m = measureHere(f);
                    if (!m) return 1;
                    m->peakMiB = 0; // the parent's pages count in it: not a peak of its own
                    return answer(fd, *m) ? 0 : 1;
                });
            }};
}

// The job registered under `job` in a fresh process of this program, given `args`: its time, the memory it adds and
// the whole process's peak, everything the job made ready included.
inline Side fresh(std::string what, const char* job, const QStringList& args) {
    std::vector<std::string> words{"ostiva_bench", "--job", job, ""};
    for (const QString& a : args)
        words.push_back(a.toStdString());
    return {std::move(what), [words] {
                char fdText[16] = {};
                std::vector<char*> argv;
                for (const std::string& w : words)
                    argv.push_back(const_cast<char*>(w.c_str()));
                argv[3] = fdText;
                argv.push_back(nullptr);
                return answerOfChild([&](int fd) {
                    std::snprintf(fdText, sizeof fdText, "%d", fd);
                    execv("/proc/self/exe", argv.data());
                    std::fprintf(stderr, "cannot run the job %s: %s\n", argv[2], std::strerror(errno));
                    return 127;
                });
            }};
}

// A job's process (`ostiva_bench --job NAME FD ARGS...`): makes the run ready, measures it and answers on FD; its
// exit status 0 when the run did its work.
inline int runJob(const char* name, int fd, const QStringList& args) {
    for (const Job& job : jobs())
        if (std::strcmp(job.name, name) == 0) {
            const Run run = job.prepare(args);
            if (!run) return 1;
            const long preparedPeak = statusKb("VmHWM"); // the process's peak so far, making ready included
            std::optional<Measured> m = measureHere(run);
            if (!m) return 1;
            m->peakMiB = std::max(m->peakMiB, preparedPeak / 1024.0);
            return answer(fd, *m) ? 0 : 1;
        }
    std::fprintf(stderr, "unknown job: %s\n", name);
    return 2;
}

// One side of an alternated measurement over its runs.
struct SideFigures {
    Spread seconds;
    Spread peakMiB;  // the whole process's peak (fresh processes only)
    Spread addedMiB; // the peak above what the process held when the run began
};

// Runs the sides in turn (a, b, a, b, ...) `rounds` times each, every run in a process of its own, so that a load that
// comes and goes falls on all sides alike. The figures come in the order of the sides; a run that fails fails the
// case.
inline std::vector<SideFigures> alternate(int rounds, const std::vector<Side>& sides) {
    std::vector<std::vector<Measured>> runs(sides.size());
    for (int round = 0; round < std::max(rounds, 1); ++round)
        for (size_t side = 0; side < sides.size(); ++side) {
            const std::optional<Measured> m = sides[side].measure();
            if (!m) fail(sides[side].what);
            runs[side].push_back(*m);
        }
    std::vector<SideFigures> figures;
    for (const auto& side : runs) {
        std::vector<double> seconds, peak, added;
        for (const Measured& m : side) {
            seconds.push_back(m.seconds);
            peak.push_back(m.peakMiB);
            added.push_back(m.addedMiB);
        }
        figures.push_back({spread(seconds), spread(peak), spread(added)});
    }
    return figures;
}

// A side's line of output: "0.709 s (0.701-0.733), peak 212.4 MiB (211.0-214.9)" for a fresh process, "0.709 s
// (0.701-0.733), 12.4 MiB added (11.0-14.9)" for a forked one.
inline std::string sideText(const SideFigures& f) {
    char text[160];
    const bool peak = f.peakMiB.max > 0;
    const Spread& memory = peak ? f.peakMiB : f.addedMiB;
    std::snprintf(text, sizeof text, "%.3f s (%.3f-%.3f), %s%.1f MiB%s (%.1f-%.1f)", f.seconds.median, f.seconds.min,
                  f.seconds.max, peak ? "peak " : "", memory.median, peak ? "" : " added", memory.min, memory.max);
    return text;
}

} // namespace bench

#define OSTIVA_BENCH_CAT2(a, b) a##b
#define OSTIVA_BENCH_CAT(a, b) OSTIVA_BENCH_CAT2(a, b)
// Registers a case: OSTIVA_BENCH("name", "what it measures") { ...; return bench::judged(targetMet); }
#define OSTIVA_BENCH(name, description)                                                                                \
    static bench::Outcome OSTIVA_BENCH_CAT(benchCase_, __LINE__)(bench::Context & context);                            \
    static bench::Registrar OSTIVA_BENCH_CAT(benchRegistrar_, __LINE__)(name, description,                             \
                                                                        OSTIVA_BENCH_CAT(benchCase_, __LINE__));       \
    static bench::Outcome OSTIVA_BENCH_CAT(benchCase_, __LINE__)([[maybe_unused]] bench::Context & context)
// Registers a job for a fresh process: OSTIVA_BENCH_JOB("case/side") { ...make ready from args...; return run; }
#define OSTIVA_BENCH_JOB(name)                                                                                         \
    static bench::Run OSTIVA_BENCH_CAT(benchJob_, __LINE__)(const QStringList& args);                                  \
    static bench::Registrar OSTIVA_BENCH_CAT(benchJobRegistrar_, __LINE__)(name,                                       \
                                                                           OSTIVA_BENCH_CAT(benchJob_, __LINE__));     \
    static bench::Run OSTIVA_BENCH_CAT(benchJob_, __LINE__)([[maybe_unused]] const QStringList& args)
