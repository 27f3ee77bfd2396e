#pragma once
// Timing a report beside its workbook written alone, and the peak memory of a whole report: the sides of a
// comparison run in turn, round after round, so that a load that comes and goes falls on each side alike; each side
// gives its median and its range.

#include "Bench.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// The median of a side's runs and their range.
struct Runs {
    std::vector<double> seconds;
    double median() const { return bench::median(seconds); }
    double min() const { return seconds.empty() ? 0 : *std::min_element(seconds.begin(), seconds.end()); }
    double max() const { return seconds.empty() ? 0 : *std::max_element(seconds.begin(), seconds.end()); }
    // "0.628 s (0.611-0.702)"
    std::string text() const {
        char t[80];
        std::snprintf(t, sizeof t, "%.3f s (%.3f-%.3f)", median(), min(), max());
        return t;
    }
};

// Runs the sides in turn (a, b, c, a, b, c, ...) `rounds` times each, in this process; their times in that order.
inline std::vector<Runs> alternated(int rounds, const std::vector<std::function<void()>>& sides) {
    std::vector<Runs> runs(sides.size());
    for (int round = 0; round < std::max(rounds, 1); ++round)
        for (size_t side = 0; side < sides.size(); ++side)
            runs[side].seconds.push_back(bestSeconds(1, sides[side]));
    return runs;
}

// The sum of two sides round by round: a workbook written in two parts.
inline Runs sumOf(const Runs& a, const Runs& b) {
    Runs sum;
    for (size_t i = 0; i < std::min(a.seconds.size(), b.seconds.size()); ++i)
        sum.seconds.push_back(a.seconds[i] + b.seconds[i]);
    return sum;
}

// A whole report run once in a child process (inChild): its time, the memory it added and the process's peak (what
// the process held before, the program and its database included, plus what the report added).
struct Peak {
    double seconds = 0;
    double addedMiB = 0;
    double peakMiB = 0;
};
inline std::optional<Peak> peakOf(const std::function<bool()>& report) {
    malloc_trim(0);
    const double held = statusKb("VmRSS") / 1024.0;
    const std::optional<Measured> m = inChild(report);
    if (!m) return std::nullopt;
    return Peak{m->seconds, m->addedMiB, held + m->addedMiB};
}

// The peak a whole report over a million log entries must stay under.
constexpr double kMaxReportPeakMiB = 400;

} // namespace bench
