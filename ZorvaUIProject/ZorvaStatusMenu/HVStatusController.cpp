#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusController.h"

#include "Platform/Bundle.h"
#include "Platform/DBusContract.h"
#include "Platform/ObjectDescription.h"
#include "Platform/Paths.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVUtilities.h"
#include "ZorvaUIProject/HVComponentUpdateList.h"

#include <chrono>
#include <exception>
#include <thread>

namespace {

using namespace hvtrace;

const QString kServiceName = platform::contract::kServiceEndpointName;
const QString kUpdateNotification = QStringLiteral("c_HVUpdateUI!");
const QString kRecovery = QStringLiteral("Recovery");

void trace(const QString& message, int severity, int category = kStatusController) {
    HVTrace::writeLine(message, category, severity);
}

bool isTrueString(const QVariant& value) {
    return value.typeId() == QMetaType::QString && value.toString() == QLatin1String("TRUE");
}

// The trace switch: on for a true boolean or the number 1; text such as "NO",
// any other number and any other type leave it off.
bool isSwitchOn(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toDouble() == 1.0;
    default:
        return false;
    }
}

// The signed 64-bit value of a location number; an unsigned number keeps its bits.
qint64 signedValue(const QVariant& number) {
    if (number.typeId() == QMetaType::ULongLong || number.typeId() == QMetaType::ULong) {
        return static_cast<qint64>(number.toULongLong());
    }
    return number.toLongLong();
}

template <typename Record>
std::shared_ptr<Record> recordOf(const QVariant& element) {
    if (element.canConvert<std::shared_ptr<Record>>()) {
        return element.value<std::shared_ptr<Record>>();
    }
    return nullptr;
}

QVariant describedList(const std::vector<HVDevicePtr>& devices) {
    QVariantList list;
    for (const auto& device : devices) {
        list.append(QVariant::fromValue(device));
    }
    return list;
}

} // namespace

HVStatusController::HVStatusController(HVStatusPlatform platform)
    : m_platform(std::move(platform)) {}

HVStatusController::~HVStatusController() = default;

QString HVStatusController::localized(const QString& key) const {
    const auto bundle = m_platform.mainBundle ? m_platform.mainBundle() : nullptr;
    return bundle ? bundle->localizedStringForKey(key, QString(), QString()) : key;
}

QString HVStatusController::localizedOr(const QString& key, const QString& english) const {
    const QString text = localized(key);
    return text == key ? english : text;
}

bool HVStatusController::preferenceIsTrue(const QString& key) const {
    return m_platform.preferences &&
           isTrueString(m_platform.preferences->getValueFromUserDefaultForKey(key));
}

// ---- Start-up ----------------------------------------------------------------

void HVStatusController::awakeFromNib() {
    trace(QStringLiteral("awakeFromNib called .\n"), kCritical);

    // Trace settings from the bundle's information property list.
    const auto bundle = m_platform.mainBundle ? m_platform.mainBundle() : nullptr;
    const QVariantMap info = bundle ? bundle->infoDictionary() : QVariantMap();
    const QVariant location = info.value(QStringLiteral("Trace File Location"));
    const QVariant enabled = info.value(QStringLiteral("Trace Enable Status"));
    const QVariant severity = info.value(QStringLiteral("Log Severity"));
    HVTrace::setLogSeverity(HVTrace::stringToSeverity(
        severity.typeId() == QMetaType::QString ? severity.toString() : QString()));
    if (location.typeId() == QMetaType::QString) {
        // Plain concatenation: the value names a path below the home folder.
        HVTrace::setTraceFilePath(platform::homeDirectory() + location.toString());
    }
    HVTrace::setTraceOn(isSwitchOn(enabled));

    allDevicesList.clear();
    allSoftphoneList.clear();

    if (m_platform.notificationCenter) {
        m_platform.notificationCenter->addObserver(kUpdateNotification,
                                                   [this] { HVStatusMenuUpdateNew(); });
    }

    try {
        statusAppDO = m_platform.newServiceClient ? m_platform.newServiceClient() : nullptr;
        if (!statusAppDO) {
            trace(QStringLiteral("AwakeFromNib: status DO creation failed \n"), kCritical);
            return;
        }
        addDeviceInfo(statusAppDO->getDeviceInfoFromApplicationService(kServiceName));
        addSoftphoneInfo(statusAppDO->getSoftphoneInfoFromApplicationService(kServiceName));
    } catch (const std::exception&) {
        // The service went away in the middle of a request: go on without the lists.
    }

    const QString updateKey = QStringLiteral("UpdatePackageAvail");
    if (preferenceIsTrue(updateKey)) {
        m_isSWUpdateAvailable = true;
    } else {
        m_isSWUpdateAvailable = false;
        if (m_platform.preferences) {
            m_platform.preferences->clearKeyValueFromStandardUserDefaults(updateKey);
        }
        QVariant answer;
        try {
            if (statusAppDO) {
                answer = statusAppDO->getUpdateAvailableInfoFromAppService();
            }
        } catch (const std::exception&) {
            // A service that fails in mid-request counts as no information.
        }
        if (answer.isValid()) {
            trace(QStringLiteral("Updated component list is available \n"), kInfo);
            m_isSWUpdateAvailable = isTrueString(answer);
        } else {
            trace(QStringLiteral("Updated component list is not available \n"), kCritical);
        }
    }

    connection = m_platform.callbackPublisher && m_platform.callbackPublisher->createConnection();
    if (!connection) {
        trace(QStringLiteral("AwakeFromNib: Connection creation failed \n"), kCritical);
        return;
    }
    if (!m_platform.callbackPublisher->registerName(QStringLiteral("StatusAppServer"), *this)) {
        trace(QStringLiteral("Could not register the server.\n"), kCritical);
        return;
    }
    trace(QStringLiteral("Registered the HV Status APP server.\n"), kMedium);

    if (!statusMenuCreate()) {
        trace(QStringLiteral("AwakeFromNib: status menu creation failed \n"), kCritical);
        return;
    }
    m_checkForManualUpdate = localized(QStringLiteral("Check for updates"));
    statusMenuPopulate();

    if (m_platform.statusBar) {
        HVStatusItem = m_platform.statusBar->statusItemWithLength(
            -2.0, [this](const HVMenuItem& item) { menuItemSelected(item); });
    }
    if (!HVStatusItem) {
        trace(QStringLiteral("AwakeFromNib: status bar creation failed \n"), kCritical);
        return;
    }

    const auto mainBundle = m_platform.mainBundle ? m_platform.mainBundle() : nullptr;
    if (mainBundle && m_platform.statusBar->registerBooksInBundle(*mainBundle)) {
        trace(QStringLiteral("Help Book Registration Success \n"), kCritical);
    } else {
        trace(QStringLiteral("Help Book Registration failed \n"), kCritical);
    }

    if (!mainBundle) {
        trace(QStringLiteral("AwakeFromNib: bundle creation failed \n"), kCritical);
        return;
    }
    const QString png = QStringLiteral("png");
    const HVIconPair normal = HVStatusMenuLayout::iconPair(HVStatusIcon::Normal);
    const HVIconPair update = HVStatusMenuLayout::iconPair(HVStatusIcon::UpdateAvailable);
    HVStatusImage = mainBundle->pathForResource(normal.image, png);
    HVStatusHighlightImage = mainBundle->pathForResource(normal.alternateImage, png);
    HVSWUpdateAvailImage = mainBundle->pathForResource(update.image, png);
    HVSWUpdateAvailHighLightImage = mainBundle->pathForResource(update.alternateImage, png);
    if (m_isSWUpdateAvailable) {
        applyIcon(HVStatusIcon::UpdateAvailable);
    } else {
        trace(QStringLiteral("AwakeFromNib: Update is not available\n"), kCritical);
        applyIcon(HVStatusIcon::Normal);
    }

    HVStatusItem->setMenu(*statsMenu);
    HVStatusItem->setHighlightMode(true);
}

// ---- Registry ----------------------------------------------------------------

void HVStatusController::addDeviceInfo(const QVariant& deviceList) {
    if (!deviceList.isValid()) {
        trace(QStringLiteral("Device List is Empty \n"), kCritical);
        return;
    }
    const QVariantList list = deviceList.toList();
    if (list.isEmpty()) {
        trace(QStringLiteral("No Devices found \n"), kCritical);
        return;
    }
    std::vector<HVDevicePtr> devices;
    for (const QVariant& element : list) {
        if (auto device = recordOf<HVDevice>(element)) {
            trace(QStringLiteral("addDeviceInfo : %1 Device Added \n")
                      .arg(platform::describe(device->name())),
                  kHigh);
            devices.push_back(std::move(device));
        }
    }
    allDevicesList = std::move(devices);
}

void HVStatusController::addSoftphoneInfo(const QVariant& softphoneList) {
    if (!softphoneList.isValid()) {
        trace(QStringLiteral("softPhoneList is Empty \n"), kCritical);
        return;
    }
    const QVariantList list = softphoneList.toList();
    if (list.isEmpty()) {
        trace(QStringLiteral("No softPhoneList found \n"), kCritical);
        return;
    }
    std::vector<HVSoftphonePtr> softphones;
    for (const QVariant& element : list) {
        if (auto softphone = recordOf<HVSoftphone>(element)) {
            softphones.push_back(std::move(softphone));
        }
    }
    allSoftphoneList = std::move(softphones);
}

void HVStatusController::addNewDevice(const QString& name, const QString& productID,
                                      qint32 /*devState*/, const QVariant& lid,
                                      const QString& currentFWVer, qint32 headsetType) {
    const qint64 location = signedValue(lid);
    const std::vector<HVDevicePtr> snapshot = allDevices();
    for (const auto& device : snapshot) {
        if (HVUtilities::sameString(device->name(), name) &&
            static_cast<qint64>(device->lid()) == location) {
            trace(QStringLiteral("Device Exists already \n"), kCritical);
            return;
        }
    }
    HVDevicePtr device = HVDevice::initDevice(name, productID, static_cast<quint64>(location));
    device->setCurFwVersion(currentFWVer);
    device->setHeadsetType(headsetType);
    allDevicesList.push_back(std::move(device));
    trace(QStringLiteral("New Device Added %1 \n").arg(platform::describe(name)), kHigh);
}

void HVStatusController::removeDevice(const QString& name, const QVariant& lid) {
    const qint64 location = signedValue(lid);
    const std::vector<HVDevicePtr> snapshot = allDevices();
    auto erase = [this](const HVDevicePtr& device) { std::erase(allDevicesList, device); };
    for (const auto& device : snapshot) {
        const bool sameLocation = static_cast<qint64>(device->lid()) == location;
        if (HVUtilities::sameString(device->name(), name) && sameLocation) {
            erase(device);
            trace(QStringLiteral("Device Removed %1 \n").arg(platform::describe(name)), kHigh);
        } else if (device->batteryInfo() && sameLocation) {
            // The headset record of a base station goes with the base.
            erase(device);
            return;
        }
    }
    trace(QStringLiteral("After Device Removed %1 \n device list %2\n")
              .arg(platform::describe(name), platform::describe(describedList(allDevices()))),
          kCritical);
}

void HVStatusController::addNewSoftphone(const QString& name, qint32 spState) {
    bool found = false;
    for (const auto& softphone : allSoftphoneList) {
        if (HVUtilities::sameString(softphone->name(), name)) {
            softphone->setState(spState);
            found = true;
        }
    }
    if (found) {
        trace(QStringLiteral("Softphone Exists already \n"), kCritical);
        return;
    }
    allSoftphoneList.push_back(HVSoftphone::initSoftphone(name, spState));
    trace(QStringLiteral("New Softphone Added %1 \n").arg(platform::describe(name)), kHigh);
}

void HVStatusController::removeSoftphone(const QString& name) {
    for (auto it = allSoftphoneList.begin(); it != allSoftphoneList.end(); ++it) {
        if (HVUtilities::sameString((*it)->name(), name)) {
            allSoftphoneList.erase(it);
            trace(QStringLiteral("Softphone Removed  %1 \n").arg(platform::describe(name)), kHigh);
            return;
        }
    }
    QVariantList list;
    for (const auto& softphone : allSoftphoneList) {
        list.append(QVariant::fromValue(softphone));
    }
    trace(QStringLiteral("After softphone Removed %1 \n softphone list %2\n")
              .arg(platform::describe(name), platform::describe(list)),
          kCritical);
}

// ---- Callbacks -----------------------------------------------------------------

void HVStatusController::resetDeviceSoftphoneInfo() {
    trace(QStringLiteral("Reset Device and softphone information "), kCritical);
    allDevicesList.clear();
    allSoftphoneList.clear();
    if (statusAppDO) {
        addDeviceInfo(statusAppDO->getDeviceInfoFromApplicationService(kServiceName));
        addSoftphoneInfo(statusAppDO->getSoftphoneInfoFromApplicationService(kServiceName));
    }
    statusPostNotifications();
}

void HVStatusController::updateDeviceInfo(const QString& name, const QString& productID,
                                          quint64 locatonID, qint32 deviceState,
                                          const QString& currentFWVer, qint32 headSetType) {
    trace(QStringLiteral("updateDeviceInfo : Update Device Requested %1\n")
              .arg(platform::describe(name)),
          kCritical);
    const QVariant location = QVariant::fromValue(locatonID);
    if (deviceState != 0) {
        removeDevice(name, location);
        trace(
            QStringLiteral("updateDeviceInfo : %1 Device Removed \n").arg(platform::describe(name)),
            kHigh);
    } else {
        addNewDevice(name, productID, 0, location, currentFWVer, headSetType);
        trace(QStringLiteral("updateDeviceInfo : %1 Device Added \n").arg(platform::describe(name)),
              kHigh);
    }
    statusPostNotifications();
}

void HVStatusController::updateHeadsetBatteryInfo(const std::shared_ptr<HVDevice>& device) {
    trace(QStringLiteral("Update the UI"), kInfo);
    if (!device) {
        statusPostNotifications();
        return;
    }
    const auto reported = device->batteryInfo();
    const std::vector<HVDevicePtr> snapshot = allDevices();
    for (const auto& stored : snapshot) {
        const bool sameLocation = stored->lid() == device->lid();
        const auto battery = stored->batteryInfo();
        if (battery && reported &&
            HVUtilities::sameString(battery->hsProductTypeId(), reported->hsProductTypeId()) &&
            sameLocation) {
            trace(QStringLiteral("updateHeadsetBatteryStatus : Found the headset in the list"),
                  kCritical);
            // The report is fresher than what is stored: without taking it the
            // menu would keep showing the first level ever reported.
            stored->setBatteryInfo(reported);
            statusPostNotifications();
            return;
        }
        if (HVUtilities::sameString(stored->productID(), device->productID()) && sameLocation) {
            trace(QStringLiteral("updateHeadsetBatteryStatus : Found the DECT Device in the list"),
                  kCritical);
            stored->setBatteryInfo(reported);
            statusPostNotifications();
            return;
        }
    }
    allDevicesList.push_back(device);
    statusPostNotifications();
}

void HVStatusController::updateSoftphoneInfo(const QString& name, qint32 softphoneStatus) {
    trace(QStringLiteral("updateSoftphoneInfo : Update Softphone Requested %1\n")
              .arg(platform::describe(name)),
          kCritical);
    addNewSoftphone(name, softphoneStatus);
    statusPostNotifications();
}

void HVStatusController::sendCheckForUpdateStatus(qint32 status) {
    trace(QStringLiteral("Notify the Zorva Menu with : %1").arg(status), kCritical);
    if (status == kUpdateAvailable) {
        trace(QStringLiteral("Update Available"), kCritical);
        m_isSWUpdateAvailable = true;
    } else if (status == kUpdateNotAvailable) {
        trace(QStringLiteral("Update Not Available"), kCritical);
        m_isSWUpdateAvailable = false;
    } else if (status == kUpdateCheckFailed) {
        if (m_checkForManualUpdate == localized(QStringLiteral("Checking..."))) {
            m_checkForManualUpdate = localized(QStringLiteral("Check for updates"));
            showPopUpWithState(kUpdateCheckFailed);
        }
    }
    statusPostNotifications();
}

void HVStatusController::sendUpdatedComponentList(const QVariant& list, bool isManualCheckUpdate) {
    if (isManualCheckUpdate) {
        if (m_checkForManualUpdate == localized(QStringLiteral("Checking..."))) {
            m_checkForManualUpdate = localized(QStringLiteral("Check for updates"));
            // A present list opens the window even when empty; an absent one
            // means the software is up to date.
            if (list.isValid()) {
                beginUpdateWindow(
                    HVComponentUpdateList::fromObject(list).value_or(HVComponentList()), false);
            } else {
                showPopUpWithState(kUpdateNotAvailable);
            }
        }
    } else {
        const std::optional<HVComponentList> components =
            list.isValid() ? HVComponentUpdateList::fromObject(list) : std::nullopt;
        if (!components || components->isEmpty()) {
            trace(QStringLiteral("Update Not Available"), kCritical);
            m_isSWUpdateAvailable = false;
        } else {
            trace(QStringLiteral("Update Available"), kCritical);
            m_isSWUpdateAvailable = false;
            for (const auto& entry : *components) {
                if (HVComponentUpdateList::currentVersion(entry) != kRecovery) {
                    m_isSWUpdateAvailable = true;
                    break;
                }
            }
        }
    }
    statusPostNotifications();
}

void HVStatusController::showPopUpWithState(qint32 state) {
    HVAlert alert;
    alert.windowTitle = QStringLiteral("Zorva Suite for Mac");
    alert.alertStyle = 0;
    if (state == kUpdateNotAvailable) {
        trace(QStringLiteral("Alert : Software is up to date"), kHigh, kPrefController);
        alert.messageText = localized(QStringLiteral("Software is up to date."));
        alert.buttons << localized(QStringLiteral("OK"));
    } else if (state == kUpdateCheckFailed) {
        trace(QStringLiteral("Alert : Check for update failed"), kHigh, kPrefController);
        alert.messageText = localized(QStringLiteral(
            "Check for update failed. Try again later or check your Internet Connection."));
        alert.buttons << localized(QStringLiteral("OK"));
    }
    setDefaultZMSIconforAlert(alert);
    if (m_platform.windows) {
        m_platform.windows->beginAlertSheet(
            alert, [this](HVStatusSheet& sheet, qint64 code) { willEndAlertSheet(sheet, code); });
    }
}

void HVStatusController::setDefaultZMSIconforAlert(HVAlert& alert) const {
    const auto bundle = m_platform.mainBundle ? m_platform.mainBundle() : nullptr;
    alert.iconPath = bundle
                         ? bundle->pathForResource(QStringLiteral("ZMSIcon"), QStringLiteral("png"))
                         : QString();
}

void HVStatusController::willEndAlertSheet(HVStatusSheet& alert, qint64 /*returnCode*/) {
    alert.orderOut();
}

void HVStatusController::showUpdateAvailablePopUp() {
    QVariant list;
    try {
        if (statusAppDO) {
            list = statusAppDO->getUpdateURLInfoFromAppService();
        }
    } catch (const std::exception&) {
        // A service that fails in mid-request gives no list.
    }
    const std::optional<HVComponentList> components =
        list.isValid() ? HVComponentUpdateList::fromObject(list) : std::nullopt;
    if (!components) {
        trace(QStringLiteral("Dictionary for link not found.\n"), kCritical);
        return;
    }
    beginUpdateWindow(components, true);
}

void HVStatusController::beginUpdateWindow(const std::optional<HVComponentList>& list,
                                           bool willShowSettingBtn) {
    if (m_platform.windows) {
        m_platform.windows->beginUpdateWindow(
            list, willShowSettingBtn,
            [this](HVStatusSheet& sheet, qint64 code) { sheetDidEnd(sheet, code); });
    }
}

void HVStatusController::sheetDidEnd(HVStatusSheet& sheet, qint64 returnCode) {
    sheet.orderOut();
    trace(QStringLiteral("close Sheet.\n"), kCritical);
    if (returnCode == 1001) {
        zorvaSettingsClicked();
    }
}

void HVStatusController::notNowClicked() {
    trace(QStringLiteral("Clicked on Not Now button"), kCritical);
    if (isZorvaMenuRunning()) {
        return;
    }
    try {
        if (statusAppDO) {
            statusAppDO->saveLastCheckPackageVersion();
        }
    } catch (const std::exception&) {
        // The instances end all the same.
    }
    if (m_platform.processes) {
        m_platform.processes->killProcessesMatching(QStringLiteral("Zorva menu bar item*"));
    }
}

// ---- Change propagation --------------------------------------------------------

void HVStatusController::statusPostNotifications() {
    if (m_platform.notificationCenter) {
        m_platform.notificationCenter->postNotificationName(kUpdateNotification, true);
    }
}

void HVStatusController::HVStatusMenuUpdateNew() {
    statusMenuUpdate();
}

void HVStatusController::statusMenuUpdate() {
    trace(QStringLiteral("statusMenuUpdate : Update status menu.\n"), kHigh);
    if (statsMenu) {
        statsMenu->items.clear();
    }
    statusMenuPopulate();
    if (HVStatusItem && statsMenu) {
        HVStatusItem->setMenu(*statsMenu);
    }
}

// ---- Status menu ---------------------------------------------------------------

bool HVStatusController::statusMenuCreate() {
    statsMenu = std::make_unique<HVStatusMenu>();
    return true;
}

HVMenuDevice HVStatusController::menuDevice(const HVDevice& device) {
    HVMenuDevice result;
    result.name = device.name();
    result.productID = device.productID();
    result.lid = device.lid();
    result.curFwVersion = device.curFwVersion();
    if (const auto battery = device.batteryInfo()) {
        result.batteryInfo =
            HVMenuBattery{battery->hsBatteryPCT(), battery->isCharging(), battery->isBatteryLow()};
    }
    return result;
}

std::vector<HVMenuDevice> HVStatusController::menuDevices() const {
    std::vector<HVMenuDevice> devices;
    devices.reserve(allDevicesList.size());
    for (const auto& device : allDevicesList) {
        devices.push_back(menuDevice(*device));
    }
    return devices;
}

bool HVStatusController::isZorvaMenuRunning() const {
    return preferenceIsTrue(QStringLiteral("zorvaStatusMenu"));
}

void HVStatusController::statusMenuPopulate() {
    trace(QStringLiteral("Populate Status Menu - Start"), kCritical);
    HVMenuInput input;
    input.fullMenu = isZorvaMenuRunning();
    input.texts.updateAvailable = localized(QStringLiteral("Update Available"));
    if (input.fullMenu) {
        input.texts.help = localized(QStringLiteral("Help"));
        input.texts.checking = localized(QStringLiteral("Checking..."));
        input.texts.openZorva = localized(QStringLiteral("Open Zorva"));
        input.texts.charging = localized(QStringLiteral("charging"));
        input.texts.low = localizedOr(QStringLiteral("BatteryLevelLow"), input.texts.low);
        input.devices = menuDevices();
        QVariant updateList;
        try {
            if (statusAppDO) {
                updateList = statusAppDO->getUpdateURLInfoFromAppService();
            }
        } catch (const std::exception&) {
            // A service that fails in mid-request leaves no device recoverable;
            // the rebuild itself must go on.
        }
        if (updateList.isValid()) {
            if (const auto components = HVComponentUpdateList::fromObject(updateList)) {
                for (const auto& entry : *components) {
                    if (HVComponentUpdateList::currentVersion(entry) == kRecovery) {
                        input.recoveryComponents.push_back(
                            {HVComponentUpdateList::productId(entry),
                             static_cast<qint64>(HVComponentUpdateList::locationId(entry))});
                    }
                }
            }
        }
        input.softphones.reserve(allSoftphoneList.size());
        for (const auto& softphone : allSoftphoneList) {
            input.softphones.push_back({softphone->name(), softphone->state()});
        }
        input.isSWUpdateAvailable = m_isSWUpdateAvailable;
        input.checkForManualUpdate = m_checkForManualUpdate;
        input.showBatteryStatus = preferenceIsTrue(QStringLiteral("ShowBatteryStatus"));
    }
    HVStatusMenu built = HVStatusMenuLayout::statusMenuPopulate(input);
    if (built.icon) {
        applyIcon(*built.icon);
    }
    if (statsMenu) {
        for (auto& item : built.items) {
            statsMenu->items.push_back(std::move(item));
        }
        statsMenu->icon = built.icon;
        statsMenu->toolTip = built.toolTip;
    }
    if (input.fullMenu) {
        postBatteryAlerts(input.devices);
    }
}

bool HVStatusController::lowBatteryNotificationsOn() const {
    if (!m_platform.preferences) {
        return true;
    }
    const QVariant value =
        m_platform.preferences->getValueFromUserDefaultForKey(kLowBatteryNotificationsKey);
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    return !(value.typeId() == QMetaType::QString && value.toString() == QLatin1String("FALSE"));
}

void HVStatusController::postBatteryAlerts(const std::vector<HVMenuDevice>& devices) {
    // The episodes are followed even while notifications are off, so that
    // turning them on in the middle of one does not announce it late.
    const std::vector<HVBatteryAlert> alerts =
        m_batteryNotice->report(devices, HVBatteryNotice::Clock::now());
    if (alerts.empty() || !m_platform.userNotifications || !lowBatteryNotificationsOn()) {
        return;
    }
    HVBatteryAlertTexts texts;
    texts.summary = localizedOr(QStringLiteral("BatteryLowSummary"), texts.summary);
    texts.body = localizedOr(QStringLiteral("BatteryLowBody"), texts.body);
    texts.bodyWithoutLevel =
        localizedOr(QStringLiteral("BatteryLowBodyNoLevel"), texts.bodyWithoutLevel);
    const auto bundle = m_platform.mainBundle ? m_platform.mainBundle() : nullptr;
    const QString picture =
        bundle
            ? bundle->pathForResource(HVStatusMenuLayout::iconPair(HVStatusIcon::LowBattery).image,
                                      QStringLiteral("png"))
            : QString();
    for (const HVBatteryAlert& alert : alerts) {
        trace(QStringLiteral("Low battery notification for %1").arg(alert.name), kHigh);
        const std::weak_ptr<HVBatteryNotice> notice = m_batteryNotice;
        m_platform.userNotifications->postNotification(
            HVBatteryNotice::notification(alert, texts, picture),
            [notice, headset = alert.headset](quint32 id) {
                if (const auto alive = notice.lock()) {
                    alive->delivered(headset, id);
                }
            });
    }
}

void HVStatusController::applyIcon(HVStatusIcon icon) {
    if (!HVStatusItem) {
        return;
    }
    switch (icon) {
    case HVStatusIcon::LowBattery:
        setLowBatteryInfo();
        return;
    case HVStatusIcon::UpdateAvailable:
        HVStatusItem->setImage(HVSWUpdateAvailImage);
        HVStatusItem->setAlternateImage(HVSWUpdateAvailHighLightImage);
        return;
    case HVStatusIcon::Normal:
        HVStatusItem->setImage(HVStatusImage);
        HVStatusItem->setAlternateImage(HVStatusHighlightImage);
        return;
    }
}

void HVStatusController::setLowBatteryInfo() {
    const auto bundle = m_platform.mainBundle ? m_platform.mainBundle() : nullptr;
    if (!bundle) {
        trace(QStringLiteral("AwakeFromNib: bundle creation failed \n"), kCritical);
        return;
    }
    const QString path = bundle->pathForResource(
        HVStatusMenuLayout::iconPair(HVStatusIcon::LowBattery).image, QStringLiteral("png"));
    if (HVStatusItem) {
        HVStatusItem->setImage(path);
        HVStatusItem->setAlternateImage(path);
    }
}

// ---- Menu commands ---------------------------------------------------------------

void HVStatusController::menuItemSelected(const HVMenuItem& item) {
    switch (item.action) {
    case HVMenuAction::None:
        return;
    case HVMenuAction::recoverableDeviceSelected:
        recoverableDeviceSelected(item);
        return;
    case HVMenuAction::statusSoftphoneSelected:
        statusSoftphoneSelected(item);
        return;
    case HVMenuAction::statusHelpSelected:
        statusHelpSelected();
        return;
    case HVMenuAction::showUpdateAvailablePopUp:
        showUpdateAvailablePopUp();
        return;
    case HVMenuAction::checkManualUpdate:
        checkManualUpdate(item);
        return;
    case HVMenuAction::statusOpenZorvaSelected:
        statusOpenZorvaSelected(item);
        return;
    }
}

void HVStatusController::statusHelpSelected() {
    if (m_platform.statusBar) {
        m_platform.statusBar->openHelpAnchor(QStringLiteral("main_help_page"),
                                             QStringLiteral("ZorvaMacSuiteHelp"));
    }
}

void HVStatusController::statusSoftphoneSelected(const HVMenuItem& sender) {
    if (m_platform.preferences) {
        m_platform.preferences->saveUserDefaultsValueWithKey(QStringLiteral("prefPaneTabIndex"),
                                                             QVariant::fromValue(qint64(0)));
    }
    statusOpenZorvaSelected(sender);
    trace(QStringLiteral("SoftphoneSelected : Softphone Selected.\n"), kMedium);
}

QString HVStatusController::settingsPanePath() {
    const QString path =
        m_platform.workspace ? m_platform.workspace->settingsPanePath() : QString();
    if (path.isEmpty()) {
        trace(QStringLiteral("OpenZorvaSelected : prefpane is null.\n"), kCritical);
    }
    return path;
}

void HVStatusController::statusOpenZorvaSelected(const HVMenuItem& sender) {
    trace(QStringLiteral("OpenZorvaSelected : open zorva Selected.\n"), kMedium);
    const QString path = settingsPanePath();
    if (path.isEmpty()) {
        HVAlert alert;
        alert.windowLevel = -2147483622;
        alert.windowTitle = QStringLiteral("Zorva Suite for Mac");
        alert.messageText = localized(QStringLiteral("ZorvaPrefError"));
        alert.informativeText = localized(QStringLiteral("ZorvaPrefErrorMSG"));
        alert.alertStyle = 0;
        alert.buttons << localized(QStringLiteral("OK"));
        setDefaultZMSIconforAlert(alert);
        if (m_platform.windows) {
            m_platform.windows->runModal(alert);
        }
    } else if (m_platform.workspace) {
        m_platform.workspace->openFile(path);
    }
    // The key itself, not its translation: a translated "Open Zorva" item posts too.
    if (sender.title != QLatin1String("Open Zorva") && m_platform.notificationCenter) {
        m_platform.notificationCenter->postNotificationNameObject(
            QStringLiteral("ZORVAERRORNOTIFICATION"), QStringLiteral("0"));
    }
}

void HVStatusController::checkManualUpdate(const HVMenuItem& /*sender*/) {
    trace(QStringLiteral("Clicked Check For Update Manually"), kMedium, kPrefController);
    m_checkForManualUpdate = localized(QStringLiteral("Checking..."));
    statusPostNotifications();
    try {
        if (statusAppDO) {
            statusAppDO->manualCheckForUpdateFromApplicationService(kServiceName);
        }
    } catch (const std::exception&) {
        // The item reads "Checking..." until a result arrives.
    }
}

void HVStatusController::recoverableDeviceSelected(const HVMenuItem& sender) {
    QVariant list;
    try {
        if (statusAppDO) {
            list = statusAppDO->getUpdateURLInfoFromAppService();
        }
    } catch (const std::exception&) {
        // No list: the window opens without a component.
    }
    trace(QStringLiteral("Show pop up for recovery device."), kMedium, kPrefController);
    std::optional<HVComponentList> windowList;
    const auto components = list.isValid() ? HVComponentUpdateList::fromObject(list) : std::nullopt;
    for (const auto& entry : components.value_or(HVComponentList())) {
        // Locations compare in their low 32 bits, as signed numbers.
        if (HVComponentUpdateList::isRecoveryEntry(entry) &&
            HVComponentUpdateList::componentName(entry) == sender.title &&
            static_cast<qint32>(HVComponentUpdateList::locationId(entry)) ==
                static_cast<qint32>(sender.tag)) {
            windowList = HVComponentList{entry};
            break;
        }
    }
    beginUpdateWindow(windowList, false);
}

void HVStatusController::zorvaSettingsClicked() {
    trace(QStringLiteral("OpenZorvaSelected : Open Setting tab of Zorva Pref.\n"), kCritical);
    const QString path = settingsPanePath();
    if (!path.isEmpty() && m_platform.workspace) {
        m_platform.workspace->openFile(path);
    }
    if (!m_platform.taskQueue) {
        return;
    }
    m_platform.taskQueue->dispatchAsync([center = m_platform.notificationCenter] {
        std::this_thread::sleep_for(
            std::chrono::microseconds(kSettingsNotificationDelayMicroseconds));
        if (center) {
            center->postNotificationNameObject(QStringLiteral("ZORVAERRORNOTIFICATION"),
                                               QString::number(1));
        }
    });
}

void HVStatusController::statusProductSelected(const HVMenuItem& /*sender*/) {
    trace(QStringLiteral("ProductSelected : Product Selected.\n"), kMedium);
}
