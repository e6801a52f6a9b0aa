// The tray host against the bare QSystemTrayIcon program: registration through
// the watcher, the menu read over dbusmenu, rebuilds, clicks and departures.

#include "support/Stage.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;

using namespace trayhost;
namespace stage = testsupport::stage;

using TrayHost = stage::StageTest;

TEST_F(TrayHost, FollowsTheBareTrayThroughRegistrationRebuildClickAndDeparture) {
    StatusNotifierWatcher* const watcher = stage.watcher();
    ASSERT_NE(watcher, nullptr) << qPrintable(stage.error());

    // A second watcher on the same bus is refused.
    StatusNotifierWatcher second(stage.bus.connection());
    EXPECT_FALSE(second.start());

    QSignalSpy gone(watcher, &StatusNotifierWatcher::itemUnregistered);
    stage::Child bare;
    const auto item = stage.startItem(bare, stage::binary("tools/bare-tray/bare-tray"));
    ASSERT_TRUE(item) << qPrintable(stage.error());
    ASSERT_EQ(watcher->items().size(), 1);

    std::optional<MenuEntry> layout;
    ASSERT_TRUE(stage::waitFor([&] {
        layout = item->readLayout();
        return layout && layout->children.size() == 16;
    }));
    EXPECT_EQ(topLabels(*layout).join(u','),
              u"Item 1,Item 2,Item 3,Item 4,Item 5,----,Item 6,Item 7,Item 8,Item 9,----,"
              u"Item 10,Item 11,Item 12,Item 13,Item 14"_s);
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

    bare.stopNow();
    ASSERT_TRUE(stage::waitFor([&] { return gone.count() > 0; }));
    EXPECT_TRUE(watcher->items().isEmpty());
}
