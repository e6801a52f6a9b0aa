#pragma once

#include <QString>

// The process-wide trace log: one plain-text file to which every part of the
// program appends timestamped records tagged with a category and a severity.
//
// A record is written only while tracing is on and its severity number is at
// most the threshold. Each record is
//   "\n" + "yyyy-MM-dd HH:mm:ss" (local time) + " " + " " + category + " " + severity + " " +
//   message
// and the file is emptied before a record once it has reached 10 MiB. The file
// is opened and closed for every record. Safe to call from any thread; records
// never interleave. Tracing never reports a failure to its caller.
class HVTrace {
public:
    HVTrace() = delete;

    // The file is emptied before the next record once it holds this many bytes.
    static constexpr qint64 kMaxFileSize = 10 * 1024 * 1024;

    static QString categoryToString(int category);
    static QString SeverityToString(int severity);
    // "FATAL" 1, "CRITICAL" 2, "HIGH" 3, "MEDIUM" 4, "LOW" 5, "INFO" 6, "HVPLOG" 0,
    // matched exactly; anything else, and a null name, gives 6.
    static int stringToSeverity(const QString& name);

    // Creates the folder chain of a path that does not exist yet, then uses it
    // for the following records. The file itself is created by the first record.
    static void setTraceFilePath(const QString& path);
    static void setLogSeverity(int severity);
    static void setTraceOn(bool on);
    static bool isTraceOn();

    static void writeLine(const QString& message, int forCategory, int forSeverity);

    // The record text for a message at a given local time, without writing it.
    static QString formatRecord(const QString& timestamp, const QString& message, int category,
                                int severity);
};

// The category and severity numbers this program traces under.
namespace hvtrace {
inline constexpr int kPrefController = 18;
inline constexpr int kStatusController = 19;
inline constexpr int kIPC = 22;
inline constexpr int kUtilities = 23;
inline constexpr int kCritical = 2;
inline constexpr int kHigh = 3;
inline constexpr int kMedium = 4;
inline constexpr int kInfo = 6;
} // namespace hvtrace
