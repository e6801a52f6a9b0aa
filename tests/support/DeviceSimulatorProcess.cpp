#include "support/DeviceSimulatorProcess.h"

#include "Platform/DBusContract.h"

using namespace Qt::StringLiterals;

namespace testsupport {

namespace {

const QString kSimulator = QStringLiteral(ZORVA_DEVICE_SIM);

} // namespace

QString simulatorScenario(const QString& name) {
    return QStringLiteral(ZORVA_SOURCE_DIR "/tools/zorva-device-sim/scenarios/") + name;
}

DeviceSimulatorProcess::DeviceSimulatorProcess(const QString& scenarioPath,
                                               const QStringList& options) {
    QStringList args{u"--log"_s, m_dir.filePath(u"requests.log"_s)};
    if (!scenarioPath.isEmpty()) {
        args << u"--scenario"_s << scenarioPath;
    }
    args << options;
    m_process =
        std::make_unique<BusServiceProcess>(kSimulator, args, platform::contract::kServiceBusName);
}

QStringList DeviceSimulatorProcess::log() const {
    return QString::fromUtf8(readFile(m_dir.filePath(u"requests.log"_s)))
        .split(u'\n', Qt::SkipEmptyParts);
}

QStringList DeviceSimulatorProcess::waitForRequests(int count) const {
    QStringList seen;
    waitFor(
        [&] {
            seen.clear();
            for (const QString& line : log()) {
                if (line.startsWith(QLatin1String("request "))) {
                    seen << line.mid(8);
                }
            }
            return seen.size() >= count;
        },
        5000);
    return seen;
}

int DeviceSimulatorProcess::send(const QStringList& commandAndArgs, QString* output) {
    QProcess client;
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.start(kSimulator, QStringList{u"send"_s} + commandAndArgs);
    if (!client.waitForStarted(10000)) {
        return -1;
    }
    // The status item's server may be in this process: keep serving.
    waitFor([&] { return client.state() == QProcess::NotRunning; }, 60000);
    if (output != nullptr) {
        *output = QString::fromUtf8(client.readAll());
    }
    return client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
}

} // namespace testsupport
