// zorva-device-sim: a stand-in for the device service on the session bus, for
// trying the status item without headsets, for the demo and for tests.
#include "DeviceSimulator.h"
#include "Platform/DBusContract.h"
#include "Platform/RemoteCall.h"
#include "ZorvaUIProject/Common/HVArchivableRecords.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTextStream>
#include <QThread>
#include <csignal>

namespace {

QString usageText() {
    return QStringLiteral(
               "Usage:\n"
               "  zorva-device-sim [--scenario FILE] [--log FILE] [--name NAME]\n"
               "                   [--delay MEMBER=MS]... [--fail MEMBER]...\n"
               "      Publish the device service (bus name com.zorva.ZorvaDeviceService, object\n"
               "      /ZorvaDeviceService) and serve until ended. Every request received is\n"
               "      logged in order, one line each, to FILE or standard output:\n"
               "        request MEMBER [ARGUMENTS]   callback MEMBER ok|failed ...\n"
               "      --scenario FILE   JSON scenario with the answers (default: none, empty)\n"
               "      --log FILE        append the log to FILE\n"
               "      --name NAME       publish as com.zorva.NAME, /NAME (default "
               "ZorvaDeviceService)\n"
               "      --delay MEMBER=MS answer MEMBER only after MS milliseconds, serving others\n"
               "      --fail MEMBER     answer MEMBER with an error\n"
               "  zorva-device-sim [--name NAME] send COMMAND [ARGUMENTS...]\n"
               "      Make the running simulator send a callback to StatusAppServer; returns when\n"
               "      the status item has answered. Exit status 0 when it answered, 2 when it\n"
               "      answered with an error (printed), 1 when the simulator is not there.\n"
               "  zorva-device-sim [--name NAME] stall MS | quit\n\n") +
           simulatorCommandHelp();
}

int runClient(const QString& endpoint, const QString& member, const QVariantList& arguments) {
    QTextStream err(stderr);
    QTextStream out(stdout);
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        err << "zorva-device-sim: no session bus\n";
        return 1;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        platform::contract::busNameForEndpoint(endpoint), QLatin1Char('/') + endpoint,
        DeviceSimulator::kControlInterface, member);
    call.setArguments(arguments);
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, platform::remote::kNoTimeout);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        err << "zorva-device-sim: " << reply.errorName() << ": " << reply.errorMessage() << '\n';
        return platform::remote::isNoOwnerError(reply.errorName()) ? 1 : 2;
    }
    if (!reply.arguments().isEmpty()) {
        out << reply.arguments().at(0).toString() << '\n';
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    HVRegisterArchivableRecords();
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);

    DeviceSimulator::Options options;
    QString scenarioPath;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--help")) {
            QTextStream(stdout) << usageText();
            return 0;
        }
        if (args.isEmpty()) {
            err << "zorva-device-sim: " << option << " needs a value\n" << usageText();
            return 64;
        }
        const QString value = args.takeFirst();
        if (option == QLatin1String("--scenario")) {
            scenarioPath = value;
        } else if (option == QLatin1String("--log")) {
            options.logPath = value;
        } else if (option == QLatin1String("--name")) {
            options.endpointName = value;
        } else if (option == QLatin1String("--fail")) {
            options.failing << value;
        } else if (option == QLatin1String("--delay") && value.contains(u'=')) {
            options.delays.insert(value.section(u'=', 0, 0), value.section(u'=', 1).toInt());
        } else {
            err << "zorva-device-sim: unknown option " << option << '\n' << usageText();
            return 64;
        }
    }

    if (!args.isEmpty()) {
        const QString command = args.takeFirst();
        if (command == QLatin1String("send") && !args.isEmpty()) {
            const QString callback = args.takeFirst();
            return runClient(options.endpointName, QStringLiteral("SendCallback"),
                             {callback, args});
        }
        if (command == QLatin1String("stall") && args.size() == 1) {
            return runClient(options.endpointName, QStringLiteral("Stall"),
                             {QVariant::fromValue(args.at(0).toUInt())});
        }
        if (command == QLatin1String("quit") && args.isEmpty()) {
            return runClient(options.endpointName, QStringLiteral("Quit"), {});
        }
        err << "zorva-device-sim: cannot understand " << command << '\n' << usageText();
        return 64;
    }

    Scenario scenario;
    if (!scenarioPath.isEmpty()) {
        QString error;
        std::optional<Scenario> loaded = Scenario::load(scenarioPath, &error);
        if (!loaded) {
            err << "zorva-device-sim: " << error << '\n';
            return 65;
        }
        scenario = std::move(*loaded);
    }
    DeviceSimulator simulator(std::move(scenario), options, QDBusConnection::sessionBus());
    QString error;
    if (!simulator.publish(&error)) {
        err << "zorva-device-sim: " << error << '\n';
        return 69;
    }
    // Requests are handled on the bus connection's own thread (the thread that
    // owns the connection's interface object), so an answer goes out without two
    // hops through the main thread. Everything the simulator does runs there, one
    // message after the other, as it would on the main thread.
    QThread* busThread = QDBusConnection::sessionBus().interface()->thread();
    if (busThread != nullptr && busThread != app.thread()) {
        simulator.moveToThread(busThread);
    }
    // SIGTERM and SIGINT end the loop cleanly, so the log is complete.
    static QCoreApplication* running = &app;
    const auto stop = [](int) {
        QMetaObject::invokeMethod(running, &QCoreApplication::quit, Qt::QueuedConnection);
    };
    std::signal(SIGTERM, stop);
    std::signal(SIGINT, stop);
    const int status = app.exec();
    simulator.withdraw();
    if (simulator.thread() != app.thread()) {
        QMetaObject::invokeMethod(
            &simulator, [&simulator, &app] { simulator.moveToThread(app.thread()); },
            Qt::BlockingQueuedConnection);
    }
    return status;
}
