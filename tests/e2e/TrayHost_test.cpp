// The tray host against the bare QSystemTrayIcon program: registration through
// the watcher, the menu read over dbusmenu, rebuilds, clicks and departures, and
// the command line the demo script relies on.

#include "MenuLayout.h"
#include "StatusNotifierWatcher.h"
#include "TrayItem.h"
#include "support/Stage.h"

#include <QDBusMessage>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace trayhost;
namespace stage = testsupport::stage;

namespace {

struct Stage {
    stage::PrivateBus bus;
    stage::VirtualScreen screen;
};

#define REQUIRE_SETUP(setup)                                                                       \
    ASSERT_TRUE((setup).bus.ok()) << "no private dbus-daemon";                                     \
    if (!(setup).screen.ok()) {                                                                    \
        GTEST_SKIP() << "no X server for the tray: " << qPrintable((setup).screen.error());        \
    }

} // namespace

TEST(TrayHost, FollowsTheBareTrayThroughRegistrationRebuildClickAndDeparture) {
    Stage setup;
    REQUIRE_SETUP(setup);

    StatusNotifierWatcher watcher(setup.bus.connection());
    ASSERT_TRUE(watcher.start()) << qPrintable(watcher.errorString());

    // Items decide from the introspection data whether a tray exists.
    QDBusMessage introspect = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    const QDBusMessage xml = setup.bus.connection().call(introspect);
    ASSERT_EQ(xml.type(), QDBusMessage::ReplyMessage);
    const QString text = xml.arguments().value(0).toString();
    EXPECT_TRUE(text.contains(QLatin1String("name=\"IsStatusNotifierHostRegistered\"")));
    EXPECT_TRUE(text.contains(QLatin1String("name=\"RegisteredStatusNotifierItems\"")));
    EXPECT_TRUE(text.contains(QLatin1String("name=\"RegisterStatusNotifierItem\"")));

    // A second watcher on the same bus is refused.
    StatusNotifierWatcher second(setup.bus.connection());
    EXPECT_FALSE(second.start());

    QSignalSpy registered(&watcher, &StatusNotifierWatcher::itemRegistered);
    QSignalSpy gone(&watcher, &StatusNotifierWatcher::itemUnregistered);
    stage::Child bare;
    ASSERT_TRUE(bare.start(stage::binary("tools/bare-tray/bare-tray"), {},
                           stage::childEnvironment(setup.bus, setup.screen)));
    ASSERT_TRUE(stage::waitFor([&] { return registered.count() > 0; }))
        << qPrintable(bare.errors());
    ASSERT_EQ(watcher.items().size(), 1);

    TrayItem item(setup.bus.connection(), registered.at(0).at(0).toString(),
                  registered.at(0).at(1).toString());
    const auto summary = item.readSummary();
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->status, QStringLiteral("Active"));
    EXPECT_FALSE(summary->iconSizes.isEmpty());
    EXPECT_EQ(summary->toolTip, QStringLiteral("bare tray"));

    std::optional<MenuEntry> layout;
    ASSERT_TRUE(stage::waitFor([&] {
        layout = item.readLayout();
        return layout && layout->children.size() == 16;
    }));
    QStringList expected;
    for (int i = 1; i <= 14; ++i) {
        expected << QStringLiteral("Item %1").arg(i);
    }
    expected.insert(5, QStringLiteral("----"));
    expected.insert(10, QStringLiteral("----"));
    EXPECT_EQ(topLabels(*layout), expected);
    EXPECT_TRUE(formatMenu(*layout).startsWith(QLatin1String("Item 1\nItem 2\n")));
    const MenuEntry* third = findByLabel(*layout, QStringLiteral("Item 3"));
    ASSERT_NE(third, nullptr);
    const int oldId = third->id;

    // A broadcast rebuilds the menu: the rows come back with new ids.
    QSignalSpy settled(&item, &TrayItem::settled);
    item.follow(100);
    ASSERT_TRUE(stage::waitFor([&] { return settled.count() > 0; }));
    const quint64 before = item.menuSignalCount();
    QDBusMessage posted = QDBusMessage::createSignal(
        QStringLiteral("/com/zorva/DistributedNotificationCenter"),
        QStringLiteral("com.zorva.DistributedNotificationCenter"), QStringLiteral("Posted"));
    posted << QStringLiteral("c_HVUpdateUI!") << QByteArray();
    ASSERT_TRUE(setup.bus.connection().send(posted));
    ASSERT_TRUE(stage::waitFor([&] { return item.menuSignalCount() > before; }));
    ASSERT_TRUE(stage::waitFor([&] {
        layout = item.readLayout();
        const MenuEntry* entry = layout ? findByLabel(*layout, QStringLiteral("Item 3")) : nullptr;
        return entry && entry->id != oldId && layout->children.size() == 16;
    }));

    QString error;
    EXPECT_TRUE(item.click(QStringLiteral("Item 3"), &error)) << qPrintable(error);
    EXPECT_FALSE(item.click(QStringLiteral("Item 99"), &error));
    EXPECT_EQ(error, QStringLiteral("no item labelled \"Item 99\""));

    bare.stopNow();
    ASSERT_TRUE(stage::waitFor([&] { return gone.count() > 0; }));
    EXPECT_TRUE(watcher.items().isEmpty());
}

TEST(TrayHost, CommandLinePrintsClicksAndDrawsTheMenu) {
    Stage setup;
    REQUIRE_SETUP(setup);
    const QProcessEnvironment env = stage::childEnvironment(setup.bus, setup.screen);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    stage::Child host;
    ASSERT_TRUE(host.start(
        stage::binary("tools/zorva-tray-host/zorva-tray-host"),
        {QStringLiteral("--exit-when-gone"), QStringLiteral("--settle"), QStringLiteral("50")},
        env));
    ASSERT_TRUE(stage::waitFor([&] { return host.errors().contains(QLatin1String("watching")); }))
        << qPrintable(host.errors());

    stage::Child bare;
    ASSERT_TRUE(bare.start(stage::binary("tools/bare-tray/bare-tray"), {}, env));
    ASSERT_TRUE(stage::waitFor([&] { return host.output().contains(QLatin1String("Item 14\n")); }))
        << qPrintable(host.errors());
    EXPECT_TRUE(host.output().contains(QLatin1String("item bare-tray: status Active")));

    const QString picture = dir.filePath(QStringLiteral("menu.png"));
    stage::Child client;
    ASSERT_TRUE(client.start(stage::binary("tools/zorva-tray-host/zorva-tray-host"),
                             {QStringLiteral("--attach"), QStringLiteral("--quiet"),
                              QStringLiteral("--click"), QStringLiteral("Item 2"),
                              QStringLiteral("--render"), picture, QStringLiteral("--dump-once"),
                              QStringLiteral("--exit-after"), QStringLiteral("20")},
                             env));
    ASSERT_TRUE(client.process().waitForFinished(30000));
    EXPECT_EQ(client.process().exitCode(), 0) << qPrintable(client.errors());
    EXPECT_TRUE(client.errors().contains(QLatin1String("clicked \"Item 2\"")));
    const QImage image(picture);
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.height(), image.width()); // fourteen rows stacked

    // A click on a missing label fails the run.
    stage::Child failing;
    ASSERT_TRUE(failing.start(stage::binary("tools/zorva-tray-host/zorva-tray-host"),
                              {QStringLiteral("--attach"), QStringLiteral("--quiet"),
                               QStringLiteral("--click"), QStringLiteral("Nothing"),
                               QStringLiteral("--dump-once"), QStringLiteral("--exit-after"),
                               QStringLiteral("20")},
                              env));
    ASSERT_TRUE(failing.process().waitForFinished(30000));
    EXPECT_EQ(failing.process().exitCode(), 1);

    bare.stopNow();
    ASSERT_TRUE(host.process().waitForFinished(20000)) << "host did not end with its item";
    EXPECT_EQ(host.process().exitCode(), 0);
}
