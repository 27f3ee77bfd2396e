#pragma once
// The benchmark driver's registry: each measurement is a named case, registered from its own file with
// OSTIVA_BENCH, run by name from the command line (`ostiva_bench NAME ...`; no name runs them all, `--list` lists
// them). A case prints its measurements and returns whether its target was met.

#include <QString>
#include <QTemporaryDir>

#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <malloc.h>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

struct Context {
    QTemporaryDir scratch; // a folder the case may fill; removed afterwards
    int repeats = 3;       // runs per measurement: the best one counts, or the median of alternated runs
};

struct Case {
    const char* name;
    const char* description;
    std::function<bool(Context&)> run;
};

std::vector<Case>& registry();

struct Registrar {
    Registrar(const char* name, const char* description, std::function<bool(Context&)> run) {
        registry().push_back({name, description, std::move(run)});
    }
};

// The best wall-clock time of `repeats` runs of f, in seconds.
inline double bestSeconds(int repeats, const std::function<void()>& f) {
    double best = 1e300;
    for (int i = 0; i < std::max(repeats, 1); ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
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

// Starts the process's peak resident memory (VmHWM) afresh from what it holds now; a child begins with its parent's
// peak otherwise. Without the kernel's support (before Linux 4.0) the peak stays as it was.
inline void resetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

struct Measured {
    double seconds = 0;
    double addedMiB = 0; // the peak resident memory reached above what the process held when f began
    double peakMiB = 0;  // the process's peak resident memory, what it held before f included
};

// Runs f in a child process, so that every run starts from the same memory and its peak is its own.
// `prepare`, when given, runs in the child first, neither timed nor counted in the memory added (what it leaves is
// part of the peak): a run that changes the database can start from its own copy.
inline std::optional<Measured> inChild(const std::function<bool()>& f, const std::function<bool()>& prepare = {}) {
    int fds[2];
    if (pipe(fds) != 0) return std::nullopt;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        close(fds[0]);
        if (prepare && !prepare()) _exit(1);
        // Memory the parent freed but kept goes back first, so that reusing it counts as growth.
        malloc_trim(0);
        resetPeak();
        const long before = statusKb("VmRSS");
        const auto start = std::chrono::steady_clock::now();
        const bool ok = f();
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
        const long peak = statusKb("VmHWM");
        Measured m{d.count(), (peak - before) / 1024.0, peak / 1024.0};
        if (ok && write(fds[1], &m, sizeof m) != ssize_t(sizeof m)) _exit(1);
        _exit(ok ? 0 : 1);
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

// The median and the range of a side's runs.
struct Spread {
    double median = 0, min = 0, max = 0;
};
inline Spread spread(const std::vector<double>& v) {
    if (v.empty()) return {};
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    return {bench::median(v), *lo, *hi};
}

// One side of an alternated measurement over its runs.
struct SideFigures {
    Spread seconds;
    Spread peakMiB;  // the process's peak resident memory
    Spread addedMiB; // the peak above what the process held when the run began
};

// A side of an alternated measurement: what is measured, and what its process does first (see inChild).
struct Side {
    std::function<bool()> run;
    std::function<bool()> prepare = {};
};

// Runs the sides in turn (a, b, a, b, ...) `rounds` times each, every run in its own process (inChild), so that a
// load that comes and goes falls on all sides alike. The figures come in the order of the sides; empty when a run
// failed (its function returned false or its process died).
inline std::optional<std::vector<SideFigures>> alternateSides(int rounds, const std::vector<Side>& sides) {
    std::vector<std::vector<Measured>> runs(sides.size());
    for (int round = 0; round < std::max(rounds, 1); ++round)
        for (size_t side = 0; side < sides.size(); ++side) {
            const auto m = inChild(sides[side].run, sides[side].prepare);
            if (!m) return std::nullopt;
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
inline std::optional<std::vector<SideFigures>> alternate(int rounds, const std::vector<std::function<bool()>>& sides) {
    std::vector<Side> prepared;
    for (const auto& f : sides)
        prepared.push_back({f});
    return alternateSides(rounds, prepared);
}

// A side's line of output: "0.709 s (0.701-0.733), peak 212.4 MiB (211.0-214.9)".
inline std::string sideText(const SideFigures& f) {
    char text[160];
    std::snprintf(text, sizeof text, "%.3f s (%.3f-%.3f), peak %.1f MiB (%.1f-%.1f)", f.seconds.median, f.seconds.min,
                  f.seconds.max, f.peakMiB.median, f.peakMiB.min, f.peakMiB.max);
    return text;
}

} // namespace bench

#define OSTIVA_BENCH_CAT2(a, b) a##b
#define OSTIVA_BENCH_CAT(a, b) OSTIVA_BENCH_CAT2(a, b)
// Registers a case: OSTIVA_BENCH("name", "what it measures") { ...; return targetMet; }
#define OSTIVA_BENCH(name, description)                                                                                \
    static bool OSTIVA_BENCH_CAT(benchCase_, __LINE__)(bench::Context & context);                                      \
    static bench::Registrar OSTIVA_BENCH_CAT(benchRegistrar_, __LINE__)(name, description,                             \
                                                                        OSTIVA_BENCH_CAT(benchCase_, __LINE__));       \
    static bool OSTIVA_BENCH_CAT(benchCase_, __LINE__)([[maybe_unused]] bench::Context & context)
