#include "Platform/Processes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <csignal>
#include <unistd.h>

namespace platform {

namespace {

QString executableNameOf(const QString& procDir) {
    QString target = QFileInfo(procDir + QStringLiteral("/exe")).symLinkTarget();
    const QString deleted = QStringLiteral(" (deleted)");
    if (target.endsWith(deleted)) {
        target.chop(deleted.size());
    }
    if (!target.isEmpty()) {
        return QFileInfo(target).fileName();
    }
    // A process whose executable link is unreadable: the first argument.
    QFile cmdline(procDir + QStringLiteral("/cmdline"));
    if (!cmdline.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = cmdline.readAll();
    const QByteArray first = bytes.left(bytes.indexOf('\0'));
    return QFileInfo(QString::fromLocal8Bit(first)).fileName();
}

// The real user ID from /proc/<pid>/status; -1 when it cannot be read.
long long realUserOf(const QString& procDir) {
    QFile status(procDir + QStringLiteral("/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    // Files of /proc report no size: read until the end, not up to a size.
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("Uid:")) {
            bool ok = false;
            const long long uid = line.mid(4).simplified().split(' ').value(0).toLongLong(&ok);
            return ok ? uid : -1;
        }
    }
    return -1;
}

} // namespace

QList<UserProcess> currentUserProcesses() {
    const uid_t user = getuid();
    QList<UserProcess> result;
    const QStringList entries =
        QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        const long pid = entry.toLong(&numeric);
        if (!numeric || pid <= 0) {
            continue;
        }
        const QString procDir = QStringLiteral("/proc/") + entry;
        if (realUserOf(procDir) != static_cast<long long>(user)) {
            continue;
        }
        const QString name = executableNameOf(procDir);
        if (!name.isEmpty()) {
            result.append({static_cast<pid_t>(pid), name});
        }
    }
    std::sort(result.begin(), result.end(), [](const UserProcess& a, const UserProcess& b) {
        return a.processIdentifier < b.processIdentifier;
    });
    return result;
}

int signalProcessesMatching(const QRegularExpression& pattern, int signal) {
    if (!pattern.isValid()) {
        return 0;
    }
    const pid_t self = getpid();
    bool matchesSelf = false;
    int count = 0;
    for (const UserProcess& process : currentUserProcesses()) {
        if (!pattern.match(process.executableName).hasMatch()) {
            continue;
        }
        if (process.processIdentifier == self) {
            matchesSelf = true;
            continue;
        }
        if (::kill(process.processIdentifier, signal) == 0) {
            ++count;
        }
    }
    if (matchesSelf && ::kill(self, signal) == 0) {
        ++count;
    }
    return count;
}

} // namespace platform
