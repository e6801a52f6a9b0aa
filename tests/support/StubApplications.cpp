#include "support/StubApplications.h"

#include "Platform/plist/PropertyList.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace testsupport {

QString makeStubApplication(const QString& folder, const QString& name, QVariantMap info,
                            const QString& executable, const QString& infoFileName) {
    const QString bundle = folder + u'/' + name + u".app"_s;
    if (!QDir().mkpath(bundle + u"/Contents/MacOS"_s)) {
        return {};
    }
    if (!executable.isEmpty()) {
        info.insert(u"CFBundleExecutable"_s, executable);
        const QString target = bundle + u"/Contents/MacOS/"_s + executable;
        QFile::remove(target);
        if (!QFile::copy(u"/bin/sleep"_s, target)) {
            return {};
        }
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::ExeOwner);
    }
    if (!platform::plist::writeFile(bundle + u"/Contents/"_s + infoFileName, info)) {
        return {};
    }
    return bundle;
}

StubProcess::StubProcess(const QString& executablePath) : m_process(std::make_unique<QProcess>()) {
    m_process->setProgram(executablePath);
    m_process->setArguments({u"300"_s});
    m_process->start();
    m_process->waitForStarted(10000);
}

StubProcess::~StubProcess() {
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(10000);
    }
}

bool StubProcess::isRunning() const {
    return m_process->state() == QProcess::Running;
}

qint64 StubProcess::processId() const {
    return m_process->processId();
}

QByteArray recorderScript(const QString& record) {
    const QByteArray quoted = "'" + record.toUtf8().replace("'", "'\\''") + "'";
    return "#!/bin/sh\n"
           "{ printf '%s\\n' \"$#\"; for a in \"$@\"; do printf '%s\\0' \"$a\"; done; } > " +
           quoted + ".tmp && mv " + quoted + ".tmp " + quoted + "\n";
}

QByteArray expectedRecord(const QStringList& arguments) {
    QByteArray out = QByteArray::number(arguments.size()) + '\n';
    for (const QString& a : arguments) {
        out += a.toUtf8() + '\0';
    }
    return out;
}

QByteArray waitForRecord(const QString& record) {
    QByteArray bytes;
    waitFor(
        [&] {
            if (!QFileInfo::exists(record)) {
                return false;
            }
            bytes = readFile(record);
            return true;
        },
        15000);
    return bytes;
}

bool writeExecutable(const QString& path, const QByteArray& content) {
    if (!writeFile(path, content)) {
        return false;
    }
    return QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
}

} // namespace testsupport
