#include "Platform/ServiceEndpoint.h"

#include "Platform/DBusContract.h"
#include "Platform/RemoteCall.h"

#include <QDBusPendingCallWatcher>
#include <QObject>

namespace platform::service {

namespace {

constexpr ServiceMember kServiceMembers[] = {
    {"getDeviceInfoFromAppService", "", "ay", false},
    {"getSoftphoneInfoFromAppService", "", "ay", false},
    {"requestForManualCheckForUpdate", "", "", true},
    {"requestForAutoCheckForUpdate", "", "", true},
    {"saveLastCheckedPkgVersion", "", "", true},
    {"getFwUpdateAvailableInfo", "", "ay", false},
    {"getFwUpdateComponentList", "", "ay", false},
    {"getPanicTraceInfo_locationId", "ayx", "ay", false},
    {"resetDevFromPanicTrace_locId", "ayx", "", false},
    {"setHVHIDForConnectedDevices", "i", "", false},
    {"logZMSSettingsToServer", "", "", false},
    {"bluetoothConnect_locationId", "ayx", "", false},
    {"bluetoothConnectAddr_locationId_btAddr_connectMode", "ayxayb", "", false},
    {"bluetoothDisconnect_locationId", "ayx", "", false},
    {"bluetoothDisconnectAddr_locationId_btAddr", "ayxay", "", false},
    {"enableAutoPairing_locationId_withValue", "ayxb", "", false},
    {"getAutoPairingValue_locationId", "ayx", "b", false},
    {"clearPairingList_locationId", "ayx", "", false},
    {"setInPairingMode_locationId", "ayx", "", false},
    {"getDBrecord_locationId", "ayx", "ay", false},
    {"getSearchList_locationId", "ayx", "ay", false},
    {"getPairingList_locationId", "ayx", "ay", false},
};

QStringList splitSignature(const QString& signature) {
    QStringList types;
    for (qsizetype i = 0; i < signature.size(); ++i) {
        if (signature.at(i) == u'a') {
            types << signature.mid(i, 2);
            ++i;
        } else {
            types << QString(signature.at(i));
        }
    }
    return types;
}

} // namespace

std::span<const ServiceMember> serviceMembers() {
    return kServiceMembers;
}

const ServiceMember* findServiceMember(const QString& name) {
    for (const ServiceMember& member : kServiceMembers) {
        if (name == QLatin1String(member.name)) {
            return &member;
        }
    }
    return nullptr;
}

QString methodXml(const QString& name, const QString& in, const QString& out, bool oneWay) {
    QString xml = QStringLiteral("    <method name=\"%1\">\n").arg(name);
    int index = 0;
    for (const QString& type : splitSignature(in)) {
        xml += QStringLiteral("      <arg name=\"arg%1\" type=\"%2\" direction=\"in\"/>\n")
                   .arg(index++)
                   .arg(type);
    }
    for (const QString& type : splitSignature(out)) {
        xml += QStringLiteral("      <arg name=\"result\" type=\"%1\" direction=\"out\"/>\n")
                   .arg(type);
    }
    if (oneWay) {
        xml += QStringLiteral("      <annotation name=\"org.freedesktop.DBus.Method.NoReply\" "
                              "value=\"true\"/>\n");
    }
    return xml + QStringLiteral("    </method>\n");
}

QString serviceInterfaceXml() {
    QString xml =
        QStringLiteral("  <interface name=\"%1\">\n").arg(platform::contract::kServiceInterface);
    for (const ServiceMember& member : kServiceMembers) {
        xml += methodXml(QLatin1String(member.name), QLatin1String(member.in),
                         QLatin1String(member.out), member.oneWay);
    }
    return xml + QStringLiteral("  </interface>\n");
}

const ServiceMember* acceptServiceCall(const QDBusMessage& message,
                                       const QDBusConnection& connection, QString* refusal) {
    const QString member = message.member();
    const bool ourInterface = message.interface().isEmpty() ||
                              message.interface() == platform::contract::kServiceInterface;
    const ServiceMember* known = ourInterface ? findServiceMember(member) : nullptr;
    if (known == nullptr) {
        *refusal = QStringLiteral("unknown member");
        if (message.isReplyRequired()) {
            connection.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                QStringLiteral("no member %1.%2").arg(message.interface(), member)));
        }
        return nullptr;
    }
    if (message.signature() != QLatin1String(known->in)) {
        *refusal = QStringLiteral("arguments \"%1\"").arg(message.signature());
        if (message.isReplyRequired()) {
            connection.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                QStringLiteral("%1 takes \"%2\"").arg(member, QLatin1String(known->in))));
        }
        return nullptr;
    }
    return known;
}

void sendCallback(const QDBusConnection& connection, const QString& member,
                  const QVariantList& arguments, QObject* context,
                  std::function<void(const QDBusMessage& reply)> then) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        platform::contract::kStatusBusName, platform::contract::kStatusPath,
        platform::contract::kStatusInterface, member);
    call.setArguments(arguments);
    call.setAutoStartService(false);
    auto* watcher = new QDBusPendingCallWatcher(
        connection.asyncCall(call, platform::remote::kNoTimeout), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [watcher, then = std::move(then)] {
                         watcher->deleteLater();
                         if (then) {
                             then(watcher->reply());
                         }
                     });
}

} // namespace platform::service
