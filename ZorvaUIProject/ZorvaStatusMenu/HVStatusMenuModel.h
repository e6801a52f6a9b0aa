#pragma once

#include <QRectF>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

// The status menu as plain data. The controller takes what it needs from its
// registry and state into HVMenuInput, HVStatusMenuLayout computes the items, the
// battery views and the icon, and the tray layer only shows the result.

// The battery of a device as the menu uses it.
struct HVMenuBattery {
    int hsBatteryPCT = 0;
    bool isCharging = false;
    bool isBatteryLow = false;
    bool operator==(const HVMenuBattery&) const = default;
};

// One registry device as the menu uses it. A null name is an absent name.
struct HVMenuDevice {
    QString name;
    QString productID;
    quint64 lid = 0;
    QString curFwVersion;
    std::optional<HVMenuBattery> batteryInfo;
};

struct HVMenuSoftphone {
    QString name;
    qint32 state = 0;
};

// A component of the update list whose device sits in firmware recovery
// ("currentVersionKey" "Recovery"): its "ProdIdKey" and "LocIdKey".
struct HVRecoveryComponent {
    QString productID;
    qint64 locId = 0;
};

// The controller command behind a menu item. An item without one is disabled.
enum class HVMenuAction {
    None,
    recoverableDeviceSelected,
    statusSoftphoneSelected,
    statusHelpSelected,
    showUpdateAvailablePopUp,
    checkManualUpdate,
    statusOpenZorvaSelected,
};

// The three icon pairs of the status item.
enum class HVStatusIcon { Normal, UpdateAvailable, LowBattery };

struct HVIconPair {
    QString image;          // resource name without extension, type "png"
    QString alternateImage; // shown while the item is highlighted
};

// Geometry of one battery view, in points, origin at the container's lower-left
// corner (every element is 20 points high and sits at y 0).
struct HVBatteryView {
    QRectF container;
    QRectF nameLabel;
    QString name;                          // shown in grey, left aligned
    std::optional<QRectF> chargingPicture; // "Battery_charging.png"
    std::optional<QRectF> batteryPicture;
    QString batteryImage; // "Battery_<level>.png"
    std::optional<QRectF> percentageLabel;
    QString percentageText; // "<pct>%", right aligned
    bool charging = false;  // this device's own battery charges
    int batteryPCT = 0;
    bool operator==(const HVBatteryView&) const = default;
};

struct HVMenuItem {
    bool isSeparator = false;
    QString title;
    HVMenuAction action = HVMenuAction::None;
    qint64 tag = 0;
    QString onStateImage; // the mark shown while state is 1
    int state = 0;
    std::optional<HVBatteryView> view; // shown instead of the title

    bool isEnabled() const { return !isSeparator && action != HVMenuAction::None; }
    static HVMenuItem separatorItem() {
        HVMenuItem item;
        item.isSeparator = true;
        return item;
    }
    bool operator==(const HVMenuItem&) const = default;
};

// The status item's tool tip, plain text: the title, and one line per headset
// with a battery in the description.
struct HVToolTip {
    QString title;
    QString description;
    bool operator==(const HVToolTip&) const = default;
};

struct HVStatusMenu {
    std::vector<HVMenuItem> items;
    // The icon the rebuild chose; always set by a rebuild.
    std::optional<HVStatusIcon> icon;
    HVToolTip toolTip;
};

// Localized titles of the fixed items, and the words of the tool tip.
struct HVMenuTexts {
    QString updateAvailable = QStringLiteral("Update Available");
    QString help = QStringLiteral("Help");
    QString checking = QStringLiteral("Checking...");
    QString openZorva = QStringLiteral("Open Zorva");
    QString programName = QStringLiteral("Zorva");
    QString charging = QStringLiteral("charging");
    QString low = QStringLiteral("low");
};

struct HVMenuInput {
    bool fullMenu = false; // preference "zorvaStatusMenu" is "TRUE"
    std::vector<HVMenuDevice> devices;
    std::vector<HVMenuSoftphone> softphones;
    std::vector<HVRecoveryComponent> recoveryComponents;
    bool isSWUpdateAvailable = false;
    QString checkForManualUpdate;   // current title of the check item
    bool showBatteryStatus = false; // preference "ShowBatteryStatus" is "TRUE"
    HVMenuTexts texts;
};

// The menu computations. Never instantiated.
class HVStatusMenuLayout {
public:
    HVStatusMenuLayout() = delete;

    static constexpr double kViewHeight = 20;

    // Items and icon of one rebuild, with the rebuild's trace lines after its
    // start line (which the controller writes before it gathers the input).
    static HVStatusMenu statusMenuPopulate(const HVMenuInput& input);

    // The width handed to every battery view of one rebuild.
    static double getMaxWithOfMenu(const std::vector<HVMenuDevice>& devices,
                                   bool showBatteryStatus);
    static bool isChargingHeadset(const std::vector<HVMenuDevice>& devices);

    // Absent (with a trace line) when the device has no battery information.
    static std::optional<HVBatteryView> createViewForHeadset(const HVMenuDevice& device,
                                                             double withWidth, bool isCharging,
                                                             bool showBatteryStatus);

    // Product "HV2454" or name "HV2456": the view shows the name only.
    static bool isSpecialDevice(const HVMenuDevice& device);
    // Whether a device item gets a battery view rather than its plain title.
    static bool showsBatteryView(const HVMenuDevice& device);
    // Picture number for a percentage: pct / 20, kept within 0..5.
    static int batteryLevel(int hsBatteryPCT);

    // The tool tip of a menu listing these devices: the program's name, and a
    // line "name: 55%, charging" per named device with a battery, in menu order.
    // Without a reported percentage the line gives the low flag's word, or the
    // name alone.
    static HVToolTip toolTipFor(const std::vector<HVMenuDevice>& devices, const HVMenuTexts& texts);

    // The battery record's low flag: what switches the icon to the low-battery
    // picture, and what the low-battery notifications follow.
    static bool isBatteryLow(const HVMenuDevice& device);

    static HVStatusIcon iconFor(bool isSWUpdateAvailable, bool batteryLow);
    static HVIconPair iconPair(HVStatusIcon icon);

    // A frame with the lower-left origin turned into top-left widget coordinates.
    static QRectF toTopLeft(const QRectF& frame, double containerHeight = kViewHeight);
};
