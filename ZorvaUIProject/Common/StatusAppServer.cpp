#include "ZorvaUIProject/Common/StatusAppServer.h"

#include "Platform/DBusContract.h"
#include "Platform/RemoteCall.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "ZorvaUIProject/Common/zorva_application_service_delegate.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <exception>
#include <functional>
#include <optional>

namespace {

using namespace hvtrace;

const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
const QString kFailed = QStringLiteral("org.freedesktop.DBus.Error.Failed");

// Raised while decoding a call; answered as InvalidArgs.
struct BadArgument {
    QString text;
};

void trace(const QString& line) {
    HVTrace::writeLine(line, kIPC, kCritical);
}

QVariant unarchive(const QVariant& argument, const QString& member, int index) {
    const QByteArray data = argument.toByteArray();
    QVariant object = platform::unarchiveObjectWithData(data);
    if (!data.isEmpty() && !object.isValid()) {
        throw BadArgument{QStringLiteral("%1 : argument %2 is not a readable archive")
                              .arg(member)
                              .arg(index + 1)};
    }
    return object;
}

QString stringArgument(const QVariant& argument, const QString& member, int index) {
    const QVariant object = unarchive(argument, member, index);
    if (!object.isValid()) {
        return QString();
    }
    if (object.metaType() != QMetaType::fromType<QString>()) {
        throw BadArgument{QStringLiteral("%1 : argument %2 is %3, not a string")
                              .arg(member)
                              .arg(index + 1)
                              .arg(QString::fromLatin1(object.metaType().name()))};
    }
    return object.toString();
}

namespace status = platform::contract::status;

// What the root object is told for each callback it answers; the arguments have
// the member's input signature. The other members of the interface are answered
// with UnknownMethod.
using Handler = std::function<void(zorva_application_service_delegate& root, const QString& member,
                                   const QVariantList& args)>;
using Dispatch = platform::contract::MemberDispatch<Handler>;

void updateDeviceInfo(zorva_application_service_delegate& root, const QString& member,
                      const QVariantList& args) {
    const QString name = stringArgument(args.at(0), member, 0);
    const QString productID = stringArgument(args.at(1), member, 1);
    const QString firmware = stringArgument(args.at(4), member, 4);
    root.updateDeviceInfo(name, productID, args.at(2).toULongLong(), args.at(3).toInt(), firmware,
                          args.at(5).toInt());
}

void updateHeadsetBatteryInfo(zorva_application_service_delegate& root, const QString& member,
                              const QVariantList& args) {
    const QVariant object = unarchive(args.at(0), member, 0);
    const auto device = object.metaType() == QMetaType::fromType<HVDevicePtr>()
                            ? object.value<HVDevicePtr>()
                            : HVDevicePtr();
    if (!device) {
        throw BadArgument{QStringLiteral("%1 : argument 1 is %2, not a device record")
                              .arg(member, object.isValid()
                                               ? QString::fromLatin1(object.metaType().name())
                                               : QStringLiteral("no object"))};
    }
    root.updateHeadsetBatteryInfo(device);
}

void sendUpdatedComponentList(zorva_application_service_delegate& root, const QString& member,
                              const QVariantList& args) {
    const QVariant list = unarchive(args.at(0), member, 0);
    if (list.isValid() && list.metaType() != QMetaType::fromType<QVariantList>()) {
        throw BadArgument{QStringLiteral("%1 : argument 1 is %2, not a list")
                              .arg(member, QString::fromLatin1(list.metaType().name()))};
    }
    root.sendUpdatedComponentList(list, args.at(1).toBool());
}

const Dispatch& dispatchTable() {
    static const Dispatch table = [] {
        Dispatch d(platform::contract::kStatusContract);
        d.on(status::resetDeviceSoftphoneInfo,
             [](zorva_application_service_delegate& root, const QString&, const QVariantList&) {
                 root.resetDeviceSoftphoneInfo();
             });
        d.on(status::updateDeviceInfo_productID_locatonID_deviceState_currentFWVer_headSetType,
             updateDeviceInfo);
        d.on(status::updateHeadsetBatteryInfo, updateHeadsetBatteryInfo);
        d.on(status::updateSoftphoneInfo_softphoneStatus,
             [](zorva_application_service_delegate& root, const QString& member,
                const QVariantList& args) {
                 root.updateSoftphoneInfo(stringArgument(args.at(0), member, 0),
                                          args.at(1).toInt());
             });
        d.on(status::sendCheckForUpdateStatus,
             [](zorva_application_service_delegate& root, const QString&,
                const QVariantList& args) { root.sendCheckForUpdateStatus(args.at(0).toInt()); });
        d.on(status::sendUpdatedComponentList_isManualCheckUpdate, sendUpdatedComponentList);
        return d;
    }();
    return table;
}

} // namespace

std::unique_ptr<StatusAppServer> StatusAppServer::create(const QDBusConnection& connection) {
    if (!connection.isConnected()) {
        return nullptr;
    }
    return std::make_unique<StatusAppServer>(connection);
}

StatusAppServer::StatusAppServer(const QDBusConnection& connection) : m_connection(connection) {}

StatusAppServer::~StatusAppServer() {
    invalidate();
}

void StatusAppServer::setRootObject(zorva_application_service_delegate* rootObject) {
    m_root = rootObject;
}

bool StatusAppServer::registerName(const QString& name) {
    if (!m_busName.isEmpty() || !m_connection.isConnected() || name.isEmpty()) {
        return false;
    }
    const QString busName = platform::contract::busNameForEndpoint(name);
    const QString path = QLatin1Char('/') + name;
    if (!m_connection.registerVirtualObject(path, this, QDBusConnection::SingleNode)) {
        return false;
    }
    // The object is in place before the name appears, so the first caller that
    // finds the name finds the object too.
    if (!m_connection.registerService(busName)) {
        m_connection.unregisterObject(path);
        return false;
    }
    m_busName = busName;
    m_path = path;
    return true;
}

void StatusAppServer::invalidate() {
    if (m_busName.isEmpty()) {
        return;
    }
    m_connection.unregisterService(m_busName);
    m_connection.unregisterObject(m_path);
    m_busName.clear();
    m_path.clear();
}

QString StatusAppServer::introspect(const QString& /*path*/) const {
    static const QString xml = platform::contract::kStatusContract.introspectionXml();
    return xml;
}

bool StatusAppServer::handleMessage(const QDBusMessage& message,
                                    const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage) {
        return false;
    }
    if (platform::remote::answerStandardCall(message, connection,
                                             [&] { return introspect(message.path()); })) {
        return true;
    }
    dispatch(message, connection);
    return true;
}

void StatusAppServer::dispatch(const QDBusMessage& message, const QDBusConnection& connection) {
    const QString member = message.member();
    const auto reply = [&](const QDBusMessage& answer) {
        if (message.isReplyRequired()) {
            connection.send(answer);
        }
    };
    const QString interface = message.interface();
    const Dispatch::Target target = dispatchTable().find(message);
    if (target.handler == nullptr) {
        reply(message.createErrorReply(
            kUnknownMethod,
            QStringLiteral("%1.%2 is not answered by %3")
                .arg(interface.isEmpty() ? platform::contract::kStatusInterface : interface, member,
                     m_path)));
        return;
    }
    const QString expected = target.member->inSignature();
    if (message.signature() != expected) {
        const QString text = QStringLiteral("%1 : arguments \"%2\", expected \"%3\"")
                                 .arg(member, message.signature(), expected);
        trace(QStringLiteral("StatusAppServer refused a call: %1\n").arg(text));
        reply(message.createErrorReply(kInvalidArgs, text));
        return;
    }
    if (m_root == nullptr) {
        reply(message.createErrorReply(kUnknownMethod,
                                       QStringLiteral("%1 : no root object").arg(member)));
        return;
    }
    try {
        (*target.handler)(*m_root, member, message.arguments());
    } catch (const BadArgument& bad) {
        trace(QStringLiteral("StatusAppServer refused a call: %1\n").arg(bad.text));
        reply(message.createErrorReply(kInvalidArgs, bad.text));
        return;
    } catch (const std::exception& error) {
        const QString text =
            QStringLiteral("%1 failed: %2").arg(member, QString::fromUtf8(error.what()));
        trace(QStringLiteral("StatusAppServer: %1\n").arg(text));
        reply(message.createErrorReply(kFailed, text));
        return;
    } catch (...) {
        const QString text = QStringLiteral("%1 failed").arg(member);
        trace(QStringLiteral("StatusAppServer: %1\n").arg(text));
        reply(message.createErrorReply(kFailed, text));
        return;
    }
    reply(message.createReply());
}
