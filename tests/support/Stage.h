#pragma once

// For end-to-end tests and benchmarks: a private session bus, a private X server
// (Xvfb on a display it picks itself) and child programs started on both.

#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>
#include <functional>
#include <memory>

namespace testsupport::stage {

using testsupport::waitFor;

// Reads one line that a starting daemon writes to its standard output.
inline QByteArray readFirstLine(QProcess& process, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QByteArray buffer;
    while (!buffer.contains('\n') && !deadline.hasExpired()) {
        if (process.state() == QProcess::NotRunning) {
            break;
        }
        process.waitForReadyRead(100);
        buffer += process.readAllStandardOutput();
    }
    return buffer.left(buffer.indexOf('\n')).trimmed();
}

inline void stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// A dbus-daemon of our own, so that names taken by one test never meet another
// test's programs.
class PrivateBus {
public:
    PrivateBus() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            return;
        }
        m_process.setProgram(daemon);
        m_process.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                                QStringLiteral("--print-address=1")});
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(10000)) {
            return;
        }
        m_address = QString::fromUtf8(readFirstLine(m_process, 10000));
        if (m_address.isEmpty()) {
            return;
        }
        m_name = QStringLiteral("e2e-bus-%1").arg(reinterpret_cast<quintptr>(this));
        m_connection =
            std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_address, m_name));
    }
    ~PrivateBus() {
        if (m_connection) {
            m_connection.reset();
            QDBusConnection::disconnectFromBus(m_name);
        }
        stop(m_process);
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool ok() const { return m_connection && m_connection->isConnected(); }
    QString address() const { return m_address; }
    QDBusConnection connection() const { return *m_connection; }

private:
    QProcess m_process;
    QString m_address;
    QString m_name;
    std::unique_ptr<QDBusConnection> m_connection;
};

// Xvfb on a free display: with -displayfd it chooses the number itself and
// writes it to its standard output once it accepts connections.
class VirtualScreen {
public:
    VirtualScreen() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            m_error = QStringLiteral("Xvfb is not installed");
            return;
        }
        m_process.setProgram(xvfb);
        m_process.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"),
                                QStringLiteral("-screen"), QStringLiteral("0"),
                                QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                                QStringLiteral("tcp")});
        m_process.start();
        if (!m_process.waitForStarted(10000)) {
            m_error = QStringLiteral("Xvfb does not start: %1").arg(m_process.errorString());
            return;
        }
        const QByteArray number = readFirstLine(m_process, 20000);
        if (number.isEmpty()) {
            m_error = QStringLiteral("Xvfb names no display: %1")
                          .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
            return;
        }
        m_display = u':' + QString::fromLatin1(number);
    }
    ~VirtualScreen() { stop(m_process); }
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    bool ok() const { return !m_display.isEmpty(); }
    QString display() const { return m_display; }
    QString error() const { return m_error; }

private:
    QProcess m_process;
    QString m_display;
    QString m_error;
};

// The environment of a program run on the private bus and screen.
inline QProcessEnvironment childEnvironment(const PrivateBus& bus, const VirtualScreen& screen) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    env.insert(QStringLiteral("DISPLAY"), screen.display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    return env;
}

// A child program that is ended when the object goes.
class Child {
public:
    Child() { m_process.setProcessChannelMode(QProcess::SeparateChannels); }
    ~Child() { stop(m_process); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool start(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& env) {
        m_process.setProgram(program);
        m_process.setArguments(arguments);
        m_process.setProcessEnvironment(env);
        m_process.start();
        return m_process.waitForStarted(10000);
    }
    QProcess& process() { return m_process; }
    void stopNow() { stop(m_process); }
    QString output() {
        m_out += m_process.readAllStandardOutput();
        return QString::fromUtf8(m_out);
    }
    QString errors() {
        m_err += m_process.readAllStandardError();
        return QString::fromUtf8(m_err);
    }

private:
    QProcess m_process;
    QByteArray m_out;
    QByteArray m_err;
};

inline QString binary(const char* relative) {
    return QStringLiteral(ZORVA_BINARY_DIR "/") + QLatin1String(relative);
}

} // namespace testsupport::stage
