#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>

namespace testsupport {

// Lays out an application bundle <folder>/<name>.app with Contents/<infoFileName>
// holding the keys. When `executable` is not empty, Contents/MacOS/<executable> is
// a copy of /bin/sleep and the info gets CFBundleExecutable. Returns the bundle's
// path; null on failure.
QString makeStubApplication(const QString& folder, const QString& name, QVariantMap info,
                            const QString& executable = QString(),
                            const QString& infoFileName = QStringLiteral("Info.plist"));

// An executable that records the arguments it received (their count on a first
// line, then each NUL-terminated) and moves the record into place in one step;
// what it writes for a list of arguments is expectedRecord(list).
QByteArray recorderScript(const QString& record);
QByteArray expectedRecord(const QStringList& arguments);
// The record once the recorder has finished; empty after 15 s.
QByteArray waitForRecord(const QString& record);
// Writes the bytes as an executable file; false on failure.
bool writeExecutable(const QString& path, const QByteArray& content);

// A process started from an executable for the life of the object; killed and
// reaped at destruction, so that no test leaves a process behind.
class StubProcess {
public:
    explicit StubProcess(const QString& executablePath);
    ~StubProcess();
    StubProcess(const StubProcess&) = delete;
    StubProcess& operator=(const StubProcess&) = delete;

    bool isRunning() const;
    qint64 processId() const;

private:
    std::unique_ptr<QProcess> m_process;
};

} // namespace testsupport
