#include "Platform/Workspace.h"

#include "Platform/Paths.h"
#include "Platform/plist/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <optional>

namespace platform {

namespace {

const QString kBundleSuffix = QStringLiteral(".app");
const QString kInfoPlist = QStringLiteral("/Contents/Info.plist");

std::optional<QVariantMap> bundleInfo(const QString& bundlePath) {
    return plist::readDictionary(bundlePath + kInfoPlist);
}

// Depth-first, entries by name, so that the answer does not depend on the order
// in which the file system lists a folder.
QString findBundle(const QString& folder, const QString& bundleIdentifier, int depth) {
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString path = entry.absoluteFilePath();
        if (entry.fileName().endsWith(kBundleSuffix)) {
            const auto info = bundleInfo(path);
            if (info &&
                info->value(QStringLiteral("CFBundleIdentifier")).toString() == bundleIdentifier) {
                return path;
            }
            continue; // never look inside a bundle
        }
        if (depth < Workspace::kMaxSearchDepth && !entry.isSymLink()) {
            QString found = findBundle(path, bundleIdentifier, depth + 1);
            if (!found.isNull()) {
                return found;
            }
        }
    }
    return {};
}

QString processExecutable(const QString& pid) {
    // The link names the executable; one that was replaced or removed since the
    // start reads "<path> (deleted)".
    QString target = QFile::symLinkTarget(QStringLiteral("/proc/") + pid + QStringLiteral("/exe"));
    static const QString kDeleted = QStringLiteral(" (deleted)");
    if (target.endsWith(kDeleted)) {
        target.chop(kDeleted.size());
    }
    return target;
}

} // namespace

QStringList Workspace::applicationSearchFolders() {
    QStringList folders;
    folders << QDir::cleanPath(homeDirectory() + QStringLiteral("/Applications"));
    folders << QDir::cleanPath(systemPath(QStringLiteral("/Applications")));
    const QString volumes = QDir::cleanPath(systemPath(QStringLiteral("/Volumes")));
    const QFileInfoList mounted =
        QDir(volumes).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& volume : mounted) {
        folders << volume.absoluteFilePath();
    }
    return folders;
}

QString Workspace::absolutePathForAppBundleWithIdentifier(const QString& bundleIdentifier) {
    if (bundleIdentifier.isEmpty()) {
        return {};
    }
    for (const QString& folder : applicationSearchFolders()) {
        QString found = findBundle(folder, bundleIdentifier, 0);
        if (!found.isNull()) {
            return found;
        }
    }
    return {};
}

QString Workspace::bundlePathForExecutable(const QString& executablePath) {
    static const QString kMacOS = QStringLiteral("/Contents/MacOS/");
    const qsizetype at = executablePath.lastIndexOf(kMacOS);
    if (at <= 0) {
        return {};
    }
    const QString bundle = executablePath.left(at);
    if (!QFileInfo::exists(bundle + kInfoPlist)) {
        return {};
    }
    return bundle;
}

QString Workspace::localizedNameOfBundle(const QString& bundlePath) {
    if (const auto info = bundleInfo(bundlePath)) {
        for (const char* key : {"CFBundleDisplayName", "CFBundleName"}) {
            const QString name = info->value(QLatin1String(key)).toString();
            if (!name.isEmpty()) {
                return name;
            }
        }
    }
    QString name = QFileInfo(bundlePath).fileName();
    if (name.endsWith(kBundleSuffix)) {
        name.chop(kBundleSuffix.size());
    }
    return name;
}

QList<RunningApplication> Workspace::runningApplications() {
    QList<qint64> pids;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (ok && pid > 0) {
            pids.append(pid);
        }
    }
    std::sort(pids.begin(), pids.end());

    struct BundleFacts {
        QString identifier;
        QString name;
    };
    QHash<QString, BundleFacts> bundles; // read each bundle once per walk
    QList<RunningApplication> applications;
    for (const qint64 pid : pids) {
        const QString executable = processExecutable(QString::number(pid));
        if (executable.isEmpty()) {
            continue; // gone, a kernel thread, or another user's process
        }
        RunningApplication app;
        app.processIdentifier = pid;
        app.executablePath = executable;
        app.bundlePath = bundlePathForExecutable(executable);
        if (app.bundlePath.isNull()) {
            app.localizedName = QFileInfo(executable).fileName();
        } else {
            auto it = bundles.find(app.bundlePath);
            if (it == bundles.end()) {
                const auto info = bundleInfo(app.bundlePath);
                BundleFacts facts;
                if (info) {
                    const QVariant id = info->value(QStringLiteral("CFBundleIdentifier"));
                    if (id.typeId() == QMetaType::QString) {
                        facts.identifier = id.toString();
                    }
                }
                facts.name = localizedNameOfBundle(app.bundlePath);
                it = bundles.insert(app.bundlePath, facts);
            }
            app.bundleIdentifier = it->identifier;
            app.localizedName = it->name;
        }
        applications.append(std::move(app));
    }
    return applications;
}

} // namespace platform
