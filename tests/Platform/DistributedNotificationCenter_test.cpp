#include "Platform/DBusContract.h"
#include "Platform/DistributedNotificationCenter.h"
#include "support/PrivateSessionBus.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

using platform::DistributedNotificationCenter;
using platform::SuspensionBehavior;

// Each test program has a bus of its own, so parallel test cases do not meet.
static auto* const kPrivateBus =
    ::testing::AddGlobalTestEnvironment(new testsupport::PrivateSessionBus);

// Delivery between processes is what the end-to-end tests watch; here, what
// they cannot easily reach: posts from other threads, removal, malformed signals.
TEST(DistributedNotificationCenter, DeliversOnTheMainThreadAndSurvivesBadSignals) {
    DistributedNotificationCenter& center = DistributedNotificationCenter::defaultCenter();
    const QString update = QStringLiteral("c_HVUpdateUI!");
    const QString error = QStringLiteral("ZORVAERRORNOTIFICATION");
    std::vector<std::pair<QVariant, bool>> updates; // object, on the main thread
    std::vector<QVariant> errors;
    const auto updateObserver = center.addObserver(
        update,
        [&](const QString& name, const QVariant& object) {
            EXPECT_EQ(name, update);
            updates.emplace_back(object, QThread::currentThread() == qApp->thread());
        },
        SuspensionBehavior::DeliverImmediately);
    const auto errorObserver = center.addObserver(
        error, [&](const QString&, const QVariant& object) { errors.push_back(object); });
    const auto thrower = center.addObserver(update, [](const QString&, const QVariant&) {
        throw std::runtime_error("observer failed");
    });

    EXPECT_TRUE(center.postNotificationName(error, QStringLiteral("1"), true));
    std::thread poster([&] { center.postNotificationName(update, QStringLiteral("t")); });
    poster.join();
    // Wrong argument types are ignored; an unreadable object is delivered without it.
    const auto signal = [](const QVariantList& args) {
        QDBusMessage message = QDBusMessage::createSignal(
            platform::contract::kNotificationPath, platform::contract::kNotificationInterface,
            platform::contract::kNotificationSignal);
        message.setArguments(args);
        return message;
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.send(signal({update})));
    ASSERT_TRUE(bus.send(signal({42, QByteArray()})));
    ASSERT_TRUE(bus.send(signal({update, QByteArray("not an archive")})));
    ASSERT_TRUE(QTest::qWaitFor([&] { return updates.size() == 2 && errors.size() == 1; }, 2000));
    // The post from the other thread and the raw signals travel apart: any order.
    const auto count = [&](const QVariant& object) {
        return std::count(updates.begin(), updates.end(), std::make_pair(object, true));
    };
    EXPECT_EQ(count(QVariant(QStringLiteral("t"))), 1);
    EXPECT_EQ(count(QVariant()), 1);
    EXPECT_EQ(errors.at(0), QVariant(QStringLiteral("1")));

    // A removed observer hears nothing more; the other still does.
    center.removeObserver(errorObserver);
    center.postNotificationName(error, QStringLiteral("0"));
    center.postNotificationName(update);
    ASSERT_TRUE(QTest::qWaitFor([&] { return updates.size() == 3; }, 2000));
    EXPECT_EQ(errors.size(), 1u);
    center.removeObserver(updateObserver);
    center.removeObserver(thrower);
}
