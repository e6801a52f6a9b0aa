#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantList>
#include <functional>
#include <limits>
#include <stdexcept>

// Calls on remote objects over D-Bus, in the two kinds the device-service link
// uses: two-way calls that wait for the reply without a practical time-out, and
// one-way calls sent with the no-reply-expected flag and never waited for.
//
// A transport failure during a two-way call (an error reply, a service that
// leaves the bus before answering, a reply of the wrong shape) is thrown as a
// RemoteCallError, which the caller may catch; nothing here ever aborts the
// process.
namespace platform::remote {

// The longest reply time-out D-Bus accepts; libdbus treats it as "no time-out".
inline constexpr int kNoTimeout = std::numeric_limits<int>::max();

class RemoteCallError : public std::runtime_error {
public:
    RemoteCallError(const QString& errorName, const QString& errorMessage);
    // The D-Bus error name, for example "org.freedesktop.DBus.Error.NoReply".
    const QString& errorName() const { return m_name; }
    const QString& errorMessage() const { return m_message; }

private:
    QString m_name;
    QString m_message;
};

// Where a remote object lives on the bus.
struct Endpoint {
    QString busName;
    QString path;
    QString interface;
    // Let the bus start the program that the bus name is activatable by (a D-Bus
    // service file) when no process owns the name yet.
    bool autoStart = false;
};

// The outcome of a two-way call to a name that may have no owner.
enum class CallStatus {
    Answered,    // the reply arrived; it is in the returned message
    NotListening // no process owns the bus name: nothing was delivered
};

struct CallResult {
    CallStatus status = CallStatus::NotListening;
    QDBusMessage reply;
};

// True when the error name says the destination name has no owner, or that the
// bus could not start the program activatable by it (the bus could not deliver
// the call at all).
bool isNoOwnerError(const QString& errorName);

// Sends a two-way call and blocks until its reply. The bus resolves the name for
// this very call, so a service that started or restarted since the last call is
// found. A name without owner answers NotListening; any other error reply throws
// RemoteCallError. The destination is started by the bus only when the endpoint
// asks for it (autoStart).
CallResult callTwoWay(const QDBusConnection& connection, const Endpoint& endpoint,
                      const QString& member, const QVariantList& arguments);

// Asks the bus whether a name has an owner now. A bus that cannot answer counts
// as no owner.
bool hasOwner(const QDBusConnection& connection, const QString& busName);

// Asks the bus whether a name is activatable (a service file names it), whether
// or not it has an owner now. A bus that cannot answer counts as not activatable.
bool isActivatable(const QDBusConnection& connection, const QString& busName);

// Sends a call with the no-reply-expected flag; returns at once. False when the
// message could not be queued (for example, not connected to a bus).
bool sendOneWay(const QDBusConnection& connection, const Endpoint& endpoint, const QString& member,
                const QVariantList& arguments);

// For objects that dispatch their own messages (QDBusVirtualObject): answers
// org.freedesktop.DBus.Introspectable.Introspect and org.freedesktop.DBus.Peer
// calls with the interface descriptions `interfacesXml` gives (asked only for
// an Introspect call) and returns true; false for any other message.
bool answerStandardCall(const QDBusMessage& message, const QDBusConnection& connection,
                        const std::function<QString()>& interfacesXml);

} // namespace platform::remote
