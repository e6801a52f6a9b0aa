// Our status notifier item's menu as hosts see it: the dbusmenu protocol read
// over the bus by the tray host's reader and by libdbusmenu's own dumper.

#include "MenuLayout.h"
#include "Platform/tray/StatusNotifierItem.h"
#include "support/PrivateSessionBus.h"
#include "support/Stage.h"

#include <QDBusArgument>
#include <QDBusPendingCall>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using platform::tray::MenuEntry;
using platform::tray::StatusNotifierItem;

namespace {

[[maybe_unused]] auto* const bus =
    ::testing::AddGlobalTestEnvironment(new testsupport::PrivateSessionBus);

// A menu call answered by an item served on this very thread: wait while serving it.
QDBusMessage menuCall(const QDBusConnection& connection, const StatusNotifierItem& item,
                      const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(item.serviceName(), u"/MenuBar"_s,
                                                       u"com.canonical.dbusmenu"_s, method);
    call.setArguments(arguments);
    QDBusPendingCall pending = connection.asyncCall(call);
    testsupport::stage::waitFor([&] { return pending.isFinished(); }, 10000);
    return pending.reply();
}

// Counts the menu's change signals as they arrive over the bus.
class WireSignals : public QObject {
    Q_OBJECT
public:
    WireSignals(QDBusConnection connection, const QString& service) {
        for (const char* name : {"LayoutUpdated", "ItemsPropertiesUpdated"}) {
            connection.connect(service, u"/MenuBar"_s, u"com.canonical.dbusmenu"_s,
                               QLatin1String(name), this, SLOT(arrived(QDBusMessage)));
        }
    }
    QStringList names;
public Q_SLOTS:
    void arrived(const QDBusMessage& message) { names << message.member(); }
};

std::vector<MenuEntry> entries(const QStringList& labels) {
    std::vector<MenuEntry> result;
    for (const QString& label : labels) {
        const bool separator = label == QLatin1String("----");
        result.push_back({separator, separator ? QString() : label,
                          !label.endsWith(QLatin1String("...")), QByteArray()});
    }
    return result;
}

} // namespace

TEST(TrayProtocol, RevisionsAndSignalsFollowOnlyRealChanges) {
    StatusNotifierItem item(u"Zorva"_s);
    ASSERT_TRUE(item.isExported());
    auto& menu = item.menu();
    const QDBusConnection reader =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"reader"_s);
    WireSignals wire(reader, item.serviceName());
    QSignalSpy properties(&menu, &platform::tray::DBusMenuExporter::ItemsPropertiesUpdated);
    // A round trip makes sure the bus has the match rules before the first change.
    menuCall(reader, item, u"AboutToShow"_s, {0});

    struct Step {
        const char* what;
        QStringList labels;
        int layoutUpdates;
        int propertyUpdates;
    };
    const Step steps[] = {
        // clang-format off
        {"first menu", {"Zorva Quillo 52", "----", "Help", "Checking..."}, 1, 0},
        {"unchanged rebuild", {"Zorva Quillo 52", "----", "Help", "Checking..."}, 0, 0},
        {"label and enabled state", {"Zorva Quillo 52", "----", "Help", "Check for updates"}, 0, 1},
        {"a device arrives", {"Zorva Quillo 52", "Zorva Mirelo 65", "----", "Help", "Check for updates"}, 1, 0},
        // clang-format on
    };
    uint lastRevision = menu.revision();
    for (const Step& step : steps) {
        wire.names.clear();
        menu.setEntries(entries(step.labels));
        const QDBusMessage reply = menuCall(reader, item, u"GetLayout"_s, {0, -1, QStringList()});
        ASSERT_EQ(reply.arguments().size(), 2) << step.what << qPrintable(reply.errorMessage());
        EXPECT_EQ(reply.arguments().at(0).toUInt(), menu.revision()) << step.what;
        const auto layout = trayhost::parseLayout(reply.arguments().at(1).value<QDBusArgument>());
        ASSERT_TRUE(layout) << step.what;
        EXPECT_EQ(trayhost::topLabels(*layout), step.labels) << step.what;
        // The reply came after any signal sent before it.
        EXPECT_EQ(wire.names.count(u"LayoutUpdated"_s), step.layoutUpdates) << step.what;
        EXPECT_EQ(wire.names.count(u"ItemsPropertiesUpdated"_s), step.propertyUpdates) << step.what;
        const bool changed = step.layoutUpdates + step.propertyUpdates > 0;
        EXPECT_EQ(menu.revision() > lastRevision, changed) << step.what;
        lastRevision = menu.revision();
    }

    // The last property change named only what changed: the label and the
    // enabled flag that went away.
    properties.clear();
    menu.setEntries(entries({"Zorva Quillo 52", "Zorva Mirelo 65", "----", "Help", "Checking..."}));
    ASSERT_EQ(properties.count(), 1);
    const auto updated = properties.at(0).at(0).value<platform::tray::DBusMenuItemList>();
    ASSERT_EQ(updated.size(), 1);
    EXPECT_EQ(updated.at(0).id, 5);
    EXPECT_EQ(updated.at(0).properties.keys(), (QStringList{u"enabled"_s, u"label"_s}));

    // Every id asked for is answered, the root included; unknown ids are left out.
    const QDBusMessage group = menuCall(reader, item, u"GetGroupProperties"_s,
                                        {QVariant::fromValue(QList<int>{0, 2, 99}), QStringList()});
    ASSERT_EQ(group.type(), QDBusMessage::ReplyMessage) << qPrintable(group.errorMessage());
    platform::tray::DBusMenuItemList answered;
    group.arguments().at(0).value<QDBusArgument>() >> answered;
    ASSERT_EQ(answered.size(), 2);
    EXPECT_EQ(std::make_pair(answered.at(0).id, answered.at(1).id), std::make_pair(0, 2));
    EXPECT_EQ(answered.at(1).properties.value(u"label"_s).toString(), u"Zorva Mirelo 65"_s);
}

TEST(TrayProtocol, LibdbusmenusDumperPrintsTheWholeMenu) {
    const QString dumper = u"/usr/libexec/dbusmenu-dumper"_s;
    if (!QFileInfo::exists(dumper)) {
        GTEST_SKIP() << "libdbusmenu-tools is not installed";
    }
    StatusNotifierItem item(u"Zorva"_s);
    ASSERT_TRUE(item.isExported());
    item.menu().setEntries(entries({"Zorva Quillo__52", "----", "Help", "Checking..."}));
    QProcess process;
    process.start(dumper, {u"--dbus-name="_s + item.serviceName(), u"--dbus-object=/MenuBar"_s});
    ASSERT_TRUE(process.waitForStarted(5000));
    ASSERT_TRUE(
        testsupport::stage::waitFor([&] { return process.state() == QProcess::NotRunning; }, 15000))
        << "the dumper never realised the menu";
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    for (const char* expected : {"\"label\": 'Zorva Quillo__52'", "\"type\": 'separator'",
                                 "\"label\": 'Help'", "\"label\": 'Checking...'", "\"id\": 4"}) {
        EXPECT_TRUE(out.contains(QLatin1String(expected))) << expected << "\n" << qPrintable(out);
    }
    EXPECT_EQ(out.count(QLatin1String("\"enabled\": false")), 1) << qPrintable(out);
}

#include "TrayProtocol_test.moc"
