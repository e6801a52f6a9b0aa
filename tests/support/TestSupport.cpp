#include "support/TestSupport.h"

#include "Platform/RemoteCall.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

using namespace Qt::StringLiterals;

namespace testsupport {

const char* const kFullMenuPreferences = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>zorvaStatusMenu</key>
	<string>TRUE</string>
	<key>ShowBatteryStatus</key>
	<string>TRUE</string>
</dict>
</plist>
)";

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

BusServiceProcess::BusServiceProcess(const QString& program, const QStringList& arguments,
                                     const QString& busName)
    : m_busName(busName) {
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(10000)) {
        return;
    }
    const QDBusConnection bus = QDBusConnection::sessionBus();
    m_started = waitFor(
                    [&] {
                        return m_process.state() != QProcess::Running ||
                               platform::remote::hasOwner(bus, m_busName);
                    },
                    10000) &&
                m_process.state() == QProcess::Running;
}

BusServiceProcess::~BusServiceProcess() {
    kill();
}

void BusServiceProcess::kill() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    const QDBusConnection bus = QDBusConnection::sessionBus();
    waitFor([&] { return !platform::remote::hasOwner(bus, m_busName); }, 5000);
}

ScopedSandbox::ScopedSandbox()
    : m_oldHome(qgetenv("HOME")), m_oldRoot(qgetenv("ZORVA_SYSTEM_ROOT")),
      m_hadRoot(qEnvironmentVariableIsSet("ZORVA_SYSTEM_ROOT")) {
    QDir(m_dir.path()).mkpath(u"home"_s);
    QDir(m_dir.path()).mkpath(u"root"_s);
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
    return m_dir.path() + u"/home"_s;
}
QString ScopedSandbox::systemRoot() const {
    return m_dir.path() + u"/root"_s;
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

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
