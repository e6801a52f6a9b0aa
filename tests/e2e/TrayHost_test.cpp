// The tray host against the bare QSystemTrayIcon program: registration through
// the watcher, the menu read over dbusmenu, rebuilds, clicks and departures, and
// the command line the demo script relies on.

#include "support/Stage.h"

#include <QImage>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

using namespace trayhost;
namespace stage = testsupport::stage;

using TrayHost = stage::StageTest;

TEST_F(TrayHost, FollowsTheBareTrayThroughRegistrationRebuildClickAndDeparture) {
    StatusNotifierWatcher* const watcher = stage.watcher();
    ASSERT_NE(watcher, nullptr) << qPrintable(stage.error());

    // Items decide from the introspection data whether a tray exists.
    QDBusMessage introspect = QDBusMessage::createMethodCall(
        u"org.kde.StatusNotifierWatcher"_s, u"/StatusNotifierWatcher"_s,
        u"org.freedesktop.DBus.Introspectable"_s, u"Introspect"_s);
    const QDBusMessage xml = stage.bus.connection().call(introspect);
    ASSERT_EQ(xml.type(), QDBusMessage::ReplyMessage);
    const QString text = xml.arguments().value(0).toString();
    EXPECT_TRUE(text.contains(QLatin1String("name=\"IsStatusNotifierHostRegistered\"")));
    EXPECT_TRUE(text.contains(QLatin1String("name=\"RegisteredStatusNotifierItems\"")));
    EXPECT_TRUE(text.contains(QLatin1String("name=\"RegisterStatusNotifierItem\"")));

    // A second watcher on the same bus is refused.
    StatusNotifierWatcher second(stage.bus.connection());
    EXPECT_FALSE(second.start());

    QSignalSpy gone(watcher, &StatusNotifierWatcher::itemUnregistered);
    stage::Child bare;
    const auto item = stage.startItem(bare, stage::binary("tools/bare-tray/bare-tray"));
    ASSERT_TRUE(item) << qPrintable(stage.error());
    ASSERT_EQ(watcher->items().size(), 1);

    const auto summary = item->readSummary();
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->status, u"Active"_s);
    EXPECT_FALSE(summary->iconSizes.isEmpty());
    EXPECT_EQ(summary->toolTip, u"bare tray"_s);

    std::optional<MenuEntry> layout;
    ASSERT_TRUE(stage::waitFor([&] {
        layout = item->readLayout();
        return layout && layout->children.size() == 16;
    }));
    EXPECT_EQ(topLabels(*layout).join(u','),
              u"Item 1,Item 2,Item 3,Item 4,Item 5,----,Item 6,Item 7,Item 8,Item 9,----,"
              u"Item 10,Item 11,Item 12,Item 13,Item 14"_s);
    EXPECT_TRUE(formatMenu(*layout).startsWith(QLatin1String("Item 1\nItem 2\n")));
    const MenuEntry* third = findByLabel(*layout, u"Item 3"_s);
    ASSERT_NE(third, nullptr);
    const int oldId = third->id;

    // A broadcast rebuilds the menu: the rows come back with new ids.
    QSignalSpy settled(item.get(), &TrayItem::settled);
    item->follow(100);
    ASSERT_TRUE(stage::waitFor([&] { return settled.count() > 0; }));
    const quint64 before = item->menuSignalCount();
    QDBusMessage posted =
        QDBusMessage::createSignal(u"/com/zorva/DistributedNotificationCenter"_s,
                                   u"com.zorva.DistributedNotificationCenter"_s, u"Posted"_s);
    posted << u"c_HVUpdateUI!"_s << QByteArray();
    ASSERT_TRUE(stage.bus.connection().send(posted));
    ASSERT_TRUE(stage::waitFor([&] { return item->menuSignalCount() > before; }));
    ASSERT_TRUE(stage::waitFor([&] {
        layout = item->readLayout();
        const MenuEntry* entry = layout ? findByLabel(*layout, u"Item 3"_s) : nullptr;
        return entry && entry->id != oldId && layout->children.size() == 16;
    }));

    QString error;
    EXPECT_TRUE(item->click(u"Item 3"_s, &error)) << qPrintable(error);
    EXPECT_FALSE(item->click(u"Item 99"_s, &error));
    EXPECT_EQ(error, u"no item labelled \"Item 99\""_s);

    bare.stopNow();
    ASSERT_TRUE(stage::waitFor([&] { return gone.count() > 0; }));
    EXPECT_TRUE(watcher->items().isEmpty());
}

TEST_F(TrayHost, CommandLinePrintsClicksAndDrawsTheMenu) {
    const QString program = stage::binary("tools/zorva-tray-host/zorva-tray-host");
    stage::Child host;
    ASSERT_TRUE(host.start(program, {u"--exit-when-gone"_s, u"--settle"_s, u"50"_s}, stage.env));
    ASSERT_TRUE(stage::waitFor([&] { return host.errors().contains(QLatin1String("watching")); }))
        << qPrintable(host.errors());

    stage::Child bare;
    ASSERT_TRUE(bare.start(stage::binary("tools/bare-tray/bare-tray"), {}, stage.env));
    ASSERT_TRUE(stage::waitFor([&] { return host.output().contains(QLatin1String("Item 14\n")); }))
        << qPrintable(host.errors());
    EXPECT_TRUE(host.output().contains(QLatin1String("item bare-tray: status Active")));

    // A second host clicks and draws; a click on a missing label fails its run.
    const QString picture = stage.file(u"menu.png"_s);
    for (const QString& label : {u"Item 2"_s, u"Nothing"_s}) {
        const bool found = label != QLatin1String("Nothing");
        stage::Child client;
        const QStringList render{u"--render"_s, picture};
        ASSERT_TRUE(client.start(program,
                                 QStringList{u"--attach"_s, u"--quiet"_s, u"--click"_s, label} +
                                     (found ? render : QStringList()) +
                                     QStringList{u"--dump-once"_s, u"--exit-after"_s, u"20"_s},
                                 stage.env));
        ASSERT_TRUE(client.process().waitForFinished(30000));
        EXPECT_EQ(client.process().exitCode(), found ? 0 : 1) << qPrintable(client.errors());
        EXPECT_EQ(client.errors().contains(u"clicked \"%1\""_s.arg(label)), found);
    }
    const QImage image(picture);
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.height(), image.width()); // fourteen rows stacked

    bare.stopNow();
    ASSERT_TRUE(host.process().waitForFinished(20000)) << "host did not end with its item";
    EXPECT_EQ(host.process().exitCode(), 0);
}
