#include "support/StubApplications.h"

#include "Platform/PropertyList.h"

#include <QDir>
#include <QFile>

namespace testsupport {

QString makeStubApplication(const QString& folder, const QString& name, QVariantMap info,
                            const QString& executable, const QString& infoFileName) {
    const QString bundle = folder + u'/' + name + QStringLiteral(".app");
    if (!QDir().mkpath(bundle + QStringLiteral("/Contents/MacOS"))) {
        return {};
    }
    if (!executable.isEmpty()) {
        info.insert(QStringLiteral("CFBundleExecutable"), executable);
        const QString target = bundle + QStringLiteral("/Contents/MacOS/") + executable;
        QFile::remove(target);
        if (!QFile::copy(QStringLiteral("/bin/sleep"), target)) {
            return {};
        }
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::ExeOwner);
    }
    if (!platform::plist::writeFile(bundle + QStringLiteral("/Contents/") + infoFileName, info)) {
        return {};
    }
    return bundle;
}

StubProcess::StubProcess(const QString& executablePath) : m_process(std::make_unique<QProcess>()) {
    m_process->setProgram(executablePath);
    m_process->setArguments({QStringLiteral("300")});
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

} // namespace testsupport
