#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStringList>
#include <array>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TraceState {
    std::atomic<bool> traceOn{false};
    std::atomic<int> logSeverity{0};
    QMutex pathMutex;
    QString logFileName; // null until a path is set
    QMutex writeMutex;   // serialises the size check, the open and the write
};

TraceState& state() {
    static TraceState instance;
    return instance;
}

// Closes a POSIX file descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

constexpr std::array<const char*, 27> kCategoryNames = {"Info",
                                                        "Device Interface",
                                                        "Softphone",
                                                        "Headset",
                                                        "Call Manager",
                                                        "ERROR",
                                                        "HedSetProvider",
                                                        "Skype",
                                                        "SameTime Interface",
                                                        "Avaya",
                                                        "Avaya Equinox",
                                                        "Bria",
                                                        "BriaMsgParser",
                                                        "BriaMsgBuilder",
                                                        "BriaService",
                                                        "BriaWebSocket",
                                                        "Socket Connection",
                                                        "Log",
                                                        "Pref Controller",
                                                        "Status Controller",
                                                        "Device",
                                                        "Softphone",
                                                        "IPC",
                                                        "Utilities",
                                                        "App Service",
                                                        "Extension",
                                                        "Trace"};

constexpr std::array<const char*, 7> kSeverityNames = {"HVPLOG", "FATAL", "CRITICAL", "HIGH",
                                                       "MEDIUM", "LOW",   "INFO"};

} // namespace

QString HVTrace::categoryToString(int category) {
    if (category < 0 || category >= static_cast<int>(kCategoryNames.size())) {
        return QStringLiteral("Log");
    }
    return QString::fromLatin1(kCategoryNames[static_cast<size_t>(category)]);
}

QString HVTrace::SeverityToString(int severity) {
    if (severity < 0 || severity >= static_cast<int>(kSeverityNames.size())) {
        return QStringLiteral("Log");
    }
    return QString::fromLatin1(kSeverityNames[static_cast<size_t>(severity)]);
}

int HVTrace::stringToSeverity(const QString& name) {
    static const std::array<std::pair<const char*, int>, 7> order = {{{"FATAL", 1},
                                                                      {"CRITICAL", 2},
                                                                      {"HIGH", 3},
                                                                      {"LOW", 5},
                                                                      {"MEDIUM", 4},
                                                                      {"INFO", 6},
                                                                      {"HVPLOG", 0}}};
    if (!name.isNull()) {
        for (const auto& [text, number] : order) {
            if (name == QLatin1String(text)) {
                return number;
            }
        }
    }
    return 6;
}

void HVTrace::setTraceFilePath(const QString& path) {
    if (!QFileInfo::exists(path)) {
        // The folder is made of the components between the leading "/" and the
        // file name; a path of fewer than three components names no folder.
        const QStringList components = path.split(u'/');
        if (components.size() >= 3) {
            QString directory;
            if (components.first().isEmpty()) {
                for (qsizetype i = 1; i + 1 < components.size(); ++i) {
                    directory += u'/' + components.at(i);
                }
            } else {
                // A relative path keeps its first component rather than being
                // turned into a folder at the root of the file system.
                directory = components.mid(0, components.size() - 1).join(u'/');
            }
            if (!QFileInfo::exists(directory)) {
                QDir().mkpath(directory);
            }
        }
    }
    auto& s = state();
    QMutexLocker lock(&s.pathMutex);
    s.logFileName = path;
}

void HVTrace::setLogSeverity(int severity) {
    state().logSeverity.store(severity, std::memory_order_relaxed);
}

void HVTrace::setTraceOn(bool on) {
    state().traceOn.store(on, std::memory_order_relaxed);
}

bool HVTrace::isTraceOn() {
    return state().traceOn.load(std::memory_order_relaxed);
}

QString HVTrace::formatRecord(const QString& timestamp, const QString& message, int category,
                              int severity) {
    QString record;
    record.reserve(message.size() + 64);
    record += u'\n';
    record += timestamp;
    record += QLatin1String("  ");
    record += categoryToString(category);
    record += u' ';
    record += SeverityToString(severity);
    record += u' ';
    record += message;
    return record;
}

void HVTrace::writeLine(const QString& message, int forCategory, int forSeverity) {
    auto& s = state();
    if (!s.traceOn.load(std::memory_order_relaxed) ||
        s.logSeverity.load(std::memory_order_relaxed) < forSeverity) {
        return;
    }
    const QString timestamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QByteArray record = formatRecord(timestamp, message, forCategory, forSeverity).toUtf8();

    QString path;
    {
        QMutexLocker lock(&s.pathMutex);
        path = s.logFileName;
    }
    if (path.isEmpty()) {
        return;
    }
    const QByteArray nativePath = QFile::encodeName(path);

    QMutexLocker lock(&s.writeMutex);
    bool empty = false;
    struct stat info {};
    if (::stat(nativePath.constData(), &info) == 0) {
        empty = info.st_size >= kMaxFileSize;
    }
    FileDescriptor fd(::open(nativePath.constData(),
                             O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (empty ? O_TRUNC : 0),
                             0644));
    if (fd.get() < 0) {
        return;
    }
    const char* data = record.constData();
    qsizetype left = record.size();
    while (left > 0) {
        const ssize_t n = ::write(fd.get(), data, static_cast<size_t>(left));
        if (n <= 0) {
            return; // a full disk or a vanished file: the record is dropped
        }
        data += n;
        left -= n;
    }
}
