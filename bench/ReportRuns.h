#pragma once
// The peak memory of a whole report over a large log: the log made in a program folder of its own, the report run
// once in a fresh process, whose peak is the whole process's, the program and its database included.

#include "Bench.h"

#include <QDir>

#include <cstdio>
#include <functional>

namespace bench {

// The peak a whole report over a million log entries must stay under.
constexpr double kMaxReportPeakMiB = 400;

// A report's peak over `entries` log entries and over a million: each log made by `make` in a folder of its own (in
// a forked child, so that this process stays as it was), then the report run once by the job `job` given the
// folder, in a fresh process; its time and peak printed. True when the million stayed under kMaxReportPeakMiB; a log
// not made or a report that failed fails the case.
inline bool peaksMet(Context& context, const char* what, qint64 entries,
                     const std::function<bool(const QString& folder, qint64 entries)>& make, const char* job) {
    bool met = true;
    for (const qint64 n : {entries, qint64(1000000)}) {
        const QString folder = context.scratch.filePath(QStringLiteral("peak%1").arg(n));
        const std::string over = std::string(what) + " over " + std::to_string(n) + " entries";
        alternate(1, {forked("making the log for " + over, [&] { return make(folder, n); })});
        const SideFigures f = alternate(1, {fresh(over, job, {folder})}).front();
        std::printf("   %s, whole, in a fresh process: %.3f s, peak %.1f MiB (%.1f MiB added)\n", over.c_str(),
                    f.seconds.median, f.peakMiB.median, f.addedMiB.median);
        met = met && (n < 1000000 || f.peakMiB.median < kMaxReportPeakMiB);
        QDir(folder).removeRecursively();
    }
    return met;
}

} // namespace bench
