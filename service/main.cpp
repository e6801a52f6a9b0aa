// zorva-device-service: the device service of a Linux desktop. Publishes
// "ZorvaDeviceService" on the session bus with the headsets and headphones that
// UPower knows (docs/device-service-upower.md).
#include "ZorvaUIProject/Common/HVArchivableRecords.h"
#include "service/DeviceService.h"
#include "service/UPowerMonitor.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>
#include <QTimer>

namespace {

const char* const kUsage =
    "Usage: zorva-device-service [--quiet]\n"
    "  Publishes com.zorva.ZorvaDeviceService (/ZorvaDeviceService) on the session bus\n"
    "  with the headsets and headphones that UPower reports on the system bus, and\n"
    "  sends their changes to the status item. Runs until ended.\n"
    "  --quiet   write only failures to standard error\n";

constexpr int kReadyTimeoutMs = 3000;
constexpr int kBusCheckMs = 2000;

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    bool quiet = false;
    for (const QString& argument : QCoreApplication::arguments().mid(1)) {
        if (argument == QLatin1String("--quiet")) {
            quiet = true;
        } else {
            err << (argument == QLatin1String("--help") ? "" : "unknown option\n") << kUsage;
            return argument == QLatin1String("--help") ? 0 : 64;
        }
    }
    const auto trace = [&err, quiet](TraceKind kind, const QString& line) {
        if (!quiet || kind == TraceKind::Failure) {
            err << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                << " zorva-device-service: " << line << Qt::endl;
        }
    };
    HVRegisterArchivableRecords();

    // The name is published once the devices present at start are known (or after
    // a few seconds without UPower's answer): a status item that started this
    // service by its first request then gets the full list in that answer.
    DeviceService service(QDBusConnection::sessionBus(), trace);
    UPowerMonitor monitor(QDBusConnection::systemBus(), trace);
    QObject::connect(&monitor, &UPowerMonitor::deviceChanged, &service,
                     [&service](const QString& path, const upower::DeviceProperties& properties) {
                         service.setDevice(path, upower::headsetRecordFor(properties, path));
                     });
    QObject::connect(&monitor, &UPowerMonitor::deviceRemoved, &service,
                     [&service](const QString& path) { service.setDevice(path, std::nullopt); });
    bool published = false;
    const auto publish = [&] {
        if (published) {
            return;
        }
        published = true;
        QString error;
        if (!service.publish(&error)) {
            err << "zorva-device-service: " << error << Qt::endl;
            QCoreApplication::exit(1);
            return;
        }
        trace(TraceKind::Info,
              QStringLiteral("ready with %1 headset(s)").arg(service.headsets().size()));
    };
    QObject::connect(&monitor, &UPowerMonitor::ready, &service, publish);
    QTimer::singleShot(kReadyTimeoutMs, &service, publish);
    monitor.start();

    // Without its session bus the service has no one to serve: it ends.
    QTimer busCheck;
    QObject::connect(&busCheck, &QTimer::timeout, &service, [&] {
        if (!QDBusConnection::sessionBus().isConnected()) {
            trace(TraceKind::Failure, QStringLiteral("the session bus is gone; ending"));
            QCoreApplication::exit(0);
        }
    });
    busCheck.start(kBusCheckMs);
    return QCoreApplication::exec();
}
