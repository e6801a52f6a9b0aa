#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

// Sends the process-wide trace log to a fresh temporary file at the most
// verbose threshold, and reads back what was written.
class TraceCapture {
public:
    explicit TraceCapture(int threshold = 6);
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    QString path() const { return m_path; }
    QString text() const;
    // The bytes written so far; the file starts again empty.
    QByteArray take();
    // Every record without its leading line feed and timestamp:
    // "Status Controller CRITICAL awakeFromNib called .\n"
    QStringList records() const;
    // Whether a record "<category name> <severity name> <message>" was written.
    bool contains(const QString& category, const QString& severity, const QString& message) const;
    // How many records carry exactly this message.
    int count(const QString& message) const;

private:
    QTemporaryDir m_dir;
    QString m_path;
};

} // namespace testsupport
