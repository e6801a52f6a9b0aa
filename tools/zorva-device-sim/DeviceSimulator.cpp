#include "DeviceSimulator.h"

#include "Platform/DBusContract.h"
#include "Platform/ObjectDescription.h"
#include "Platform/RemoteCall.h"
#include "Platform/ServiceEndpoint.h"
#include "Platform/archive/KeyedArchive.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QThread>
#include <QTimer>

const QString DeviceSimulator::kControlInterface = QStringLiteral("com.zorva.ZorvaDeviceSimulator");

namespace {

namespace contract = platform::contract;
namespace service = contract::service;
namespace status = contract::status;

// The simulator's own control interface, beside the service's.
namespace control {
inline constexpr contract::Member SendCallback{"SendCallback", "sas", "s", contract::Call::TwoWay,
                                               "command arguments result"};
inline constexpr contract::Member Stall{"Stall", "u", "", contract::Call::TwoWay, "milliseconds"};
inline constexpr contract::Member Quit{"Quit", "", "", contract::Call::TwoWay, ""};
inline constexpr contract::Member kMembers[] = {SendCallback, Stall, Quit};
} // namespace control

const contract::Interface kControlContract{DeviceSimulator::kControlInterface, control::kMembers};

QString describeArgument(const QVariant& argument) {
    if (argument.metaType() == QMetaType::fromType<QByteArray>()) {
        const QByteArray data = argument.toByteArray();
        if (data.isEmpty()) {
            return QStringLiteral("(null)");
        }
        const QVariant object = platform::unarchiveObjectWithData(data);
        if (!object.isValid()) {
            return QStringLiteral("<unreadable archive>");
        }
        if (object.metaType() == QMetaType::fromType<QString>()) {
            return QLatin1Char('"') + object.toString() + QLatin1Char('"');
        }
        return platform::describe(object).replace(QLatin1Char('\n'), QLatin1Char(' '));
    }
    if (argument.metaType() == QMetaType::fromType<bool>()) {
        return argument.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    }
    return argument.toString();
}

QString unarchivedString(const QVariant& argument) {
    return platform::unarchiveObjectWithData(argument.toByteArray()).toString();
}

QByteArray archived(const QVariant& value) {
    return platform::archivedDataWithRootObject(value);
}

QByteArray archivedString(const QString& text) {
    return text.isNull() ? QByteArray() : archived(text);
}

template <class Ptr>
QVariantList recordList(const QList<Ptr>& records) {
    QVariantList list;
    for (const Ptr& record : records) {
        list.append(QVariant::fromValue(record));
    }
    return list;
}

bool toInt64(const QString& text, qint64* value) {
    bool ok = false;
    *value = text.toLongLong(&ok);
    if (!ok) {
        *value = qint64(text.toULongLong(&ok));
    }
    return ok;
}

} // namespace

DeviceSimulator::DeviceSimulator(Scenario scenario, Options options,
                                 const QDBusConnection& connection)
    : m_scenario(std::move(scenario)), m_options(std::move(options)), m_connection(connection),
      m_serviceDispatch(makeServiceDispatch()) {}

DeviceSimulator::~DeviceSimulator() {
    m_log.flush();
}

bool DeviceSimulator::publish(QString* error) {
    if (m_options.logPath.isEmpty()) {
        m_logFile = std::make_unique<QFile>();
        if (!m_logFile->open(stdout, QIODevice::WriteOnly)) {
            *error = QStringLiteral("cannot write to standard output");
            return false;
        }
    } else {
        m_logFile = std::make_unique<QFile>(m_options.logPath);
        if (!m_logFile->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            *error = QStringLiteral("cannot open the log %1: %2")
                         .arg(m_options.logPath, m_logFile->errorString());
            return false;
        }
    }
    m_log.setDevice(m_logFile.get());
    if (!m_connection.isConnected()) {
        *error = QStringLiteral("no session bus");
        return false;
    }
    const QString path = QLatin1Char('/') + m_options.endpointName;
    if (!m_connection.registerVirtualObject(path, this, QDBusConnection::SingleNode)) {
        *error = QStringLiteral("cannot publish the object %1").arg(path);
        return false;
    }
    const QString busName = platform::contract::busNameForEndpoint(m_options.endpointName);
    if (!m_connection.registerService(busName)) {
        m_connection.unregisterObject(path);
        *error = QStringLiteral("the name %1 is already taken").arg(busName);
        return false;
    }
    m_busName = busName;
    m_path = path;
    log(QStringLiteral("ready %1").arg(busName));
    return true;
}

void DeviceSimulator::withdraw() {
    if (!m_busName.isEmpty()) {
        m_connection.unregisterService(m_busName);
        m_connection.unregisterObject(m_path);
        m_busName.clear();
    }
}

void DeviceSimulator::log(const QString& line) {
    m_log << line << '\n';
    m_log.flush();
}

QString DeviceSimulator::introspect(const QString& /*path*/) const {
    static const QString xml =
        contract::kServiceContract.introspectionXml() + kControlContract.introspectionXml();
    return xml;
}

bool DeviceSimulator::handleMessage(const QDBusMessage& message,
                                    const QDBusConnection& /*connection*/) {
    if (message.type() != QDBusMessage::MethodCallMessage) {
        return false;
    }
    if (platform::remote::answerStandardCall(message, m_connection,
                                             [&] { return introspect(message.path()); })) {
        return true;
    }
    if (message.interface() == kControlInterface) {
        handleControlCall(message);
    } else {
        handleServiceCall(message);
    }
    return true;
}

void DeviceSimulator::answer(const QDBusMessage& message, const QVariantList& results) {
    const QString member = message.member();
    QDBusMessage reply;
    if (m_options.failing.contains(member)) {
        reply =
            message.createErrorReply(QStringLiteral("com.zorva.ZorvaDeviceService.Error.Failed"),
                                     QStringLiteral("%1 failed (simulated)").arg(member));
    } else if (m_scenario.rawAnswers.contains(member)) {
        const std::optional<QByteArray> raw = m_scenario.rawAnswers.value(member);
        reply = raw ? message.createReply(QVariant(*raw)) : message.createReply();
    } else {
        reply = message.createReply(results);
    }
    if (!message.isReplyRequired()) {
        return;
    }
    const int delay = m_options.delays.value(member, 0);
    if (delay > 0) {
        QTimer::singleShot(delay, this, [this, reply] { m_connection.send(reply); });
    } else {
        m_connection.send(reply);
    }
}

HVDevicePtr DeviceSimulator::findDevice(const QString& productID, quint64 lid) const {
    for (const HVDevicePtr& device : m_scenario.devices) {
        if (device->productID() == productID && device->lid() == lid) {
            return device;
        }
    }
    return nullptr;
}

void DeviceSimulator::handleServiceCall(const QDBusMessage& message) {
    const QString member = message.member();
    QString refusal;
    if (platform::service::acceptServiceCall(message, m_connection, &refusal) == nullptr) {
        log(QStringLiteral("request %1 refused: %2").arg(member, refusal));
        return;
    }
    const ServiceDispatch::Target target = m_serviceDispatch.find(message);
    const QString in = target.member->inSignature();
    const QVariantList args = message.arguments();
    QStringList described;
    for (const QVariant& argument : args) {
        described << describeArgument(argument);
    }
    log(described.isEmpty() ? QStringLiteral("request %1").arg(member)
                            : QStringLiteral("request %1 %2").arg(member, described.join(u' ')));

    QString key;
    if (in.startsWith(QLatin1String("ayx"))) {
        key = Scenario::deviceKey(unarchivedString(args.at(0)), args.at(1).toLongLong());
    }
    // Members without a handler are answered with no values.
    const QVariantList results = target.handler ? (*target.handler)(args, key) : QVariantList();
    answer(message, results);
}

DeviceSimulator::ServiceDispatch DeviceSimulator::makeServiceDispatch() {
    using Args = const QVariantList&;
    using Key = const QString&;
    ServiceDispatch d(contract::kServiceContract);
    d.on(service::getDeviceInfoFromAppService,
         [this](Args, Key) -> QVariantList { return {archived(recordList(m_scenario.devices))}; });
    d.on(service::getSoftphoneInfoFromAppService, [this](Args, Key) -> QVariantList {
        return {archived(recordList(m_scenario.softphones))};
    });
    d.on(service::requestForManualCheckForUpdate, [this](Args, Key) {
        QTimer::singleShot(0, this, [this] { reportUpdateCheck(m_scenario.manualCheck, true); });
        return QVariantList();
    });
    d.on(service::requestForAutoCheckForUpdate, [this](Args, Key) {
        QTimer::singleShot(0, this, [this] { reportUpdateCheck(m_scenario.autoCheck, false); });
        return QVariantList();
    });
    d.on(service::getFwUpdateAvailableInfo,
         [this](Args, Key) -> QVariantList { return {archived(m_scenario.updateAvailable)}; });
    d.on(service::getFwUpdateComponentList,
         [this](Args, Key) -> QVariantList { return {archived(m_scenario.componentList)}; });
    d.on(service::getPanicTraceInfo_locationId, [this](Args, Key key) -> QVariantList {
        return {archived(m_scenario.errorReports.value(key))};
    });
    d.on(service::resetDevFromPanicTrace_locId, [this](Args, Key key) {
        m_scenario.errorReports.remove(key);
        return QVariantList();
    });
    d.on(service::enableAutoPairing_locationId_withValue, [this](Args args, Key key) {
        m_scenario.autoPairing.insert(key, args.at(2).toBool());
        return QVariantList();
    });
    d.on(service::getAutoPairingValue_locationId, [this](Args, Key key) -> QVariantList {
        return {QVariant(m_scenario.autoPairing.value(key, false))};
    });
    d.on(service::clearPairingList_locationId, [this](Args, Key key) {
        m_scenario.pairingLists.remove(key);
        return QVariantList();
    });
    d.on(service::getDBrecord_locationId, [this](Args, Key key) -> QVariantList {
        return {archived(m_scenario.dbRecords.value(key))};
    });
    d.on(service::getSearchList_locationId, [this](Args, Key key) -> QVariantList {
        return {archived(m_scenario.searchLists.value(key))};
    });
    d.on(service::getPairingList_locationId, [this](Args, Key key) -> QVariantList {
        return {archived(m_scenario.pairingLists.value(key))};
    });
    return d;
}

void DeviceSimulator::reportUpdateCheck(const QString& outcome, bool manual) {
    if (outcome == QLatin1String("list")) {
        sendCallback(status::sendUpdatedComponentList_isManualCheckUpdate,
                     {archived(m_scenario.componentList), QVariant(manual)}, nullptr);
    } else if (outcome.startsWith(QLatin1String("status:"))) {
        sendCallback(status::sendCheckForUpdateStatus,
                     {QVariant::fromValue(qint32(outcome.mid(7).toInt()))}, nullptr);
    }
}

void DeviceSimulator::sendCallback(
    const contract::Member& callback, const QVariantList& arguments,
    std::function<void(const QString& errorName, const QString& text)> then) {
    const QString member = callback.memberName();
    platform::service::sendCallback(
        m_connection, callback, arguments, this,
        [this, member, then = std::move(then)](const QDBusMessage& reply) {
            if (reply.type() == QDBusMessage::ErrorMessage) {
                log(QStringLiteral("callback %1 failed %2: %3")
                        .arg(member, reply.errorName(), reply.errorMessage()));
                if (then) {
                    then(reply.errorName(), reply.errorMessage());
                }
            } else {
                log(QStringLiteral("callback %1 ok").arg(member));
                if (then) {
                    then(QString(), QString());
                }
            }
        });
}

void DeviceSimulator::handleControlCall(const QDBusMessage& message) {
    const QString member = message.member();
    const contract::Member* known = kControlContract.find(member);
    if (known == nullptr || message.signature() != known->inSignature()) {
        m_connection.send(
            message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                     QStringLiteral("no control member %1 with arguments \"%2\"")
                                         .arg(member, message.signature())));
        return;
    }
    if (known->name == control::Quit.name) {
        m_connection.send(message.createReply());
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    } else if (known->name == control::Stall.name) {
        const uint ms = message.arguments().at(0).toUInt();
        log(QStringLiteral("stall %1").arg(ms));
        m_connection.send(message.createReply());
        QThread::msleep(ms);
    } else {
        const QString command = message.arguments().at(0).toString();
        const QStringList args = message.arguments().at(1).toStringList();
        QString usage;
        if (!runCommand(command, args, message, &usage)) {
            m_connection.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"), usage));
        }
    }
}

// The client commands: each sends one callback built from its arguments.
struct DeviceSimulator::Command {
    const char* name;
    qsizetype minArgs;
    qsizetype maxArgs;
    const char* usage; // the arguments, as the help and a refusal show them
    const char* help;  // what is sent; empty when the name says it
    // Sends the callback, or returns false with the reason in *problem (empty
    // for the usage) when the arguments do not fit.
    bool (DeviceSimulator::*run)(const QStringList& args, const Done& done, QString* problem);
};

std::span<const DeviceSimulator::Command> DeviceSimulator::commands() {
    static constexpr Command table[] = {
        {"attach", 3, 5, "NAME PRODUCTID LOCATIONID [FWVERSION [HEADSETTYPE]]",
         "updateDeviceInfo:productID:locatonID:deviceState:currentFWVer:headSetType: with\n"
         "state 0; the device joins the simulator's list (taken from it when known)",
         &DeviceSimulator::sendAttach},
        {"detach", 3, 5, "NAME PRODUCTID LOCATIONID [STATE]",
         "the same message with STATE (default 1); the device leaves the list",
         &DeviceSimulator::sendDetach},
        {"battery", 3, 6, "PRODUCTID LOCATIONID PERCENT [charging] [low] [typeid=ID]",
         "updateHeadsetBatteryInfo: with the device's record and fresh battery values",
         &DeviceSimulator::sendBattery},
        {"softphone", 2, 2, "NAME STATUS",
         "updateSoftphoneInfo:softphoneStatus:", &DeviceSimulator::sendSoftphone},
        {"reset", 0, 0, "", "resetDeviceSoftphoneInfo", &DeviceSimulator::sendReset},
        {"update-status", 1, 1, "CODE",
         "sendCheckForUpdateStatus:", &DeviceSimulator::sendUpdateStatus},
        {"components", 1, 2, "manual|auto [empty|absent]",
         "sendUpdatedComponentList:isManualCheckUpdate: with the scenario's list",
         &DeviceSimulator::sendComponents},
        {"device-info", 4, 4, "NAME PRODUCTID LOCATIONID STATE", "",
         &DeviceSimulator::sendPlainDeviceInfo},
        {"device-info-type", 5, 5, "NAME PRODUCTID LOCATIONID STATE HEADSETTYPE", "",
         &DeviceSimulator::sendPlainDeviceInfo},
        {"device-info-serial", 6, 6, "NAME PRODUCTID LOCATIONID SERIAL STATE HEADSETTYPE", "",
         &DeviceSimulator::sendSerialDeviceInfo},
        {"preferred-softphone", 0, 0, "", "", &DeviceSimulator::sendPreferredSoftphone},
        {"headset-connect", 5, 5, "NAME PRODUCTID STATE LOCATIONID SERIAL",
         "the five messages the status item does not answer", &DeviceSimulator::sendHeadsetConnect},
    };
    return table;
}

QString simulatorCommandHelp() {
    QString help =
        QStringLiteral("Callbacks (sent by the running simulator to StatusAppServer):\n");
    for (const DeviceSimulator::Command& command : DeviceSimulator::commands()) {
        QString line = QStringLiteral("  %1 %2").arg(QLatin1String(command.name),
                                                     QLatin1String(command.usage));
        const QStringList text = QString::fromLatin1(command.help).split(u'\n', Qt::SkipEmptyParts);
        if (text.size() == 1 && line.size() < 30) {
            help += line.leftJustified(30) + text.first() + u'\n';
            continue;
        }
        help += line.trimmed().prepend(QStringLiteral("  ")) + u'\n';
        for (const QString& part : text) {
            help += QStringLiteral("      ") + part + u'\n';
        }
    }
    return help + QStringLiteral("Other commands:\n"
                                 "  stall MILLISECONDS          keep the simulator busy (not "
                                 "serving) for a while\n"
                                 "  quit                        end the simulator\n");
}

bool DeviceSimulator::runCommand(const QString& command, const QStringList& args,
                                 const QDBusMessage& control, QString* usage) {
    QDBusMessage pending = control;
    pending.setDelayedReply(true);
    const Done done = [this, pending](const QString& errorName, const QString& text) {
        m_connection.send(
            errorName.isEmpty()
                ? pending.createReply(QStringLiteral("ok"))
                : pending.createErrorReply(
                      QStringLiteral("com.zorva.ZorvaDeviceSimulator.Error.CallbackFailed"),
                      errorName + QStringLiteral(": ") + text));
    };
    for (const Command& entry : commands()) {
        if (command != QLatin1String(entry.name)) {
            continue;
        }
        QString problem;
        if (args.size() >= entry.minArgs && args.size() <= entry.maxArgs &&
            (this->*entry.run)(args, done, &problem)) {
            return true;
        }
        *usage = QStringLiteral("%1: %2").arg(
            command, problem.isEmpty() ? QString::fromLatin1(entry.usage) : problem);
        return false;
    }
    *usage = QStringLiteral("%1: unknown command").arg(command);
    return false;
}

bool DeviceSimulator::sendDeviceInfo(const QStringList& args, const Done& done, bool attach,
                                     QString* problem) {
    qint64 lid = 0;
    if (!toInt64(args.at(2), &lid)) {
        return false;
    }
    HVDevicePtr device = findDevice(args.at(1), quint64(lid));
    qint32 state = 0;
    qint32 type = device ? device->headsetType() : 0;
    QString firmware = device ? device->curFwVersion() : QString();
    if (attach) {
        if (args.size() > 3) {
            firmware = args.at(3);
        }
        if (args.size() > 4) {
            type = args.at(4).toInt();
        }
        if (!device) {
            device = HVDevice::initDevice(args.at(0), args.at(1), quint64(lid));
            m_scenario.devices.append(device);
        }
        device->setCurFwVersion(firmware);
        device->setHeadsetType(type);
    } else {
        state = args.size() > 3 ? args.at(3).toInt() : 1;
        if (state == 0) {
            *problem = QStringLiteral("a detach has a state other than 0");
            return false;
        }
        m_scenario.devices.removeAll(device);
    }
    sendCallback(status::updateDeviceInfo_productID_locatonID_deviceState_currentFWVer_headSetType,
                 {archivedString(args.at(0)), archivedString(args.at(1)),
                  QVariant::fromValue(quint64(lid)), QVariant::fromValue(state),
                  archivedString(firmware), QVariant::fromValue(type)},
                 done);
    return true;
}

bool DeviceSimulator::sendAttach(const QStringList& args, const Done& done, QString* problem) {
    return sendDeviceInfo(args, done, true, problem);
}

bool DeviceSimulator::sendDetach(const QStringList& args, const Done& done, QString* problem) {
    return sendDeviceInfo(args, done, false, problem);
}

bool DeviceSimulator::sendBattery(const QStringList& args, const Done& done, QString*) {
    qint64 lid = 0;
    if (!toInt64(args.at(1), &lid)) {
        return false;
    }
    HVDevicePtr device = findDevice(args.at(0), quint64(lid));
    if (!device) {
        device = HVDevice::initDevice(args.at(0), args.at(0), quint64(lid));
    }
    HVBatteryInformationPtr battery = device->batteryInfo();
    if (!battery) {
        battery = HVBatteryInformation::initBatteryInfoForTypeId(args.at(0));
        device->setBatteryInfo(battery);
    }
    battery->setHsBatteryPCT(args.at(2).toInt());
    battery->setIsCharging(args.mid(3).contains(QStringLiteral("charging")));
    battery->setIsBatteryLow(args.mid(3).contains(QStringLiteral("low")));
    for (const QString& extra : args.mid(3)) {
        if (extra.startsWith(QLatin1String("typeid="))) {
            battery->setHsProductTypeId(extra.mid(7));
        }
    }
    sendCallback(status::updateHeadsetBatteryInfo, {archived(QVariant::fromValue(device))}, done);
    return true;
}

bool DeviceSimulator::sendSoftphone(const QStringList& args, const Done& done, QString*) {
    qint64 number = 0;
    if (!toInt64(args.at(1), &number)) {
        return false;
    }
    bool known = false;
    for (const HVSoftphonePtr& softphone : std::as_const(m_scenario.softphones)) {
        if (softphone->name() == args.at(0)) {
            softphone->setState(qint32(number));
            known = true;
        }
    }
    if (!known) {
        m_scenario.softphones.append(HVSoftphone::initSoftphone(args.at(0), qint32(number)));
    }
    sendCallback(status::updateSoftphoneInfo_softphoneStatus,
                 {archivedString(args.at(0)), QVariant::fromValue(qint32(number))}, done);
    return true;
}

bool DeviceSimulator::sendReset(const QStringList&, const Done& done, QString*) {
    sendCallback(status::resetDeviceSoftphoneInfo, {}, done);
    return true;
}

bool DeviceSimulator::sendUpdateStatus(const QStringList& args, const Done& done, QString*) {
    qint64 number = 0;
    if (!toInt64(args.at(0), &number)) {
        return false;
    }
    sendCallback(status::sendCheckForUpdateStatus, {QVariant::fromValue(qint32(number))}, done);
    return true;
}

bool DeviceSimulator::sendComponents(const QStringList& args, const Done& done, QString*) {
    if (args.at(0) != QLatin1String("manual") && args.at(0) != QLatin1String("auto")) {
        return false;
    }
    QVariant list = m_scenario.componentList;
    if (args.size() == 2) {
        if (args.at(1) == QLatin1String("empty")) {
            list = QVariantList();
        } else if (args.at(1) == QLatin1String("absent")) {
            list = QVariant();
        } else {
            return false;
        }
    }
    sendCallback(status::sendUpdatedComponentList_isManualCheckUpdate,
                 {archived(list), QVariant(args.at(0) == QLatin1String("manual"))}, done);
    return true;
}

// The five callbacks the status item does not answer, sent as given.
bool DeviceSimulator::sendPlainDeviceInfo(const QStringList& args, const Done& done, QString*) {
    qint64 lid = 0;
    if (!toInt64(args.at(2), &lid)) {
        return false;
    }
    QVariantList arguments{archivedString(args.at(0)), archivedString(args.at(1)),
                           QVariant::fromValue(quint64(lid)),
                           QVariant::fromValue(qint32(args.at(3).toInt()))};
    // device-info-type: one argument more, the headset type.
    const bool typed = args.size() == 5;
    if (typed) {
        arguments << QVariant::fromValue(qint32(args.at(4).toInt()));
    }
    sendCallback(typed ? status::updateDeviceInfo_productID_locatonID_deviceState_headSetType
                       : status::updateDeviceInfo_productID_locatonID_deviceState,
                 arguments, done);
    return true;
}

bool DeviceSimulator::sendSerialDeviceInfo(const QStringList& args, const Done& done, QString*) {
    qint64 lid = 0;
    if (!toInt64(args.at(2), &lid)) {
        return false;
    }
    sendCallback(status::updateDeviceInfo_productID_locatonID_serialNumber_deviceState_headSetType,
                 {archivedString(args.at(0)), archivedString(args.at(1)),
                  QVariant::fromValue(quint64(lid)), archivedString(args.at(3)),
                  QVariant::fromValue(qint32(args.at(4).toInt())),
                  QVariant::fromValue(qint32(args.at(5).toInt()))},
                 done);
    return true;
}

bool DeviceSimulator::sendPreferredSoftphone(const QStringList&, const Done& done, QString*) {
    sendCallback(status::getPreferredSoftphone, {}, done);
    return true;
}

bool DeviceSimulator::sendHeadsetConnect(const QStringList& args, const Done& done, QString*) {
    qint64 lid = 0;
    if (!toInt64(args.at(3), &lid)) {
        return false;
    }
    sendCallback(status::headsetConnectStatus_productId_devState_lid_serialNumber,
                 {archivedString(args.at(0)), archivedString(args.at(1)),
                  QVariant::fromValue(qint32(args.at(2).toInt())),
                  archived(QVariant::fromValue(quint64(lid))), archivedString(args.at(4))},
                 done);
    return true;
}
