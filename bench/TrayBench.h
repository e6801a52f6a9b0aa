#pragma once

// What the benchmarks that drive the status item through a tray share besides
// the Stage: wall-clock times, resident memory and the skip-on-failure check.

#include <QFile>
#include <chrono>

namespace traybench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Resident set size of a process in KiB, from /proc; 0 when unreadable. The
// field "RssAnon" is the process's own memory, without the pages of shared
// libraries and files it maps.
inline double residentKiB(qint64 pid, const QByteArray& field = "VmRSS") {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':')) {
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toDouble();
        }
    }
    return 0;
}

} // namespace traybench

#define BENCH_REQUIRE(condition, message)                                                          \
    if (!(condition)) {                                                                            \
        state.SkipWithError(message);                                                              \
        return;                                                                                    \
    }
