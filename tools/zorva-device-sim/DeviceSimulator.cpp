#include "DeviceSimulator.h"

#include "Platform/DBusContract.h"
#include "Platform/KeyedArchive.h"
#include "Platform/ObjectDescription.h"
#include "Platform/RemoteCall.h"
#include "Platform/ServiceEndpoint.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QThread>
#include <QTimer>

const QString DeviceSimulator::kControlInterface = QStringLiteral("com.zorva.ZorvaDeviceSimulator");

namespace {

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

QString simulatorCommandHelp() {
    return QStringLiteral(
        "Callbacks (sent by the running simulator to StatusAppServer):\n"
        "  attach NAME PRODUCTID LOCATIONID [FWVERSION [HEADSETTYPE]]\n"
        "      updateDeviceInfo:productID:locatonID:deviceState:currentFWVer:headSetType: with\n"
        "      state 0; the device joins the simulator's list (taken from it when known)\n"
        "  detach NAME PRODUCTID LOCATIONID [STATE]\n"
        "      the same message with STATE (default 1); the device leaves the list\n"
        "  battery PRODUCTID LOCATIONID PERCENT [charging] [low] [typeid=ID]\n"
        "      updateHeadsetBatteryInfo: with the device's record and fresh battery values\n"
        "  softphone NAME STATUS       updateSoftphoneInfo:softphoneStatus:\n"
        "  reset                       resetDeviceSoftphoneInfo\n"
        "  update-status CODE          sendCheckForUpdateStatus:\n"
        "  components manual|auto [empty|absent]\n"
        "      sendUpdatedComponentList:isManualCheckUpdate: with the scenario's list\n"
        "  device-info NAME PRODUCTID LOCATIONID STATE\n"
        "  device-info-type NAME PRODUCTID LOCATIONID STATE HEADSETTYPE\n"
        "  device-info-serial NAME PRODUCTID LOCATIONID SERIAL STATE HEADSETTYPE\n"
        "  preferred-softphone\n"
        "  headset-connect NAME PRODUCTID STATE LOCATIONID SERIAL\n"
        "      the five messages the status item does not answer\n"
        "Other commands:\n"
        "  stall MILLISECONDS          keep the simulator busy (not serving) for a while\n"
        "  quit                        end the simulator\n");
}

DeviceSimulator::DeviceSimulator(Scenario scenario, Options options,
                                 const QDBusConnection& connection)
    : m_scenario(std::move(scenario)), m_options(std::move(options)), m_connection(connection) {}

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
    using platform::service::methodXml;
    QString xml = platform::service::serviceInterfaceXml();
    xml += QStringLiteral("  <interface name=\"%1\">\n").arg(kControlInterface);
    xml += methodXml(QStringLiteral("SendCallback"), QStringLiteral("sas"), QStringLiteral("s"),
                     false);
    xml += methodXml(QStringLiteral("Stall"), QStringLiteral("u"), QString(), false);
    xml += methodXml(QStringLiteral("Quit"), QString(), QString(), false);
    return xml + QStringLiteral("  </interface>\n");
}

bool DeviceSimulator::handleMessage(const QDBusMessage& message,
                                    const QDBusConnection& /*connection*/) {
    if (message.type() != QDBusMessage::MethodCallMessage) {
        return false;
    }
    if (platform::remote::answerStandardCall(message, m_connection, introspect(message.path()))) {
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
    const platform::service::ServiceMember* known =
        platform::service::acceptServiceCall(message, m_connection, &refusal);
    if (known == nullptr) {
        log(QStringLiteral("request %1 refused: %2").arg(member, refusal));
        return;
    }
    const QVariantList args = message.arguments();
    QStringList described;
    for (const QVariant& argument : args) {
        described << describeArgument(argument);
    }
    log(described.isEmpty() ? QStringLiteral("request %1").arg(member)
                            : QStringLiteral("request %1 %2").arg(member, described.join(u' ')));

    QString key;
    if (QLatin1String(known->in).startsWith(QLatin1String("ayx"))) {
        key = Scenario::deviceKey(unarchivedString(args.at(0)), args.at(1).toLongLong());
    }
    QVariantList results;
    if (member == QLatin1String("getDeviceInfoFromAppService")) {
        results << archived(recordList(m_scenario.devices));
    } else if (member == QLatin1String("getSoftphoneInfoFromAppService")) {
        results << archived(recordList(m_scenario.softphones));
    } else if (member == QLatin1String("requestForManualCheckForUpdate")) {
        QTimer::singleShot(0, this, [this] { reportUpdateCheck(m_scenario.manualCheck, true); });
    } else if (member == QLatin1String("requestForAutoCheckForUpdate")) {
        QTimer::singleShot(0, this, [this] { reportUpdateCheck(m_scenario.autoCheck, false); });
    } else if (member == QLatin1String("getFwUpdateAvailableInfo")) {
        results << archived(m_scenario.updateAvailable);
    } else if (member == QLatin1String("getFwUpdateComponentList")) {
        results << archived(m_scenario.componentList);
    } else if (member == QLatin1String("getPanicTraceInfo_locationId")) {
        results << archived(m_scenario.errorReports.value(key));
    } else if (member == QLatin1String("resetDevFromPanicTrace_locId")) {
        m_scenario.errorReports.remove(key);
    } else if (member == QLatin1String("enableAutoPairing_locationId_withValue")) {
        m_scenario.autoPairing.insert(key, args.at(2).toBool());
    } else if (member == QLatin1String("getAutoPairingValue_locationId")) {
        results << QVariant(m_scenario.autoPairing.value(key, false));
    } else if (member == QLatin1String("clearPairingList_locationId")) {
        m_scenario.pairingLists.remove(key);
    } else if (member == QLatin1String("getDBrecord_locationId")) {
        results << archived(m_scenario.dbRecords.value(key));
    } else if (member == QLatin1String("getSearchList_locationId")) {
        results << archived(m_scenario.searchLists.value(key));
    } else if (member == QLatin1String("getPairingList_locationId")) {
        results << archived(m_scenario.pairingLists.value(key));
    }
    answer(message, results);
}

void DeviceSimulator::reportUpdateCheck(const QString& outcome, bool manual) {
    if (outcome == QLatin1String("list")) {
        sendCallback(QStringLiteral("sendUpdatedComponentList_isManualCheckUpdate"),
                     {archived(m_scenario.componentList), QVariant(manual)}, nullptr);
    } else if (outcome.startsWith(QLatin1String("status:"))) {
        sendCallback(QStringLiteral("sendCheckForUpdateStatus"),
                     {QVariant::fromValue(qint32(outcome.mid(7).toInt()))}, nullptr);
    }
}

void DeviceSimulator::sendCallback(
    const QString& member, const QVariantList& arguments,
    std::function<void(const QString& errorName, const QString& text)> then) {
    platform::service::sendCallback(
        m_connection, member, arguments, this,
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
    if (member == QLatin1String("Quit")) {
        m_connection.send(message.createReply());
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return;
    }
    if (member == QLatin1String("Stall") && message.signature() == QLatin1String("u")) {
        const uint ms = message.arguments().at(0).toUInt();
        log(QStringLiteral("stall %1").arg(ms));
        m_connection.send(message.createReply());
        QThread::msleep(ms);
        return;
    }
    if (member == QLatin1String("SendCallback") && message.signature() == QLatin1String("sas")) {
        const QString command = message.arguments().at(0).toString();
        const QStringList args = message.arguments().at(1).toStringList();
        QString usage;
        if (!runCommand(command, args, message, &usage)) {
            m_connection.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"), usage));
        }
        return;
    }
    m_connection.send(
        message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                 QStringLiteral("no control member %1 with arguments \"%2\"")
                                     .arg(member, message.signature())));
}

bool DeviceSimulator::runCommand(const QString& command, const QStringList& args,
                                 const QDBusMessage& control, QString* usage) {
    QDBusMessage pending = control;
    pending.setDelayedReply(true);
    const auto done = [this, pending](const QString& errorName, const QString& text) {
        m_connection.send(
            errorName.isEmpty()
                ? pending.createReply(QStringLiteral("ok"))
                : pending.createErrorReply(
                      QStringLiteral("com.zorva.ZorvaDeviceSimulator.Error.CallbackFailed"),
                      errorName + QStringLiteral(": ") + text));
    };
    const auto fail = [&](const QString& text) {
        *usage = QStringLiteral("%1: %2").arg(command, text);
        return false;
    };
    const auto needs = [&](qsizetype min, qsizetype max) {
        return args.size() >= min && args.size() <= max;
    };
    qint64 lid = 0;
    qint64 number = 0;

    if (command == QLatin1String("attach") || command == QLatin1String("detach")) {
        const bool attach = command == QLatin1String("attach");
        if (!needs(3, 5) || !toInt64(args.at(2), &lid)) {
            return fail(QStringLiteral("NAME PRODUCTID LOCATIONID and up to two more"));
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
                return fail(QStringLiteral("a detach has a state other than 0"));
            }
            m_scenario.devices.removeAll(device);
        }
        sendCallback(
            QStringLiteral(
                "updateDeviceInfo_productID_locatonID_deviceState_currentFWVer_headSetType"),
            {archivedString(args.at(0)), archivedString(args.at(1)),
             QVariant::fromValue(quint64(lid)), QVariant::fromValue(state),
             archivedString(firmware), QVariant::fromValue(type)},
            done);
        return true;
    }
    if (command == QLatin1String("battery")) {
        if (!needs(3, 6) || !toInt64(args.at(1), &lid)) {
            return fail(
                QStringLiteral("PRODUCTID LOCATIONID PERCENT [charging] [low] [typeid=ID]"));
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
        sendCallback(QStringLiteral("updateHeadsetBatteryInfo"),
                     {archived(QVariant::fromValue(device))}, done);
        return true;
    }
    if (command == QLatin1String("softphone")) {
        if (!needs(2, 2) || !toInt64(args.at(1), &number)) {
            return fail(QStringLiteral("NAME STATUS"));
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
        sendCallback(QStringLiteral("updateSoftphoneInfo_softphoneStatus"),
                     {archivedString(args.at(0)), QVariant::fromValue(qint32(number))}, done);
        return true;
    }
    if (command == QLatin1String("reset")) {
        sendCallback(QStringLiteral("resetDeviceSoftphoneInfo"), {}, done);
        return true;
    }
    if (command == QLatin1String("update-status")) {
        if (!needs(1, 1) || !toInt64(args.at(0), &number)) {
            return fail(QStringLiteral("CODE"));
        }
        sendCallback(QStringLiteral("sendCheckForUpdateStatus"),
                     {QVariant::fromValue(qint32(number))}, done);
        return true;
    }
    if (command == QLatin1String("components")) {
        if (!needs(1, 2) ||
            (args.at(0) != QLatin1String("manual") && args.at(0) != QLatin1String("auto"))) {
            return fail(QStringLiteral("manual|auto [empty|absent]"));
        }
        QVariant list = m_scenario.componentList;
        if (args.size() == 2) {
            if (args.at(1) == QLatin1String("empty")) {
                list = QVariantList();
            } else if (args.at(1) == QLatin1String("absent")) {
                list = QVariant();
            } else {
                return fail(QStringLiteral("manual|auto [empty|absent]"));
            }
        }
        sendCallback(QStringLiteral("sendUpdatedComponentList_isManualCheckUpdate"),
                     {archived(list), QVariant(args.at(0) == QLatin1String("manual"))}, done);
        return true;
    }
    if (command == QLatin1String("device-info") || command == QLatin1String("device-info-type")) {
        const bool typed = command == QLatin1String("device-info-type");
        if (!needs(typed ? 5 : 4, typed ? 5 : 4) || !toInt64(args.at(2), &lid)) {
            return fail(typed ? QStringLiteral("NAME PRODUCTID LOCATIONID STATE HEADSETTYPE")
                              : QStringLiteral("NAME PRODUCTID LOCATIONID STATE"));
        }
        QVariantList arguments{archivedString(args.at(0)), archivedString(args.at(1)),
                               QVariant::fromValue(quint64(lid)),
                               QVariant::fromValue(qint32(args.at(3).toInt()))};
        if (typed) {
            arguments << QVariant::fromValue(qint32(args.at(4).toInt()));
        }
        sendCallback(
            typed ? QStringLiteral("updateDeviceInfo_productID_locatonID_deviceState_headSetType")
                  : QStringLiteral("updateDeviceInfo_productID_locatonID_deviceState"),
            arguments, done);
        return true;
    }
    if (command == QLatin1String("device-info-serial")) {
        if (!needs(6, 6) || !toInt64(args.at(2), &lid)) {
            return fail(QStringLiteral("NAME PRODUCTID LOCATIONID SERIAL STATE HEADSETTYPE"));
        }
        sendCallback(
            QStringLiteral(
                "updateDeviceInfo_productID_locatonID_serialNumber_deviceState_headSetType"),
            {archivedString(args.at(0)), archivedString(args.at(1)),
             QVariant::fromValue(quint64(lid)), archivedString(args.at(3)),
             QVariant::fromValue(qint32(args.at(4).toInt())),
             QVariant::fromValue(qint32(args.at(5).toInt()))},
            done);
        return true;
    }
    if (command == QLatin1String("preferred-softphone")) {
        sendCallback(QStringLiteral("getPreferredSoftphone"), {}, done);
        return true;
    }
    if (command == QLatin1String("headset-connect")) {
        if (!needs(5, 5) || !toInt64(args.at(3), &lid)) {
            return fail(QStringLiteral("NAME PRODUCTID STATE LOCATIONID SERIAL"));
        }
        sendCallback(QStringLiteral("headsetConnectStatus_productId_devState_lid_serialNumber"),
                     {archivedString(args.at(0)), archivedString(args.at(1)),
                      QVariant::fromValue(qint32(args.at(2).toInt())),
                      archived(QVariant::fromValue(quint64(lid))), archivedString(args.at(4))},
                     done);
        return true;
    }
    return fail(QStringLiteral("unknown command"));
}
