#pragma once
// Timing a report beside its workbook written alone, and the peak memory of a whole report: the sides of a
// comparison run in turn, round after round, so that a load that comes and goes falls on each side alike; each side
// gives its median and its range.

#include "Bench.h"

#include <QDir>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// A side's times, run after run.
struct Runs {
    std::vector<double> seconds;
    double median() const { return spread(seconds).median; }
    // "0.628 s (0.611-0.702)"
    std::string text() const {
        const Spread s = spread(seconds);
        char t[80];
        std::snprintf(t, sizeof t, "%.3f s (%.3f-%.3f)", s.median, s.min, s.max);
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

// A report's peak over `entries` log entries and over a million, each measured by `peak` in a folder of its own (made
// and removed here) before the process holds anything of its own; true when both ran and the million stayed under
// kMaxReportPeakMiB.
inline bool peaksMet(Context& context, qint64 entries,
                     const std::function<std::optional<Peak>(const QString& folder, qint64 entries)>& peak) {
    bool met = true;
    for (const qint64 n : {entries, qint64(1000000)}) {
        const QString folder = context.scratch.filePath(QStringLiteral("peak%1").arg(n));
        const std::optional<Peak> p = peak(folder, n);
        met = met && p && (n < 1000000 || p->peakMiB < kMaxReportPeakMiB);
        QDir(folder).removeRecursively();
    }
    return met;
}

} // namespace bench
