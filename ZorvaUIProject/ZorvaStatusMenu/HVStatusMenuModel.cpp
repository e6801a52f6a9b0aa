#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuModel.h"

#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVSoftphone.h"

#include <QStringList>
#include <algorithm>

namespace {

using namespace hvtrace;

void trace(const QString& message, int severity) {
    HVTrace::writeLine(message, kStatusController, severity);
}

HVMenuItem item(const QString& title, HVMenuAction action, qint64 tag) {
    HVMenuItem result;
    result.title = title;
    result.action = action;
    result.tag = tag;
    return result;
}

bool isRecoverable(const HVMenuDevice& device, const std::vector<HVRecoveryComponent>& list) {
    const auto lid = static_cast<qint64>(device.lid);
    return std::any_of(list.begin(), list.end(), [&](const HVRecoveryComponent& component) {
        return !component.productID.isNull() && component.productID == device.productID &&
               component.locId == lid;
    });
}

} // namespace

bool HVStatusMenuLayout::isSpecialDevice(const HVMenuDevice& device) {
    return device.productID == QLatin1String("HV2454") || device.name == QLatin1String("HV2456");
}

bool HVStatusMenuLayout::showsBatteryView(const HVMenuDevice& device) {
    return device.batteryInfo &&
           (device.batteryInfo->hsBatteryPCT > 0 || device.productID == QLatin1String("HV2454") ||
            device.name == QLatin1String("HV2456"));
}

int HVStatusMenuLayout::batteryLevel(int hsBatteryPCT) {
    // A report outside 0..100 still shows the nearest picture rather than none.
    return std::clamp(hsBatteryPCT / 20, 0, 5);
}

double HVStatusMenuLayout::getMaxWithOfMenu(const std::vector<HVMenuDevice>& devices,
                                            bool showBatteryStatus) {
    double longest = 0;
    bool levelPictures = false;
    bool charging = false;
    for (const auto& device : devices) {
        if (device.batteryInfo && !isSpecialDevice(device)) {
            levelPictures = true;
        }
        longest = std::max(longest, static_cast<double>(device.name.size()) * 10);
        if (device.batteryInfo && device.batteryInfo->isCharging) {
            charging = true;
        }
    }
    double width = longest;
    if (levelPictures) {
        width += 30;
        if (showBatteryStatus) {
            width += 40;
        }
    }
    if (charging) {
        width += 20;
    }
    return width;
}

bool HVStatusMenuLayout::isChargingHeadset(const std::vector<HVMenuDevice>& devices) {
    return std::any_of(devices.begin(), devices.end(), [](const HVMenuDevice& device) {
        return device.batteryInfo && device.batteryInfo->isCharging;
    });
}

std::optional<HVBatteryView> HVStatusMenuLayout::createViewForHeadset(const HVMenuDevice& device,
                                                                      double withWidth,
                                                                      bool isCharging,
                                                                      bool showBatteryStatus) {
    if (!device.batteryInfo) {
        trace(QStringLiteral("createViewForHeadset: Battery information is NULL \n"), kCritical);
        return std::nullopt;
    }
    const HVMenuBattery& battery = *device.batteryInfo;
    HVBatteryView view;
    view.container = QRectF(0, 0, withWidth, kViewHeight);
    view.nameLabel = QRectF(20, 0, 180, kViewHeight);
    view.name = device.name;
    view.charging = battery.isCharging;
    view.batteryPCT = battery.hsBatteryPCT;
    if (isSpecialDevice(device)) {
        return view;
    }
    if (battery.isCharging) {
        view.chargingPicture = QRectF(withWidth - 25, 0, 20, kViewHeight);
    }
    const double xb = (isCharging ? withWidth - 25 - 20 : withWidth - 25) - 10;
    view.batteryPicture = QRectF(xb, 0, 30, kViewHeight);
    view.batteryImage = QStringLiteral("Battery_%1.png").arg(batteryLevel(battery.hsBatteryPCT));
    if (showBatteryStatus) {
        view.percentageLabel = QRectF(xb - 40, 0, 40, kViewHeight);
        view.percentageText = QStringLiteral("%1%").arg(battery.hsBatteryPCT);
    }
    return view;
}

bool HVStatusMenuLayout::isBatteryLow(const HVMenuDevice& device) {
    return device.batteryInfo && device.batteryInfo->isBatteryLow;
}

HVToolTip HVStatusMenuLayout::toolTipFor(const std::vector<HVMenuDevice>& devices,
                                         const HVMenuTexts& texts) {
    HVToolTip tip{texts.programName, QString()};
    QStringList lines;
    for (const auto& device : devices) {
        if (device.name.isNull() || !device.batteryInfo) {
            continue;
        }
        QStringList states;
        if (device.batteryInfo->hsBatteryPCT > 0) {
            states << QStringLiteral("%1%").arg(device.batteryInfo->hsBatteryPCT);
        } else if (isBatteryLow(device)) {
            states << texts.low;
        }
        if (device.batteryInfo->isCharging) {
            states << texts.charging;
        }
        lines << (states.isEmpty()
                      ? device.name
                      : device.name + QStringLiteral(": ") + states.join(QStringLiteral(", ")));
    }
    tip.description = lines.join(QLatin1Char('\n'));
    return tip;
}

HVStatusIcon HVStatusMenuLayout::iconFor(bool isSWUpdateAvailable, bool batteryLow) {
    if (batteryLow) {
        return HVStatusIcon::LowBattery;
    }
    return isSWUpdateAvailable ? HVStatusIcon::UpdateAvailable : HVStatusIcon::Normal;
}

HVIconPair HVStatusMenuLayout::iconPair(HVStatusIcon icon) {
    switch (icon) {
    case HVStatusIcon::UpdateAvailable:
        return {QStringLiteral("SWUpdateNotification"),
                QStringLiteral("SWUpdateNotificationHighlight")};
    case HVStatusIcon::LowBattery:
        return {QStringLiteral("Battery_Low"), QStringLiteral("Battery_Low")};
    case HVStatusIcon::Normal:
        break;
    }
    return {QStringLiteral("HVstatusoffline"), QStringLiteral("HVstatusonline")};
}

QRectF HVStatusMenuLayout::toTopLeft(const QRectF& frame, double containerHeight) {
    return QRectF(frame.x(), containerHeight - frame.y() - frame.height(), frame.width(),
                  frame.height());
}

HVStatusMenu HVStatusMenuLayout::statusMenuPopulate(const HVMenuInput& input) {
    HVStatusMenu menu;
    // The reduced menu tells nothing of the devices, and neither does its tip.
    menu.toolTip =
        toolTipFor(input.fullMenu ? input.devices : std::vector<HVMenuDevice>(), input.texts);
    if (!input.fullMenu) {
        menu.icon = HVStatusIcon::UpdateAvailable;
        menu.items.push_back(
            item(input.texts.updateAvailable, HVMenuAction::showUpdateAvailablePopUp, 0));
        return menu;
    }

    const double width = getMaxWithOfMenu(input.devices, input.showBatteryStatus);
    const bool charging = isChargingHeadset(input.devices);
    bool batteryLow = false;

    trace(QStringLiteral("Process Attached Devices"), kCritical);
    for (const auto& device : input.devices) {
        if (device.name.isNull()) {
            continue;
        }
        trace(QStringLiteral("Adding Device -> %1  \n").arg(device.name), kHigh);
        HVMenuItem entry = item(device.name, HVMenuAction::None, static_cast<qint64>(device.lid));
        if (device.curFwVersion == QLatin1String("Recovery")) {
            entry.onStateImage = QStringLiteral("SametimeError");
            entry.state = 1;
            if (isRecoverable(device, input.recoveryComponents)) {
                entry.action = HVMenuAction::recoverableDeviceSelected;
            }
        }
        if (device.batteryInfo) {
            if (isBatteryLow(device)) {
                batteryLow = true;
            }
            if (showsBatteryView(device)) {
                entry.view = createViewForHeadset(device, width, charging, input.showBatteryStatus);
            }
        }
        menu.items.push_back(std::move(entry));
    }
    if (!input.devices.empty()) {
        menu.items.push_back(HVMenuItem::separatorItem());
    } else {
        trace(QStringLiteral("No Devices found"), kCritical);
    }

    trace(QStringLiteral("Process Available Softphones"), kCritical);
    std::vector<HVMenuSoftphone> softphones = input.softphones;
    // Plain UTF-16 order, as the names compare case-sensitively; an absent name
    // sorts first and is skipped below.
    std::stable_sort(softphones.begin(), softphones.end(),
                     [](const HVMenuSoftphone& a, const HVMenuSoftphone& b) {
                         return QString::compare(a.name, b.name, Qt::CaseSensitive) < 0;
                     });
    qint64 count = 0;
    for (const auto& softphone : softphones) {
        if (softphone.name.isNull() || HVSoftphone::isHiddenState(softphone.state)) {
            continue;
        }
        trace(QStringLiteral("Adding Softphone -> %1").arg(softphone.name), kHigh);
        HVMenuItem entry = item(softphone.name, HVMenuAction::statusSoftphoneSelected, count);
        entry.onStateImage = QStringLiteral("SametimeError");
        entry.state = 1;
        menu.items.push_back(std::move(entry));
        ++count;
    }
    if (count > 0) {
        menu.items.push_back(HVMenuItem::separatorItem());
    } else {
        trace(QStringLiteral("No Softphones found"), kCritical);
    }

    menu.items.push_back(item(input.texts.help, HVMenuAction::statusHelpSelected, count));

    qint64 checkTag = count + 1;
    menu.icon = iconFor(input.isSWUpdateAvailable, batteryLow);
    if (input.isSWUpdateAvailable) {
        menu.items.push_back(
            item(input.texts.updateAvailable, HVMenuAction::showUpdateAvailablePopUp, count + 1));
        checkTag = count + 2;
    }

    const bool checking = input.checkForManualUpdate == input.texts.checking;
    menu.items.push_back(item(input.checkForManualUpdate,
                              checking ? HVMenuAction::None : HVMenuAction::checkManualUpdate,
                              checkTag));
    menu.items.push_back(
        item(input.texts.openZorva, HVMenuAction::statusOpenZorvaSelected, checkTag + 1));

    trace(QStringLiteral("Populate Status Menu - End"), kCritical);
    return menu;
}
