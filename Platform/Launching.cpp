#include "Platform/Launching.h"

#include "Platform/Bundle.h"
#include "Platform/Paths.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <cerrno>

namespace platform {

QStringList libraryDirectories() {
    return {homeDirectory() + QLatin1String("/Library"), systemPath(QStringLiteral("/Library")),
            systemPath(QStringLiteral("/Network/Library"))};
}

QStringList userDirectories() {
    return {systemPath(QStringLiteral("/Users")), systemPath(QStringLiteral("/Network/Users"))};
}

std::shared_ptr<const Bundle> knownBundleWithIdentifier(const QString& identifier) {
    if (identifier.isEmpty()) {
        return nullptr;
    }
    auto main = Bundle::mainBundle();
    if (main && main->bundleIdentifier() == identifier) {
        return main;
    }
    return nullptr;
}

int resolveApplicationPath(const QString& path) {
    if (path.isEmpty()) {
        return EINVAL;
    }
    // A dangling symbolic link resolves to nothing, as it would on open.
    return QFileInfo::exists(path) ? 0 : ENOENT;
}

QString applicationExecutable(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir()) {
        return path;
    }
    return Bundle(path).executablePath();
}

int openApplication(const QString& path, const QStringList& arguments) {
    if (const int status = resolveApplicationPath(path); status != 0) {
        return status;
    }
    const QString executable = applicationExecutable(path);
    if (executable.isEmpty() || !QFileInfo::exists(executable)) {
        return ENOENT;
    }
    const QFileInfo info(executable);
    if (!info.isFile() || !info.isExecutable()) {
        return EACCES;
    }
    QProcess process;
    process.setProgram(executable);
    process.setArguments(arguments);
    // Without a shell every argument reaches the program as one argv entry,
    // byte for byte (UTF-8).
    if (!process.startDetached()) {
        return ENOEXEC;
    }
    return 0;
}

bool openBundleOrFile(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    if (QFileInfo(path).isDir()) {
        const QString executable = Bundle(path).executablePath();
        if (!executable.isEmpty() && QFileInfo(executable).isExecutable()) {
            return openApplication(path, {}) == 0;
        }
    }
    return openFile(path);
}

bool openURL(const QUrl& url) {
    if (!url.isValid() || url.isEmpty()) {
        return false;
    }
    return QDesktopServices::openUrl(url);
}

bool openFile(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace platform
