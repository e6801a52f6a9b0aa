#pragma once

#include "Platform/Bundle.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusController.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusPlatform.h"

#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

// Stand-ins for everything HVStatusController reaches through HVStatusPlatform,
// recording what the controller did to them, and a Rig that wires a controller
// to them (on the built application bundle unless told otherwise).
namespace testsupport {

using namespace Qt::StringLiterals;

struct ServiceState {
    QVariant devices;
    QVariant softphones;
    QVariant updateAvailable;
    QVariant updateList;
    bool throwOnDevices = false;
    QStringList calls;
};

class FakeService final : public HVStatusServiceClient {
public:
    explicit FakeService(std::shared_ptr<ServiceState> state) : m_state(std::move(state)) {}
    QVariant getDeviceInfoFromApplicationService(const QString& name) override {
        m_state->calls << u"devices:"_s + name;
        if (m_state->throwOnDevices) {
            throw std::runtime_error("the service left the bus");
        }
        return m_state->devices;
    }
    QVariant getSoftphoneInfoFromApplicationService(const QString& name) override {
        m_state->calls << u"softphones:"_s + name;
        return m_state->softphones;
    }
    QVariant getUpdateAvailableInfoFromAppService() override {
        m_state->calls << u"updateAvailable"_s;
        return m_state->updateAvailable;
    }
    QVariant getUpdateURLInfoFromAppService() override {
        m_state->calls << u"updateList"_s;
        return m_state->updateList;
    }
    void manualCheckForUpdateFromApplicationService(const QString& name) override {
        m_state->calls << u"manualCheck:"_s + name;
    }
    void saveLastCheckPackageVersion() override {
        m_state->calls << u"saveLastCheckPackageVersion"_s;
    }

private:
    std::shared_ptr<ServiceState> m_state;
};

// Posts are queued and delivered by deliver(), as the event loop would after
// the posting callback has returned.
// With fromEventLoop set, each post is delivered by the event loop instead.
class FakeCenter final : public HVStatusNotificationCenter {
public:
    void addObserver(const QString& name, std::function<void()> handler) override {
        observers.push_back({name, std::move(handler)});
    }
    void postNotificationName(const QString& name, bool deliverImmediately) override;
    // Posts with an object go to the log; they may come from another thread.
    void postNotificationNameObject(const QString& name, const QString& object) override;
    QStringList logged();
    void deliver();
    std::vector<std::pair<QString, std::function<void()>>> observers;
    QStringList posted;
    QStringList queue;
    bool immediate = true;
    bool fromEventLoop = false;
    // Everything the commands did, in order, shared by the fakes of one rig.
    std::shared_ptr<QStringList> log = std::make_shared<QStringList>();
    std::mutex mutex;
};

class FakePublisher final : public HVStatusCallbackPublisher {
public:
    bool createConnection() override { return connectionOk; }
    bool registerName(const QString& name, zorva_application_service_delegate&) override {
        attempts << name;
        return !nameTaken;
    }
    bool connectionOk = true;
    bool nameTaken = false;
    QStringList attempts;
};

class FakePreferences final : public HVStatusPreferences {
public:
    QVariant getValueFromUserDefaultForKey(const QString& key) override {
        return values.value(key);
    }
    void clearKeyValueFromStandardUserDefaults(const QString& key) override {
        values.remove(key);
        cleared << key;
    }
    void saveUserDefaultsValueWithKey(const QString& key, const QVariant& value) override {
        values.insert(key, value);
        *log << u"pref:%1=%2(%3)"_s.arg(key, value.toString(), value.typeName());
    }
    QVariantMap values;
    QStringList cleared;
    std::shared_ptr<QStringList> log;
};

class FakeSheet final : public HVStatusSheet {
public:
    void orderOut() override { ++orderedOut; }
    int orderedOut = 0;
};

// Alerts and update windows are logged; a shown one waits in `open` until the
// test ends it.
class FakeWindows final : public HVStatusWindows {
public:
    // "title|message|informative|style|buttons|icon file|level"
    static QString describe(const HVAlert& alert);
    qint64 runModal(const HVAlert& alert) override;
    void beginAlertSheet(const HVAlert& alert, HVSheetEndHandler didEnd) override;
    void beginUpdateWindow(const std::optional<HVComponentList>& list, bool settings,
                           HVSheetEndHandler didEnd) override;
    // Ends the last shown window with the code; answers how often it was ordered out.
    int end(qint64 code);
    std::shared_ptr<QStringList> log;
    std::vector<HVSheetEndHandler> open;
};

class FakeWorkspace final : public HVStatusWorkspace {
public:
    QString settingsPanePath() override { return panePath; }
    bool openFile(const QString& path) override {
        *log << u"open:"_s + path;
        return true;
    }
    QString panePath = u"/Library/PreferencePanes/Zorva Suite for Mac.prefPane"_s;
    std::shared_ptr<QStringList> log;
};

// Runs each task on a thread of its own, joined when the queue goes.
class ThreadQueue final : public HVStatusTaskQueue {
public:
    ~ThreadQueue() override;
    void dispatchAsync(std::function<void()> task) override {
        threads.emplace_back(std::move(task));
    }
    std::vector<std::thread> threads;
};

class FakeProcesses final : public HVStatusProcesses {
public:
    int killProcessesMatching(const QString& pattern) override {
        *log << u"kill:"_s + pattern;
        return 1;
    }
    std::shared_ptr<QStringList> log;
};

struct ItemState {
    QString image;
    QString alternateImage;
    std::optional<HVStatusMenu> menu;
    int menuSets = 0;
};

class FakeItem final : public HVStatusBarItem {
public:
    explicit FakeItem(std::shared_ptr<ItemState> state) : m_state(std::move(state)) {}
    void setImage(const QString& path) override { m_state->image = path; }
    void setAlternateImage(const QString& path) override { m_state->alternateImage = path; }
    void setMenu(const HVStatusMenu& menu) override {
        m_state->menu = menu;
        ++m_state->menuSets;
    }
    void setHighlightMode(bool) override {}

private:
    std::shared_ptr<ItemState> m_state;
};

class FakeBar final : public HVStatusBar {
public:
    std::unique_ptr<HVStatusBarItem> statusItemWithLength(double length, ItemHandler) override {
        lengths.push_back(length);
        return giveItem ? std::make_unique<FakeItem>(item) : nullptr;
    }
    bool registerBooksInBundle(const platform::Bundle&) override { return true; }
    void openHelpAnchor(const QString& anchor, const QString& book) override {
        opened << book + QLatin1Char('#') + anchor;
    }
    std::shared_ptr<ItemState> item = std::make_shared<ItemState>();
    bool giveItem = true;
    std::vector<double> lengths;
    QStringList opened;
};

// A controller with fakes around it, on the built bundle unless told otherwise.
struct Rig {
    std::shared_ptr<ServiceState> service = std::make_shared<ServiceState>();
    std::shared_ptr<FakeCenter> center = std::make_shared<FakeCenter>();
    std::shared_ptr<FakePublisher> publisher = std::make_shared<FakePublisher>();
    std::shared_ptr<FakePreferences> preferences = std::make_shared<FakePreferences>();
    std::shared_ptr<FakeBar> bar = std::make_shared<FakeBar>();
    std::shared_ptr<const platform::Bundle> bundle =
        platform::Bundle::bundleWithPath(QStringLiteral(ZORVA_BUNDLE_PATH));
    std::shared_ptr<FakeWindows> windows = std::make_shared<FakeWindows>();
    std::shared_ptr<FakeWorkspace> workspace = std::make_shared<FakeWorkspace>();
    std::shared_ptr<ThreadQueue> queue = std::make_shared<ThreadQueue>();
    std::shared_ptr<FakeProcesses> processes = std::make_shared<FakeProcesses>();
    bool serviceClient = true;

    Rig();
    QStringList log() const { return center->logged(); }
    // Waits for the background tasks, then answers the log.
    QStringList settledLog();
    // A controller on these fakes; `statusBar` replaces the fake bar when given.
    std::unique_ptr<HVStatusController> make(std::shared_ptr<HVStatusBar> statusBar = nullptr);
    // A controller on these fakes after awakeFromNib.
    std::unique_ptr<HVStatusController> start();
    QString resource(const QString& name) const;
};

} // namespace testsupport
