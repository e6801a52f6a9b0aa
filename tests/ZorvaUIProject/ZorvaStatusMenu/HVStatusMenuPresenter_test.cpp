#include "Platform/Bundle.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuExport.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuPresenter.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusTray.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QUrl>
#include <QWidgetAction>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kResources = QStringLiteral(ZORVA_BUNDLE_PATH "/Contents/Resources");

HVMenuDevice headset(const QString& name, quint64 lid, int pct, bool charging) {
    return {name, u"HV1234"_s, lid, u"2.1"_s, HVMenuBattery{pct, charging, false}};
}

HVMenuInput demoInput() {
    HVMenuInput input;
    input.fullMenu = true;
    input.showBatteryStatus = true;
    input.isSWUpdateAvailable = true;
    input.checkForManualUpdate = u"Check for updates"_s;
    input.devices = {headset(u"Zorva Quillo 52"_s, 0x14100000, 85, true),
                     headset(u"Zorva Brindle 84"_s, 0x14200000, 35, false),
                     headset(u"Zorva Wirrel 33"_s, 0x14300000, 0, false)};
    // A wired device in firmware recovery.
    input.devices[2].batteryInfo.reset();
    input.devices[2].curFwVersion = u"Recovery"_s;
    input.softphones = {{u"Skype"_s, 1}, {u"Bria"_s, 7}, {u"Jabber"_s, 0}};
    return input;
}

std::vector<QAction*> actions(const QMenu& menu) {
    const auto list = menu.actions();
    return {list.begin(), list.end()};
}

// The battery view an action shows; none when it shows no HVBatteryViewWidget.
std::optional<HVBatteryView> viewOf(QAction* action) {
    auto* widgetAction = qobject_cast<QWidgetAction*>(action);
    auto* widget =
        qobject_cast<HVBatteryViewWidget*>(widgetAction ? widgetAction->defaultWidget() : nullptr);
    return widget ? std::optional(widget->view()) : std::nullopt;
}

} // namespace

// The popup menu (the old tray's): battery views as widgets, titles as they stand
// although "&" marks an accelerator in a QAction's text, actions kept across rebuilds.
TEST(HVStatusMenuPresenter, PopupViewsTitlesAndInPlaceUpdates) {
    QMenu menu;
    HVStatusMenuPresenter presenter(menu, HVStatusMenuPresenter::Style::Popup,
                                    std::make_shared<HVPictureCache>(kResources), {});
    HVMenuInput input = demoInput();
    const QStringList titles{u"Microsoft Lync & Skype for Business"_s, u"Zorva R&D_Quillo 40"_s,
                             u"A && B"_s, u"&Zorva_"_s, u"Tail &"_s};
    for (const QString& title : titles) {
        input.softphones.push_back({title, 0});
    }
    const HVStatusMenu model = HVStatusMenuLayout::statusMenuPopulate(input);
    presenter.setMenu(model);
    const auto list = actions(menu);
    ASSERT_EQ(list.size(), model.items.size());
    EXPECT_EQ(viewOf(list[0]).value().batteryImage, u"Battery_4.png"_s);
    EXPECT_TRUE(viewOf(list[0]).value().chargingPicture.has_value());
    EXPECT_FALSE(viewOf(list[2]));
    EXPECT_FALSE(list[2]->icon().isNull()); // the recovery device's "SametimeError" mark
    EXPECT_FALSE(list[2]->isEnabled());
    EXPECT_TRUE(list[3]->isSeparator());
    EXPECT_FALSE(list[4]->icon().isNull());
    QStringList shown;
    for (const QAction* action : list) {
        shown << action->iconText();
    }
    for (const QString& title : titles) {
        EXPECT_EQ(shown.count(title), 1) << title.toStdString();
    }
    // Written for a look at it.
    menu.popup(QPoint(10, 10));
    QApplication::processEvents();
    const QImage image = menu.grab().toImage();
    menu.close();
    QDir().mkpath(QStringLiteral(ZORVA_BINARY_DIR "/screenshots"));
    EXPECT_TRUE(image.save(QStringLiteral(ZORVA_BINARY_DIR "/screenshots/status-menu-full.png")));
    EXPECT_GE(image.height(), 8 * 18);

    // The same content again changes nothing; a battery report changes one view.
    const int created = presenter.actionsCreated();
    const int changes = presenter.propertyChanges();
    presenter.setMenu(HVStatusMenuLayout::statusMenuPopulate(input));
    EXPECT_EQ(presenter.propertyChanges(), changes);
    input.devices[1].batteryInfo->hsBatteryPCT = 65;
    presenter.setMenu(HVStatusMenuLayout::statusMenuPopulate(input));
    EXPECT_EQ(presenter.propertyChanges(), changes + 1);
    EXPECT_EQ(viewOf(list[1]).value().percentageText, u"65%"_s);
    // A detached device shifts the rest: actions are reused, the tail shrinks.
    input.devices.erase(input.devices.begin());
    presenter.setMenu(HVStatusMenuLayout::statusMenuPopulate(input));
    EXPECT_EQ(actions(menu).size(), list.size() - 1);
    EXPECT_EQ(viewOf(menu.actions()[0]).value().name, u"Zorva Brindle 84"_s);
    EXPECT_EQ(presenter.actionsCreated(), created);
}

// What a host is given to draw: the rows only exported items show.
TEST(HVExportedMenu, DeviceRowsStayEnabledWithTheirPictures) {
    const auto exported = HVExportedMenu(HVStatusMenuLayout::statusMenuPopulate(demoInput()));
    ASSERT_GE(exported.size(), 3u);
    EXPECT_EQ(
        exported[0],
        (HVExportedItem{false, u"Zorva Quillo 52  85%"_s, true, {u"Battery_4.png"_s, true, true}}));
    // In recovery without a command: enabled all the same, with its mark.
    EXPECT_EQ(exported[2],
              (HVExportedItem{false, u"Zorva Wirrel 33"_s, true, {u"SametimeError"_s}}));
}

// No watcher runs on the test's bus: the item stands on the XEmbed tray, whose
// clicks pop up the drawn menu, while its menu is exported all the same.
TEST(HVTrayStatusItem, FallsBackToTheOldTrayAndReportsOnlyItemsWithCommands) {
    HVTrayStatusBar bar(kResources);
    std::vector<qint64> chosen;
    auto base =
        bar.statusItemWithLength(-2.0, [&](const HVMenuItem& item) { chosen.push_back(item.tag); });
    auto* item = dynamic_cast<HVTrayStatusItem*>(base.get());
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(item->statusNotifierItem().isExported());
    EXPECT_FALSE(item->statusNotifierItem().watcherPresent());
    EXPECT_EQ(item->fallbackIcon(), nullptr) << "no icon before there is a menu";
    item->setImage(kResources + u"/HVstatusoffline.png"_s);
    item->setAlternateImage(kResources + u"/HVstatusonline.png"_s);
    const HVStatusMenu menu = HVStatusMenuLayout::statusMenuPopulate(demoInput());
    item->setMenu(menu);
    ASSERT_NE(item->fallbackIcon(), nullptr);
    EXPECT_FALSE(item->fallbackIcon()->icon().isNull());
    EXPECT_EQ(item->fallbackIcon()->contextMenu(), nullptr) << "the item places its own popup";
    EXPECT_EQ(item->popupMenu().actions().size(), 11);
    EXPECT_EQ(item->statusNotifierItem().menu().entries().size(), 11u);
    EXPECT_FALSE(item->statusNotifierItem().icon().isEmpty());

    for (const auto reason : {QSystemTrayIcon::Context, QSystemTrayIcon::Trigger}) {
        Q_EMIT item->fallbackIcon()->activated(reason);
        QApplication::processEvents();
        EXPECT_TRUE(item->popupMenu().isVisible()) << reason;
        item->popupMenu().close();
    }

    // A click on an exported item reaches the handler only for items with a
    // command: the device row (id 1) has none, "Open Zorva" (the last) has tag 5.
    auto& exported = item->statusNotifierItem().menu();
    const int last = static_cast<int>(menu.items.size());
    for (const int id : {1, last, 0, last + 1}) {
        exported.Event(id, u"clicked"_s, QDBusVariant(QVariant(0)), 0);
    }
    EXPECT_TRUE(chosen.empty()) << "the command runs after the host has its reply";
    QApplication::processEvents();
    item->popupMenu().actions().back()->trigger();
    EXPECT_EQ(chosen, (std::vector<qint64>{5, 5}));
}

// Every status picture, drawn at panel size on a dark and a light panel, has
// enough pixels that stand out from the panel to show the headset.
TEST(HVStatusPictures, StandOutOnDarkAndLightPanels) {
    for (const char* name : {"HVstatusoffline", "HVstatusonline", "SWUpdateNotification",
                             "SWUpdateNotificationHighlight", "Battery_Low"}) {
        const QImage picture(kResources + u'/' + QLatin1String(name) + u".png"_s);
        ASSERT_FALSE(picture.isNull()) << name;
        for (const QColor panel : {QColor(0x35, 0x35, 0x35), QColor(0xec, 0xec, 0xec)}) {
            QImage shown(22, 22, QImage::Format_RGB32);
            shown.fill(panel);
            QPainter painter(&shown);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(shown.rect(), picture);
            painter.end();
            int standing = 0;
            for (int i = 0; i < 22 * 22; ++i) {
                standing += std::abs(qGray(shown.pixel(i % 22, i / 22)) - qGray(panel.rgb())) > 80;
            }
            EXPECT_GE(standing, 60) << name << " on " << qPrintable(panel.name());
        }
    }
}

// The help page is a resource of whichever bundle the program runs from; when it
// cannot be opened (no book, or nothing to open it, as under the offscreen
// platform) a trace line says so.
TEST(HVTrayStatusBar, HelpIsFoundInTheBundleAndFailuresAreTraced) {
    testsupport::ScopedSandbox sandbox;
    testsupport::TraceCapture trace;
    const QString noHelp = sandbox.system(u"Applications/Bare.app"_s);
    ASSERT_TRUE(testsupport::writeFile(noHelp + u"/Contents/Info.plist"_s,
                                       testsupport::readFile(kResources + u"/../Info.plist"_s)));
    for (const QString& path : {QStringLiteral(ZORVA_BUNDLE_PATH), noHelp}) {
        const bool registered = path != noHelp;
        HVTrayStatusBar bar(kResources);
        const auto bundle = platform::Bundle::bundleWithPath(path);
        ASSERT_TRUE(bundle);
        EXPECT_EQ(bar.registerBooksInBundle(*bundle), registered);
        const QString page = path + u"/Contents/Resources/ZorvaMacSuiteHelp/index.html"_s;
        EXPECT_EQ(bar.helpPage(u"ZorvaMacSuiteHelp"_s), registered ? page : QString());
        bar.openHelpAnchor(u"main_help_page"_s, u"ZorvaMacSuiteHelp"_s);
        EXPECT_TRUE(trace.contains(
            u"Status Controller"_s, u"CRITICAL"_s,
            registered ? u"openHelpAnchor : no application opened the help page "_s +
                             QUrl::fromLocalFile(page).toString() + u"#main_help_page \n"_s
                       : u"openHelpAnchor : help book ZorvaMacSuiteHelp is not registered \n"_s));
    }
}
