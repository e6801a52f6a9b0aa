#include "Platform/DBusContract.h"
#include "Platform/DistributedNotificationCenter.h"
#include "Platform/archive/KeyedArchive.h"
#include "support/PrivateSessionBus.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using platform::DistributedNotificationCenter;
using platform::SuspensionBehavior;

// Each test program has a bus of its own, so parallel test cases do not meet.
static auto* const kPrivateBus =
    ::testing::AddGlobalTestEnvironment(new testsupport::PrivateSessionBus);

namespace {

struct Delivery {
    QString name;
    QVariant object;
    bool onMainThread = false;
};

// Serves this thread's events until `done` holds or two seconds have passed.
template <class Predicate>
bool waitFor(Predicate done) {
    const QDeadlineTimer deadline(2000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

} // namespace

TEST(DistributedNotificationCenter, ObserversReceiveTheirNameFromAnySenderOnTheMainThread) {
    DistributedNotificationCenter& center = DistributedNotificationCenter::defaultCenter();
    std::vector<Delivery> updates;
    std::vector<Delivery> errors;
    const auto record = [](std::vector<Delivery>& into) {
        return [&into](const QString& name, const QVariant& object) {
            into.push_back({name, object, QThread::currentThread() == qApp->thread()});
        };
    };
    const auto updateObserver = center.addObserver(QStringLiteral("c_HVUpdateUI!"), record(updates),
                                                   SuspensionBehavior::DeliverImmediately);
    const auto errorObserver =
        center.addObserver(QStringLiteral("ZORVAERRORNOTIFICATION"), record(errors));

    // Posted by this process, immediately and by default, with and without object.
    EXPECT_TRUE(center.postNotificationName(QStringLiteral("c_HVUpdateUI!"), QVariant(), true));
    EXPECT_TRUE(
        center.postNotificationName(QStringLiteral("ZORVAERRORNOTIFICATION"), QStringLiteral("1")));
    // Posted from a background thread.
    std::thread poster([&center] {
        center.postNotificationName(QStringLiteral("ZORVAERRORNOTIFICATION"), QStringLiteral("0"));
    });
    poster.join();
    // Posted by another connection (another sender on the bus).
    QDBusConnection other =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("poster"));
    DistributedNotificationCenter otherCenter(other);
    EXPECT_TRUE(otherCenter.postNotificationName(QStringLiteral("c_HVUpdateUI!")));

    ASSERT_TRUE(waitFor([&] { return updates.size() == 2 && errors.size() == 2; }));
    for (const Delivery& d : updates) {
        EXPECT_EQ(d.name, QStringLiteral("c_HVUpdateUI!"));
        EXPECT_FALSE(d.object.isValid());
        EXPECT_TRUE(d.onMainThread);
    }
    EXPECT_EQ(errors.at(0).object, QVariant(QStringLiteral("1")));
    EXPECT_EQ(errors.at(1).object, QVariant(QStringLiteral("0")));
    EXPECT_TRUE(errors.at(1).onMainThread);

    // A removed observer hears nothing more; the other still does.
    center.removeObserver(errorObserver);
    center.postNotificationName(QStringLiteral("ZORVAERRORNOTIFICATION"), QStringLiteral("1"));
    center.postNotificationName(QStringLiteral("c_HVUpdateUI!"));
    ASSERT_TRUE(waitFor([&] { return updates.size() == 3; }));
    EXPECT_EQ(errors.size(), 2u);
    center.removeObserver(updateObserver);
    QDBusConnection::disconnectFromBus(QStringLiteral("poster"));
}

TEST(DistributedNotificationCenter, MalformedSignalsAreIgnoredOrDeliveredWithoutObject) {
    DistributedNotificationCenter& center = DistributedNotificationCenter::defaultCenter();
    std::vector<QVariant> objects;
    const auto observer = center.addObserver(
        QStringLiteral("c_HVUpdateUI!"),
        [&objects](const QString&, const QVariant& object) { objects.push_back(object); });
    QDBusConnection bus = QDBusConnection::sessionBus();
    const auto signal = [](const QVariantList& args) {
        QDBusMessage message = QDBusMessage::createSignal(
            platform::contract::kNotificationPath, platform::contract::kNotificationInterface,
            platform::contract::kNotificationSignal);
        message.setArguments(args);
        return message;
    };
    // Wrong argument types: ignored. An unreadable object: delivered without it.
    ASSERT_TRUE(bus.send(signal({QStringLiteral("c_HVUpdateUI!")})));
    ASSERT_TRUE(bus.send(signal({42, QByteArray()})));
    ASSERT_TRUE(bus.send(signal({QStringLiteral("c_HVUpdateUI!"), QByteArray("not an archive")})));
    // A handler that throws does not stop the next delivery.
    const auto thrower =
        center.addObserver(QStringLiteral("c_HVUpdateUI!"), [](const QString&, const QVariant&) {
            throw std::runtime_error("observer failed");
        });
    ASSERT_TRUE(bus.send(signal({QStringLiteral("c_HVUpdateUI!"),
                                 platform::archivedDataWithRootObject(QStringLiteral("x"))})));
    ASSERT_TRUE(waitFor([&] { return objects.size() == 2; }));
    EXPECT_FALSE(objects.at(0).isValid());
    EXPECT_EQ(objects.at(1), QVariant(QStringLiteral("x")));
    center.removeObserver(observer);
    center.removeObserver(thrower);
}
