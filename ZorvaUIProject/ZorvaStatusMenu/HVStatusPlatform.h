#pragma once

#include "Platform/DesktopNotifications.h"
#include "ZorvaUIProject/HVComponentUpdateList.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuModel.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

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
    // Posts a name with a string object, default delivery. Safe from any thread.
    virtual void postNotificationNameObject(const QString& name, const QString& object) = 0;
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
    virtual void saveUserDefaultsValueWithKey(const QString& key, const QVariant& withValue) = 0;
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

// A shown alert or update window, handed to the handler that runs when it ends.
class HVStatusSheet {
public:
    virtual ~HVStatusSheet() = default;
    // Takes the window off the screen.
    virtual void orderOut() = 0;
};

// Runs once when a sheet ends, with the code of the button that ended it.
using HVSheetEndHandler = std::function<void(HVStatusSheet& sheet, qint64 returnCode)>;

// An alert as plain data. Button codes count from 1000 in the order of buttons.
struct HVAlert {
    QString windowTitle;
    QString messageText;
    QString informativeText;
    int alertStyle = 0; // 0 warning, 1 informational, 2 critical
    QStringList buttons;
    QString iconPath; // the picture shown beside the texts; null: the toolkit's own
    std::optional<int> windowLevel;
};

inline constexpr qint64 kAlertFirstButtonReturn = 1000;

// Alerts and the update window, all top-level windows of their own (the status
// item has no main window to attach a sheet to).
class HVStatusWindows {
public:
    virtual ~HVStatusWindows() = default;
    // Shows the alert application-modal and returns the pressed button's code
    // once the user has dismissed it.
    virtual qint64 runModal(const HVAlert& alert) = 0;
    // Shows the alert and returns at once; didEnd runs when it is dismissed.
    virtual void beginAlertSheet(const HVAlert& alert, HVSheetEndHandler didEnd) = 0;
    // Shows the update window for the list (absent: no information) and returns
    // at once; didEnd runs with the tag of the button that closed it.
    virtual void beginUpdateWindow(const std::optional<HVComponentList>& list,
                                   bool willShowSettingBtn, HVSheetEndHandler didEnd) = 0;
};

// The settings pane and the other things the workspace opens.
class HVStatusWorkspace {
public:
    virtual ~HVStatusWorkspace() = default;
    // The path of the suite's settings pane bundle; null when none is installed.
    virtual QString settingsPanePath() = 0;
    // Opens a bundle or file: starts a bundle's executable, or hands the path
    // to the desktop's default handler. False when nothing could be started.
    virtual bool openFile(const QString& path) = 0;
};

// Work off the main thread.
class HVStatusTaskQueue {
public:
    virtual ~HVStatusTaskQueue() = default;
    // Runs the task on a background thread and returns at once.
    virtual void dispatchAsync(std::function<void()> task) = 0;
};

// The running processes of the current user.
class HVStatusProcesses {
public:
    virtual ~HVStatusProcesses() = default;
    // Sends signal 9 to every process of the current user whose executable
    // name matches the pattern (a regular expression found anywhere in the
    // name), this process last. Answers how many were signalled.
    virtual int killProcessesMatching(const QString& pattern) = 0;
};

// The desktop's notification server.
class HVStatusUserNotifications {
public:
    virtual ~HVStatusUserNotifications() = default;
    // Posts and returns at once; `shown` runs later, on the main thread, with
    // the server's id for it, and never when the server is missing or fails.
    virtual void postNotification(const platform::DesktopNotification& notification,
                                  std::function<void(quint32 notificationId)> shown) = 0;
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
    std::shared_ptr<HVStatusWindows> windows;
    std::shared_ptr<HVStatusWorkspace> workspace;
    std::shared_ptr<HVStatusTaskQueue> taskQueue;
    std::shared_ptr<HVStatusProcesses> processes;
    // Null: no desktop notifications.
    std::shared_ptr<HVStatusUserNotifications> userNotifications;
};
