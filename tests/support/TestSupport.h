#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <ostream>

namespace testsupport {

// A private home directory and system root for one test: $HOME and
// $ZORVA_SYSTEM_ROOT point into fresh temporary folders until destruction.
class ScopedSandbox {
public:
    ScopedSandbox();
    ~ScopedSandbox();
    ScopedSandbox(const ScopedSandbox&) = delete;
    ScopedSandbox& operator=(const ScopedSandbox&) = delete;

    QString home() const;
    QString systemRoot() const;
    // Absolute path below the home directory / system root, e.g. home("Library/x").
    QString home(const QString& relative) const;
    QString system(const QString& relative) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    QByteArray m_oldRoot;
    bool m_hadRoot = false;
};

// Runs this thread's event loop until the condition holds or the time is up;
// the condition's last value.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 20000);

// A child program that publishes a name on the session bus: started with the
// arguments and waited for until the name has an owner (started() tells whether
// it came). Killed on destruction, and waited for until the name is gone, so the
// next test starts clean.
class BusServiceProcess {
public:
    BusServiceProcess(const QString& program, const QStringList& arguments, const QString& busName);
    ~BusServiceProcess();
    BusServiceProcess(const BusServiceProcess&) = delete;
    BusServiceProcess& operator=(const BusServiceProcess&) = delete;

    bool started() const { return m_started; }
    qint64 pid() const { return m_process.processId(); }
    void kill();

private:
    QProcess m_process;
    QString m_busName;
    bool m_started = false;
};

// A user preference file (com.zorva.prefsettings.plist) that turns on the full
// menu and the battery percentages.
extern const char* const kFullMenuPreferences;

QByteArray readFile(const QString& path);
// Writes the bytes, creating missing parent folders; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace testsupport

// Readable failure messages for Qt strings (found by gtest through QString).
void PrintTo(const QString& text, std::ostream* out);
