#include "Platform/ServiceEndpoint.h"

#include "Platform/RemoteCall.h"

#include <QDBusPendingCallWatcher>
#include <QObject>

namespace platform::service {

const contract::Member* acceptServiceCall(const QDBusMessage& message,
                                          const QDBusConnection& connection, QString* refusal) {
    const QString member = message.member();
    const contract::Member* known = contract::kServiceContract.find(message);
    if (known == nullptr) {
        *refusal = QStringLiteral("unknown member");
        if (message.isReplyRequired()) {
            connection.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                QStringLiteral("no member %1.%2").arg(message.interface(), member)));
        }
        return nullptr;
    }
    const QString in = known->inSignature();
    if (message.signature() != in) {
        *refusal = QStringLiteral("arguments \"%1\"").arg(message.signature());
        if (message.isReplyRequired()) {
            connection.send(
                message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                                         QStringLiteral("%1 takes \"%2\"").arg(member, in)));
        }
        return nullptr;
    }
    return known;
}

void sendCallback(const QDBusConnection& connection, const contract::Member& callback,
                  const QVariantList& arguments, QObject* context,
                  std::function<void(const QDBusMessage& reply)> then) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(contract::kStatusBusName, contract::kStatusPath,
                                       contract::kStatusInterface, callback.memberName());
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
