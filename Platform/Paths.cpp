#include "Platform/Paths.h"

#include <QDir>

namespace platform {

QString homeDirectory() {
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty()) {
        return home;
    }
    return QDir::homePath();
}

QString systemRoot() {
    const QString root = qEnvironmentVariable("ZORVA_SYSTEM_ROOT");
    return root.isEmpty() ? QStringLiteral("/") : root;
}

QString systemPath(const QString& absolutePath) {
    const QString root = systemRoot();
    if (root == QLatin1String("/")) {
        return absolutePath;
    }
    QString joined = root;
    while (joined.endsWith(u'/')) {
        joined.chop(1);
    }
    if (!absolutePath.startsWith(u'/')) {
        joined += u'/';
    }
    return joined + absolutePath;
}

} // namespace platform
