#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testsupport {

ScopedSandbox::ScopedSandbox()
    : m_oldHome(qgetenv("HOME")), m_oldRoot(qgetenv("ZORVA_SYSTEM_ROOT")),
      m_hadRoot(qEnvironmentVariableIsSet("ZORVA_SYSTEM_ROOT")) {
    QDir(m_dir.path()).mkpath(QStringLiteral("home"));
    QDir(m_dir.path()).mkpath(QStringLiteral("root"));
    qputenv("HOME", home().toUtf8());
    qputenv("ZORVA_SYSTEM_ROOT", systemRoot().toUtf8());
}

ScopedSandbox::~ScopedSandbox() {
    qputenv("HOME", m_oldHome);
    if (m_hadRoot) {
        qputenv("ZORVA_SYSTEM_ROOT", m_oldRoot);
    } else {
        qunsetenv("ZORVA_SYSTEM_ROOT");
    }
}

QString ScopedSandbox::home() const {
    return m_dir.path() + QStringLiteral("/home");
}
QString ScopedSandbox::systemRoot() const {
    return m_dir.path() + QStringLiteral("/root");
}
QString ScopedSandbox::home(const QString& relative) const {
    return home() + u'/' + relative;
}
QString ScopedSandbox::system(const QString& relative) const {
    return systemRoot() + u'/' + relative;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(bytes) == bytes.size();
}

} // namespace testsupport
