#pragma once

#include "ZorvaUIProject/Common/HVDevice.h"
#include "ZorvaUIProject/Common/HVSoftphone.h"
#include "ZorvaUIProject/Common/zorva_application_service_delegate.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVBatteryNotice.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuModel.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusPlatform.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

// The status item's one controller: it owns the status item and its menu, the
// registry of devices and softphones, the device-service client and the callback
// endpoint "StatusAppServer". awakeFromNib runs the start-up sequence once; from
// then on the controller only reacts to the device service's callbacks, to the
// rebuild notification "c_HVUpdateUI!" and to menu commands, all on the main
// thread. Every callback ends by posting the notification; the menu is rebuilt
// when it comes back through the event loop, after the callback has returned.
class HVStatusController final : public zorva_application_service_delegate {
public:
    explicit HVStatusController(HVStatusPlatform platform);
    ~HVStatusController() override;
    HVStatusController(const HVStatusController&) = delete;
    HVStatusController& operator=(const HVStatusController&) = delete;

    // The start-up sequence. Every failure is a trace line and the end of
    // start-up; the process keeps running in the state reached.
    void awakeFromNib();

    // Properties.
    const std::vector<HVDevicePtr>& allDevices() const { return allDevicesList; }
    const std::vector<HVSoftphonePtr>& allSoftphones() const { return allSoftphoneList; }
    // The status menu as last built; null before start-up made it.
    const HVStatusMenu* statusMenu() const { return statsMenu.get(); }

    bool isSWUpdateAvailable() const { return m_isSWUpdateAvailable; }
    QString checkForManualUpdate() const { return m_checkForManualUpdate; }
    bool hasStatusItem() const { return HVStatusItem != nullptr; }

    // Registry (lists and numbers as the device service hands them over: a list
    // is a QVariantList of records, a location ID a number).
    void addDeviceInfo(const QVariant& deviceList);
    void addSoftphoneInfo(const QVariant& softphoneList);
    void addNewDevice(const QString& name, const QString& productID, qint32 devState,
                      const QVariant& lid, const QString& currentFWVer, qint32 headsetType);
    void removeDevice(const QString& name, const QVariant& lid);
    void addNewSoftphone(const QString& name, qint32 spState);
    void removeSoftphone(const QString& name);

    // Change propagation.
    void statusPostNotifications();
    void HVStatusMenuUpdateNew();
    void statusMenuUpdate();

    // Status menu.
    bool statusMenuCreate();
    void statusMenuPopulate();
    bool isZorvaMenuRunning() const;
    void setLowBatteryInfo();

    // A menu item was chosen: runs the item's command with the item as sender.
    void menuItemSelected(const HVMenuItem& item);

    // Menu commands.
    void statusHelpSelected();
    // Remembers the settings pane's first tab, then opens the pane.
    void statusSoftphoneSelected(const HVMenuItem& sender);
    // Opens the settings pane (an alert when there is none) and tells it "0"
    // unless the sender's title is exactly "Open Zorva".
    void statusOpenZorvaSelected(const HVMenuItem& sender);
    // Starts a manual check; the check item reads "Checking..." until a result.
    void checkManualUpdate(const HVMenuItem& sender);
    // Opens the update window for the recovery component of the sender's
    // device, matched by name and location.
    void recoverableDeviceSelected(const HVMenuItem& sender);
    // Opens the settings pane and tells it "1" 0.35 s later, off the main thread.
    void zorvaSettingsClicked();
    void statusProductSelected(const HVMenuItem& sender);

    // Update-check results, alerts and the update window.
    void showPopUpWithState(qint32 state);
    void showUpdateAvailablePopUp();
    void setDefaultZMSIconforAlert(HVAlert& alert) const;
    void willEndAlertSheet(HVStatusSheet& alert, qint64 returnCode);
    void sheetDidEnd(HVStatusSheet& sheet, qint64 returnCode);
    // In the reduced menu ends every instance of the status item, this one too.
    void notNowClicked();

    // How long after opening the settings pane it is told "1".
    static constexpr int kSettingsNotificationDelayMicroseconds = 350000;

    // Callbacks of the device service.
    void resetDeviceSoftphoneInfo() override;
    void updateDeviceInfo(const QString& name, const QString& productID, quint64 locatonID,
                          qint32 deviceState, const QString& currentFWVer,
                          qint32 headSetType) override;
    void updateHeadsetBatteryInfo(const std::shared_ptr<HVDevice>& device) override;
    void updateSoftphoneInfo(const QString& name, qint32 softphoneStatus) override;
    // The status codes of an update check, as sendCheckForUpdateStatus reports
    // them and showPopUpWithState shows them.
    static constexpr qint32 kUpdateAvailable = 0;
    static constexpr qint32 kUpdateNotAvailable = 1; // the software is up to date
    static constexpr qint32 kUpdateCheckFailed = 4;
    void sendCheckForUpdateStatus(qint32 status) override;
    void sendUpdatedComponentList(const QVariant& list, bool isManualCheckUpdate) override;

    // A registry device as the menu computations see it.
    static HVMenuDevice menuDevice(const HVDevice& device);

    // The per-user preference that turns the low-battery notifications off:
    // off for a false boolean or the text "FALSE"; on when absent.
    static inline const QString kLowBatteryNotificationsKey =
        QStringLiteral("Low Battery Notifications");

private:
    QString localized(const QString& key) const;
    // The text of a key that names no text of its own; English when no table has it.
    QString localizedOr(const QString& key, const QString& english) const;
    bool preferenceIsTrue(const QString& key) const;
    std::vector<HVMenuDevice> menuDevices() const;
    void applyIcon(HVStatusIcon icon);
    // Posts the low-battery notifications that the devices of a full rebuild call for.
    void postBatteryAlerts(const std::vector<HVMenuDevice>& devices);
    bool lowBatteryNotificationsOn() const;
    QString settingsPanePath();
    void beginUpdateWindow(const std::optional<HVComponentList>& list, bool willShowSettingBtn);

    // Fields the rest of the suite knows by name keep that name (HVStatusItem,
    // allDevicesList, statusAppDO, statsMenu, ...); the controller's own fields,
    // and the two whose names their public getters carry, have the m_ prefix.
    HVStatusPlatform m_platform;

    std::unique_ptr<HVStatusBarItem> HVStatusItem;
    QString HVStatusImage; // picture paths; null when absent
    QString HVStatusHighlightImage;
    std::vector<HVDevicePtr> allDevicesList;
    std::vector<HVSoftphonePtr> allSoftphoneList;
    bool connection = false; // the callback endpoint's connection exists
    std::unique_ptr<HVStatusServiceClient> statusAppDO;
    QString HVSWUpdateAvailImage;
    QString HVSWUpdateAvailHighLightImage;
    bool m_isSWUpdateAvailable = false;
    QString m_checkForManualUpdate;
    std::unique_ptr<HVStatusMenu> statsMenu;
    // Shared with the notification server's answers, which may come after a rebuild.
    std::shared_ptr<HVBatteryNotice> m_batteryNotice = std::make_shared<HVBatteryNotice>();
};
