#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantList>
#include <functional>
#include <span>

class QObject;

// The service side of the device-service link, shared by every program that
// publishes "ZorvaDeviceService" (the simulator and the UPower-backed service):
// the members of zorva_application_delegate with their D-Bus signatures, the
// introspection text, the check of an incoming call, and the sending of a
// callback to "StatusAppServer" without blocking the caller's event loop.
namespace platform::service {

struct ServiceMember {
    const char* name;
    const char* in;  // D-Bus signature of the arguments
    const char* out; // D-Bus signature of the result ("" for none)
    bool oneWay;     // sent with NO_REPLY_EXPECTED; never answered
};

// zorva_application_delegate, all 22 members in declaration order.
std::span<const ServiceMember> serviceMembers();
const ServiceMember* findServiceMember(const QString& name);

// One <method> element of an introspection text.
QString methodXml(const QString& name, const QString& in, const QString& out, bool oneWay);
// The <interface> element of zorva_application_delegate.
QString serviceInterfaceXml();

// Checks a call meant for zorva_application_delegate (an empty interface counts
// as that one). Answers the member when its name and signature are known;
// otherwise refuses the call (UnknownMethod or InvalidArgs, when a reply is
// expected), puts the reason into *refusal and answers nullptr.
const ServiceMember* acceptServiceCall(const QDBusMessage& message,
                                       const QDBusConnection& connection, QString* refusal);

// Sends a callback of zorva_application_service_delegate to "StatusAppServer"
// (never auto-started) and returns at once: the caller's event loop goes on
// serving requests, among them those the status item sends while it handles
// this very callback. `then` receives the reply or error once it arrives, on
// `context`'s thread; nothing is called when `context` is gone by then.
void sendCallback(const QDBusConnection& connection, const QString& member,
                  const QVariantList& arguments, QObject* context,
                  std::function<void(const QDBusMessage& reply)> then);

} // namespace platform::service
