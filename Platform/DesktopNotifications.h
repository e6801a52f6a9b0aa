#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

// Desktop notifications through the session's notification server
// (org.freedesktop.Notifications at /org/freedesktop/Notifications).
namespace platform {

// One notification as plain data, in the terms of the server's Notify call.
struct DesktopNotification {
    enum class Urgency : uchar { Low = 0, Normal = 1, Critical = 2 };

    QString appName;
    quint32 replacesId = 0; // the id of an earlier notification to replace; 0: none
    QString appIcon;        // an icon name or a file:// URI
    QString summary;
    QString body;
    Urgency urgency = Urgency::Normal;
    QString imagePath;    // hint "image-path": an icon name or a file:// URI; empty: none
    QString category;     // hint "category"; empty: none
    QString desktopEntry; // hint "desktop-entry": the program's desktop file, without ".desktop"
    qint32 expireTimeout = -1; // milliseconds; -1: as the server likes
};

// Posts notifications without waiting for the server. The server's answer
// comes back through the event loop: its id for the notification goes to the
// caller's handler; no server, an error reply or no reply at all is one trace
// line and nothing else. Handlers never run after the object is gone.
class DesktopNotifications {
public:
    explicit DesktopNotifications(QDBusConnection connection = QDBusConnection::sessionBus());
    ~DesktopNotifications();
    DesktopNotifications(const DesktopNotifications&) = delete;
    DesktopNotifications& operator=(const DesktopNotifications&) = delete;

    using ShownHandler = std::function<void(quint32 notificationId)>;
    void notify(const DesktopNotification& notification, ShownHandler shown);

    // How long the server may take to answer.
    static constexpr int kReplyTimeoutMs = 10000;

private:
    QDBusConnection m_connection;
    std::unique_ptr<QObject> m_context; // owns the calls waiting for their answer
};

} // namespace platform
