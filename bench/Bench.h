#pragma once
// The benchmark driver's registry: each measurement is a named case, registered from its own file with
// OSTIVA_BENCH, run by name from the command line (`ostiva_bench NAME ...`; no name runs them all, `--list` lists
// them). A case prints its measurements and returns whether its target was met.

#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <vector>

namespace bench {

struct Context {
    QTemporaryDir scratch; // a folder the case may fill; removed afterwards
    int repeats = 3;       // runs per measurement; the best one counts
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

} // namespace bench

#define OSTIVA_BENCH_CAT2(a, b) a##b
#define OSTIVA_BENCH_CAT(a, b) OSTIVA_BENCH_CAT2(a, b)
// Registers a case: OSTIVA_BENCH("name", "what it measures") { ...; return targetMet; }
#define OSTIVA_BENCH(name, description)                                                                                \
    static bool OSTIVA_BENCH_CAT(benchCase_, __LINE__)(bench::Context & context);                                      \
    static bench::Registrar OSTIVA_BENCH_CAT(benchRegistrar_, __LINE__)(name, description,                             \
                                                                        OSTIVA_BENCH_CAT(benchCase_, __LINE__));       \
    static bool OSTIVA_BENCH_CAT(benchCase_, __LINE__)([[maybe_unused]] bench::Context & context)
