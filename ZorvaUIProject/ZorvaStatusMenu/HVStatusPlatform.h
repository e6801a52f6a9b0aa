#pragma once

#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuModel.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

namespace platform {
class Bundle;
}
class zorva_application_service_delegate;

// Everything HVStatusController asks of the world outside it. The application
// plugs in the real thing (HVStatusPlatformDefault.h: the device service client,
// the callback server and the notification centre on the session bus, the
// preference store, the tray); tests plug in fakes and run the controller
// without a bus or a desktop.

// The device-service requests the controller sends (HVDisObj). Results are the
// decoded objects; an invalid QVariant is "no object". A transport failure during
// a two-way request is thrown as a std::exception.
class HVStatusServiceClient {
public:
    virtual ~HVStatusServiceClient() = default;
    virtual QVariant getDeviceInfoFromApplicationService(const QString& serviceName) = 0;
    virtual QVariant getSoftphoneInfoFromApplicationService(const QString& serviceName) = 0;
    virtual QVariant getUpdateAvailableInfoFromAppService() = 0;
    virtual QVariant getUpdateURLInfoFromAppService() = 0;
    virtual void manualCheckForUpdateFromApplicationService(const QString& serviceName) = 0;
    virtual void saveLastCheckPackageVersion() = 0;
};

// The session-wide notification centre.
class HVStatusNotificationCenter {
public:
    virtual ~HVStatusNotificationCenter() = default;
    // The handler runs on the main thread, for a notification of that name from
    // any sender, after whatever posted it has returned to the event loop.
    virtual void addObserver(const QString& name, std::function<void()> handler) = 0;
    virtual void postNotificationName(const QString& name, bool deliverImmediately) = 0;
};

// The callback endpoint through which the device service reaches the controller.
class HVStatusCallbackPublisher {
public:
    virtual ~HVStatusCallbackPublisher() = default;
    // Makes the connection on the main event loop; false when it cannot be made.
    virtual bool createConnection() = 0;
    // Publishes root under the connection name; false when the name is taken or
    // the bus refuses it.
    virtual bool registerName(const QString& name, zorva_application_service_delegate& root) = 0;
};

// Reads and deletions in the per-user preference store.
class HVStatusPreferences {
public:
    virtual ~HVStatusPreferences() = default;
    virtual QVariant getValueFromUserDefaultForKey(const QString& key) = 0;
    virtual void clearKeyValueFromStandardUserDefaults(const QString& key) = 0;
};

// The item in the desktop's status area.
class HVStatusBarItem {
public:
    virtual ~HVStatusBarItem() = default;
    // Paths of picture files; a null path clears the picture.
    virtual void setImage(const QString& imagePath) = 0;
    virtual void setAlternateImage(const QString& imagePath) = 0;
    // Shows this menu from now on (again, after a rebuild).
    virtual void setMenu(const HVStatusMenu& menu) = 0;
    virtual void setHighlightMode(bool highlight) = 0;
};

// The desktop's status area and help viewer.
class HVStatusBar {
public:
    virtual ~HVStatusBar() = default;
    using ItemHandler = std::function<void(const HVMenuItem& item)>;
    // A new status item whose chosen menu items go to the handler; null when the
    // desktop gives none.
    virtual std::unique_ptr<HVStatusBarItem> statusItemWithLength(double length,
                                                                  ItemHandler handler) = 0;
    virtual bool registerBooksInBundle(const platform::Bundle& bundle) = 0;
    virtual void openHelpAnchor(const QString& anchor, const QString& inBook) = 0;
};

struct HVStatusPlatform {
    // A new device-service client; null when none can be made.
    std::function<std::unique_ptr<HVStatusServiceClient>()> newServiceClient;
    std::shared_ptr<HVStatusNotificationCenter> notificationCenter;
    std::shared_ptr<HVStatusCallbackPublisher> callbackPublisher;
    std::shared_ptr<HVStatusPreferences> preferences;
    std::shared_ptr<HVStatusBar> statusBar;
    // The application's bundle; null when there is none.
    std::function<std::shared_ptr<const platform::Bundle>()> mainBundle;
};
