#pragma once

#include "Platform/DBusContract.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantList>
#include <functional>

class QObject;

// The service side of the device-service link, shared by every program that
// publishes "ZorvaDeviceService" (the simulator and the UPower-backed service).
// The members and their signatures are those of the contract table
// (platform::contract::kServiceContract); this adds the check of an incoming call
// and the sending of a callback to "StatusAppServer" without blocking the
// caller's event loop.
namespace platform::service {

// Checks a call meant for zorva_application_delegate (an empty interface counts
// as that one). Answers the member when its name and signature are known;
// otherwise refuses the call (UnknownMethod or InvalidArgs, when a reply is
// expected), puts the reason into *refusal and answers nullptr.
const contract::Member* acceptServiceCall(const QDBusMessage& message,
                                          const QDBusConnection& connection, QString* refusal);

// Sends a callback of zorva_application_service_delegate to "StatusAppServer"
// (never auto-started) and returns at once: the caller's event loop goes on
// serving requests, among them those the status item sends while it handles
// this very callback. `then` receives the reply or error once it arrives, on
// `context`'s thread; nothing is called when `context` is gone by then.
void sendCallback(const QDBusConnection& connection, const contract::Member& callback,
                  const QVariantList& arguments, QObject* context,
                  std::function<void(const QDBusMessage& reply)> then);

} // namespace platform::service
