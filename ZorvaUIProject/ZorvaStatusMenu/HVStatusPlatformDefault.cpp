#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusPlatformDefault.h"

#include "Platform/Bundle.h"
#include "Platform/DistributedNotificationCenter.h"
#include "Platform/Launching.h"
#include "Platform/Processes.h"
#include "ZorvaUIProject/Common/HVDisObj.h"
#include "ZorvaUIProject/Common/HVUtilities.h"
#include "ZorvaUIProject/Common/StatusAppServer.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusTray.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusWindowsDefault.h"

#include <QThreadPool>
#include <csignal>
#include <vector>

namespace {

class DisObjClient final : public HVStatusServiceClient {
public:
    explicit DisObjClient(std::unique_ptr<HVDisObj> client) : m_client(std::move(client)) {}
    QVariant getDeviceInfoFromApplicationService(const QString& serviceName) override {
        return m_client->getDeviceInfoFromApplicationService(serviceName);
    }
    QVariant getSoftphoneInfoFromApplicationService(const QString& serviceName) override {
        return m_client->getSoftphoneInfoFromApplicationService(serviceName);
    }
    QVariant getUpdateAvailableInfoFromAppService() override {
        return m_client->getUpdateAvailableInfoFromAppService();
    }
    QVariant getUpdateURLInfoFromAppService() override {
        return m_client->getUpdateURLInfoFromAppService();
    }
    void manualCheckForUpdateFromApplicationService(const QString& serviceName) override {
        m_client->manualCheckForUpdateFromApplicationService(serviceName);
    }
    void saveLastCheckPackageVersion() override { m_client->saveLastCheckPackageVersion(); }

private:
    std::unique_ptr<HVDisObj> m_client;
};

class BusNotificationCenter final : public HVStatusNotificationCenter {
public:
    BusNotificationCenter() = default;
    BusNotificationCenter(const BusNotificationCenter&) = delete;
    BusNotificationCenter& operator=(const BusNotificationCenter&) = delete;
    // The handlers belong to the controller that goes with this object.
    ~BusNotificationCenter() override {
        for (const auto id : m_observers) {
            platform::DistributedNotificationCenter::defaultCenter().removeObserver(id);
        }
    }
    void addObserver(const QString& name, std::function<void()> handler) override {
        m_observers.push_back(platform::DistributedNotificationCenter::defaultCenter().addObserver(
            name, [handler = std::move(handler)](const QString&, const QVariant&) { handler(); },
            platform::SuspensionBehavior::DeliverImmediately));
    }
    void postNotificationName(const QString& name, bool deliverImmediately) override {
        platform::DistributedNotificationCenter::defaultCenter().postNotificationName(
            name, QVariant(), deliverImmediately);
    }
    void postNotificationNameObject(const QString& name, const QString& object) override {
        platform::DistributedNotificationCenter::defaultCenter().postNotificationName(name, object);
    }

private:
    std::vector<platform::DistributedNotificationCenter::ObserverId> m_observers;
};

class BusCallbackPublisher final : public HVStatusCallbackPublisher {
public:
    bool createConnection() override {
        m_server = StatusAppServer::create();
        return m_server != nullptr;
    }
    bool registerName(const QString& name, zorva_application_service_delegate& root) override {
        if (!m_server) {
            return false;
        }
        m_server->setRootObject(&root);
        return m_server->registerName(name);
    }

private:
    std::unique_ptr<StatusAppServer> m_server;
};

class StoredPreferences final : public HVStatusPreferences {
public:
    QVariant getValueFromUserDefaultForKey(const QString& key) override {
        return HVUtilities::getValueFromUserDefaultForKey(key);
    }
    void clearKeyValueFromStandardUserDefaults(const QString& key) override {
        HVUtilities::clearKeyValueFromStandardUserDefaults(key);
    }
    void saveUserDefaultsValueWithKey(const QString& key, const QVariant& withValue) override {
        HVUtilities::saveUserDefaultsValueWithKey(key, withValue);
    }
};

class SuiteWorkspace final : public HVStatusWorkspace {
public:
    QString settingsPanePath() override {
        const auto pane = HVUtilities::getHVPrefsPane();
        return pane ? pane->bundlePath() : QString();
    }
    bool openFile(const QString& path) override { return platform::openBundleOrFile(path); }
};

// The global pool: its threads are waited for when the application ends.
class GlobalTaskQueue final : public HVStatusTaskQueue {
public:
    void dispatchAsync(std::function<void()> task) override {
        QThreadPool::globalInstance()->start(std::move(task));
    }
};

class UserProcesses final : public HVStatusProcesses {
public:
    int killProcessesMatching(const QString& pattern) override {
        return platform::signalProcessesMatching(QRegularExpression(pattern), SIGKILL);
    }
};

class SessionNotifications final : public HVStatusUserNotifications {
public:
    void postNotification(const platform::DesktopNotification& notification,
                          std::function<void(quint32)> shown) override {
        m_notifications.notify(notification, std::move(shown));
    }

private:
    platform::DesktopNotifications m_notifications;
};

} // namespace

HVStatusPlatform HVDefaultStatusPlatform() {
    const std::shared_ptr<const platform::Bundle> bundle = platform::Bundle::mainBundle();
    HVStatusPlatform result;
    result.newServiceClient = []() -> std::unique_ptr<HVStatusServiceClient> {
        auto client = HVDisObj::init();
        if (!client) {
            return nullptr;
        }
        return std::make_unique<DisObjClient>(std::move(client));
    };
    result.notificationCenter = std::make_shared<BusNotificationCenter>();
    result.callbackPublisher = std::make_shared<BusCallbackPublisher>();
    result.preferences = std::make_shared<StoredPreferences>();
    result.statusBar =
        std::make_shared<HVTrayStatusBar>(bundle ? bundle->resourcePath() : QString());
    result.mainBundle = [bundle] { return bundle; };
    result.windows = std::make_shared<HVStatusWindowsDefault>();
    result.workspace = std::make_shared<SuiteWorkspace>();
    result.taskQueue = std::make_shared<GlobalTaskQueue>();
    result.processes = std::make_shared<UserProcesses>();
    result.userNotifications = std::make_shared<SessionNotifications>();
    return result;
}
