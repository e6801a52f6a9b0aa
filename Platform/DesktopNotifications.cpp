#include "Platform/DesktopNotifications.h"

#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

void traceFailure(const QString& summary, const QString& why) {
    HVTrace::writeLine(QStringLiteral("DesktopNotifications : notification \"%1\" not shown: %2 \n")
                           .arg(summary, why),
                       hvtrace::kStatusController, hvtrace::kCritical);
}

} // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection connection)
    : m_connection(std::move(connection)), m_context(std::make_unique<QObject>()) {}

DesktopNotifications::~DesktopNotifications() = default;

void DesktopNotifications::notify(const DesktopNotification& notification, ShownHandler shown) {
    if (!m_connection.isConnected()) {
        traceFailure(notification.summary, QStringLiteral("no session bus"));
        return;
    }
    QVariantMap hints;
    // Servers read the urgency hint as a byte only.
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue(static_cast<uchar>(notification.urgency)));
    if (!notification.imagePath.isEmpty()) {
        hints.insert(QStringLiteral("image-path"), notification.imagePath);
    }
    if (!notification.category.isEmpty()) {
        hints.insert(QStringLiteral("category"), notification.category);
    }
    if (!notification.desktopEntry.isEmpty()) {
        hints.insert(QStringLiteral("desktop-entry"), notification.desktopEntry);
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << notification.appName << notification.replacesId << notification.appIcon
         << notification.summary << notification.body << QStringList() << hints
         << notification.expireTimeout;
    auto* watcher =
        new QDBusPendingCallWatcher(m_connection.asyncCall(call, kReplyTimeoutMs), m_context.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, m_context.get(),
                     [watcher, summary = notification.summary, shown = std::move(shown)] {
                         watcher->deleteLater();
                         const QDBusPendingReply<quint32> reply = *watcher;
                         if (reply.isError()) {
                             traceFailure(summary, reply.error().name() + QLatin1Char(' ') +
                                                       reply.error().message());
                             return;
                         }
                         if (shown) {
                             shown(reply.value());
                         }
                     });
}

} // namespace platform
