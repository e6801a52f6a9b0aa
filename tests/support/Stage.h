#pragma once

// For end-to-end tests and benchmarks: a private session bus, a private X server
// (Xvfb on a display it picks itself), child programs started on both, and the
// Stage that puts a tray of our own, a device service and the status item on them.

#include "MenuLayout.h"
#include "Platform/DBusContract.h"
#include "StatusNotifierWatcher.h"
#include "TrayItem.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace testsupport::stage {

using namespace Qt::StringLiterals;

using testsupport::waitFor;

// Starts a daemon and reads the first line it writes to its standard output.
inline QByteArray startAndReadFirstLine(QProcess& process, const QString& program,
                                        const QStringList& arguments, int timeoutMs) {
    process.start(program, arguments);
    QDeadlineTimer deadline(timeoutMs);
    QByteArray buffer;
    while (!buffer.contains('\n') && !deadline.hasExpired() && process.waitForStarted(10000)) {
        process.waitForReadyRead(100);
        buffer += process.readAllStandardOutput();
    }
    return buffer.left(buffer.indexOf('\n')).trimmed();
}

inline void stop(QProcess& process) {
    process.terminate(); // nothing when it is not running
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// A dbus-daemon of our own, so that names taken by one test never meet another
// test's programs. With a folder of service files, the bus activates those (and
// only those) services, in the given environment.
class PrivateBus {
public:
    explicit PrivateBus(const QString& serviceDir = QString(),
                        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        QStringList arguments{u"--session"_s};
        const QString config = m_dir.filePath(u"bus.conf"_s);
        if (!serviceDir.isEmpty()) {
            arguments = {u"--config-file="_s + config};
            writeFile(config, "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                              "<servicedir>" +
                                  serviceDir.toUtf8() +
                                  "</servicedir><policy context=\"default\">"
                                  "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                  "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                                  "</busconfig>\n");
        }
        m_process.setProcessEnvironment(env);
        m_address = QString::fromUtf8(startAndReadFirstLine(
            m_process, u"dbus-daemon"_s,
            arguments + QStringList{u"--nofork"_s, u"--print-address=1"_s}, 10000));
        if (!m_address.isEmpty()) {
            m_connection = std::make_unique<QDBusConnection>(
                QDBusConnection::connectToBus(m_address, m_address));
        }
    }
    ~PrivateBus() {
        if (m_connection) {
            m_connection.reset();
            QDBusConnection::disconnectFromBus(m_address);
        }
        stop(m_process);
    }

    bool ok() const { return m_connection && m_connection->isConnected(); }
    QString address() const { return m_address; }
    QDBusConnection connection() const { return *m_connection; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_address;
    std::unique_ptr<QDBusConnection> m_connection;
};

// A child program that is ended when the object goes.
class Child {
public:
    ~Child() { stop(m_process); }

    bool start(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& env) {
        m_process.setProcessEnvironment(env);
        m_process.start(program, arguments);
        return m_process.waitForStarted(10000);
    }
    QProcess& process() { return m_process; }
    void stopNow() { stop(m_process); }
    QString output() { return QString::fromUtf8(m_out += m_process.readAllStandardOutput()); }
    QString errors() { return QString::fromUtf8(m_err += m_process.readAllStandardError()); }

private:
    QProcess m_process;
    QByteArray m_out;
    QByteArray m_err;
};

inline QString binary(const char* relative) {
    return QStringLiteral(ZORVA_BINARY_DIR "/") + QLatin1String(relative);
}

inline QString statusItemProgram() {
    return QStringLiteral(ZORVA_BUNDLE_PATH "/Contents/MacOS/Zorva menu bar item");
}

inline QString simulatorProgram() {
    return binary("tools/zorva-device-sim/zorva-device-sim");
}

using MenuCondition = std::function<bool(const trayhost::MenuEntry&)>;

// Reads the menu over dbusmenu until the condition holds: again after each change
// signal of a subscribed item, and at the latest every pollMs. *last is the last
// menu read.
inline bool waitForMenu(trayhost::TrayItem& item, const MenuCondition& condition,
                        int timeoutMs = 20000, int pollMs = 50,
                        std::optional<trayhost::MenuEntry>* last = nullptr) {
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const quint64 seen = item.menuSignalCount();
        const auto layout = item.readLayout();
        if (last != nullptr) {
            *last = layout;
        }
        const bool holds = layout && condition(*layout);
        if (holds || deadline.hasExpired()) {
            return holds;
        }
        waitFor([&] { return item.menuSignalCount() != seen; },
                static_cast<int>(std::min<qint64>(deadline.remainingTime(), pollMs)));
    }
}

// Waits until the menu's rows (topLabels, or what `rows` makes of the menu) are
// exactly these; the failure shows the last menu read.
inline ::testing::AssertionResult menuBecomes(
    trayhost::TrayItem& item, const QStringList& expected,
    const std::function<QStringList(const trayhost::MenuEntry&)>& rows = trayhost::topLabels,
    int timeoutMs = 20000) {
    std::optional<trayhost::MenuEntry> layout;
    if (waitForMenu(
            item, [&](const trayhost::MenuEntry& menu) { return rows(menu) == expected; },
            timeoutMs, 50, &layout)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "expected rows: " << qPrintable(expected.join(u" | "_s)) << "\nlast menu:\n"
           << (layout ? qPrintable(trayhost::formatMenu(*layout)) : "(unreadable)");
}

// A private bus and screen, a home of its own (the full menu with battery
// percentages turned on) and a temporary folder; our tray host's watcher, the
// device service (or its simulator) and the status item started on them on
// demand. Children end before the bus goes.
class Stage {
public:
    // With a folder of service files, the bus activates those services only (an
    // empty or missing folder: none, so no desktop service of the machine starts).
    explicit Stage(const QString& serviceDir = QString()) : bus(serviceDir) {
        // Xvfb on a free display: with -displayfd it chooses the number itself and
        // writes it to its standard output once it accepts connections.
        const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
        const QByteArray display =
            xvfb.isEmpty() ? QByteArray()
                           : startAndReadFirstLine(screen.process(), xvfb,
                                                   {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s,
                                                    u"1280x800x24"_s, u"-nolisten"_s, u"tcp"_s},
                                                   20000);
        m_noScreen = display.isEmpty();
        if (!bus.ok()) {
            m_error = u"no private dbus-daemon"_s;
        } else if (m_noScreen) {
            m_error = u"no X server for the tray: "_s +
                      (xvfb.isEmpty() ? u"Xvfb is not installed"_s : screen.errors());
        } else if (!dir.isValid() ||
                   !writeFile(sandbox.home(u"Library/Preferences/com.zorva.prefsettings.plist"_s),
                              kFullMenuPreferences)) {
            m_error = u"cannot write the preferences"_s;
        }
        if (bus.ok() && !m_noScreen) {
            env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, bus.address());
            env.insert(u"DISPLAY"_s, u':' + QString::fromLatin1(display));
            env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
            env.remove(u"WAYLAND_DISPLAY"_s);
            env.remove(u"XDG_CURRENT_DESKTOP"_s);
        }
    }

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    // For a test's set-up: fails without a bus, skips without a screen.
    void require() const {
        ASSERT_TRUE(bus.ok()) << "no private dbus-daemon";
        if (m_noScreen) {
            GTEST_SKIP() << qPrintable(m_error);
        }
        ASSERT_TRUE(ok()) << qPrintable(m_error);
    }
    QString file(const QString& name) const { return dir.filePath(name); }

    // Our tray host's watcher on the bus, started on first use; null when the name is taken.
    trayhost::StatusNotifierWatcher* watcher() {
        if (!m_watcher) {
            m_watcher = std::make_unique<trayhost::StatusNotifierWatcher>(bus.connection());
            if (!m_watcher->start()) {
                m_error = m_watcher->errorString();
                m_watcher.reset();
            }
        }
        return m_watcher.get();
    }

    // Starts the program as the device service and waits until its name is on the bus.
    bool startService(const QString& program, const QStringList& arguments) {
        const bool started = service.start(program, arguments, env) && waitFor([&] {
                                 return bus.connection().interface()->isServiceRegistered(
                                     platform::contract::kServiceBusName);
                             });
        if (!started) {
            m_error = u"the device service does not start: "_s + service.errors();
        }
        return started;
    }

    // Starts a tray program and waits until it registers with the watcher: its item
    // as the tray reads it, null when it does not come within the time.
    std::unique_ptr<trayhost::TrayItem> startItem(Child& child,
                                                  const QString& program = statusItemProgram(),
                                                  int timeoutMs = 20000,
                                                  const QStringList& arguments = {}) {
        if (watcher() == nullptr) {
            return nullptr;
        }
        QSignalSpy registered(m_watcher.get(), &trayhost::StatusNotifierWatcher::itemRegistered);
        if (!child.start(program, arguments, env) ||
            !waitFor([&] { return !registered.isEmpty(); }, timeoutMs)) {
            m_error = u"the item never registered with the tray: "_s + child.errors();
            return nullptr;
        }
        return std::make_unique<trayhost::TrayItem>(
            bus.connection(), registered.at(0).at(0).toString(), registered.at(0).at(1).toString());
    }

    // Runs "zorva-device-sim send ARGUMENTS..." on the stage: its exit status.
    int send(const QStringList& arguments) {
        Child client;
        return client.start(simulatorProgram(), QStringList{u"send"_s} + arguments, env) &&
                       client.process().waitForFinished(30000)
                   ? client.process().exitCode()
                   : -1;
    }

    PrivateBus bus;
    Child screen; // Xvfb
    ScopedSandbox sandbox;
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    Child service;
    Child app;

private:
    QString m_error;
    bool m_noScreen = true;
    std::unique_ptr<trayhost::StatusNotifierWatcher> m_watcher;
};

// A test standing on a Stage of its own.
class StageTest : public ::testing::Test {
protected:
    void SetUp() override { stage.require(); }
    Stage stage;
};

} // namespace testsupport::stage
