#include "Platform/RemoteCall.h"

#include <QDBusConnectionInterface>

namespace platform::remote {

RemoteCallError::RemoteCallError(const QString& errorName, const QString& errorMessage)
    : std::runtime_error((errorName + QStringLiteral(": ") + errorMessage).toStdString()),
      m_name(errorName), m_message(errorMessage) {}

bool isNoOwnerError(const QString& errorName) {
    return errorName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
           errorName == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
           errorName.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."));
}

namespace {

QDBusMessage makeCall(const Endpoint& endpoint, const QString& member,
                      const QVariantList& arguments) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(endpoint.busName, endpoint.path, endpoint.interface, member);
    message.setArguments(arguments);
    message.setAutoStartService(endpoint.autoStart);
    return message;
}

} // namespace

CallResult callTwoWay(const QDBusConnection& connection, const Endpoint& endpoint,
                      const QString& member, const QVariantList& arguments) {
    if (!connection.isConnected()) {
        return {CallStatus::NotListening, {}};
    }
    QDBusMessage reply =
        connection.call(makeCall(endpoint, member, arguments), QDBus::Block, kNoTimeout);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        return {CallStatus::Answered, std::move(reply)};
    }
    if (reply.type() == QDBusMessage::ErrorMessage && isNoOwnerError(reply.errorName())) {
        return {CallStatus::NotListening, {}};
    }
    QString name = reply.errorName();
    if (name.isEmpty()) {
        name = QStringLiteral("org.freedesktop.DBus.Error.Failed");
    }
    throw RemoteCallError(name, reply.errorMessage());
}

bool hasOwner(const QDBusConnection& connection, const QString& busName) {
    if (!connection.isConnected() || connection.interface() == nullptr) {
        return false;
    }
    const QDBusReply<bool> reply = connection.interface()->isServiceRegistered(busName);
    return reply.isValid() && reply.value();
}

bool isActivatable(const QDBusConnection& connection, const QString& busName) {
    if (!connection.isConnected() || connection.interface() == nullptr) {
        return false;
    }
    const QDBusReply<QStringList> reply = connection.interface()->activatableServiceNames();
    return reply.isValid() && reply.value().contains(busName);
}

bool sendOneWay(const QDBusConnection& connection, const Endpoint& endpoint, const QString& member,
                const QVariantList& arguments) {
    if (!connection.isConnected()) {
        return false;
    }
    QDBusMessage message = makeCall(endpoint, member, arguments);
    // QDBusConnection::send() marks a method call as not expecting a reply.
    return connection.send(message);
}

bool answerStandardCall(const QDBusMessage& message, const QDBusConnection& connection,
                        const std::function<QString()>& interfacesXml) {
    const QString interface = message.interface();
    const QString member = message.member();
    if (interface == QLatin1String("org.freedesktop.DBus.Introspectable") &&
        member == QLatin1String("Introspect")) {
        const QString xml =
            QStringLiteral("<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection "
                           "1.0//EN\"\n \"http://www.freedesktop.org/standards/dbus/1.0/"
                           "introspect.dtd\">\n<node>\n") +
            interfacesXml() +
            QStringLiteral("  <interface name=\"org.freedesktop.DBus.Introspectable\">\n"
                           "    <method name=\"Introspect\">\n"
                           "      <arg name=\"xml_data\" type=\"s\" direction=\"out\"/>\n"
                           "    </method>\n  </interface>\n</node>\n");
        connection.send(message.createReply(xml));
        return true;
    }
    if (interface == QLatin1String("org.freedesktop.DBus.Peer")) {
        if (member == QLatin1String("Ping")) {
            connection.send(message.createReply());
        } else {
            connection.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                QStringLiteral("org.freedesktop.DBus.Peer.%1 is not offered").arg(member)));
        }
        return true;
    }
    return false;
}

} // namespace platform::remote
