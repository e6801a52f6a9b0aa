#pragma once

#include "Platform/Bundle.h"
#include "ZorvaUIProject/HVComponentUpdateList.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusController.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusPlatform.h"

#include <QFileInfo>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

// Stand-ins for everything HVStatusController reaches through HVStatusPlatform,
// recording what the controller did to them, and a Rig that wires a controller
// to them (on the built application bundle unless told otherwise).
namespace testsupport {

using namespace Qt::StringLiterals;

// Everything the commands did, in order, shared by the fakes of one rig.
using Log = std::shared_ptr<QStringList>;

struct ServiceState {
    QVariant devices, softphones, updateAvailable, updateList;
    bool throwOnDevices = false;
    QStringList calls;
};

class FakeService final : public HVStatusServiceClient {
public:
    explicit FakeService(std::shared_ptr<ServiceState> state) : s(std::move(state)) {}
    QVariant getDeviceInfoFromApplicationService(const QString& name) override {
        const QVariant devices = answer(u"devices:"_s + name, s->devices);
        if (s->throwOnDevices) {
            throw std::runtime_error("the service left the bus");
        }
        return devices;
    }
    QVariant getSoftphoneInfoFromApplicationService(const QString& name) override {
        return answer(u"softphones:"_s + name, s->softphones);
    }
    QVariant getUpdateAvailableInfoFromAppService() override {
        return answer(u"updateAvailable"_s, s->updateAvailable);
    }
    QVariant getUpdateURLInfoFromAppService() override {
        return answer(u"updateList"_s, s->updateList);
    }
    void manualCheckForUpdateFromApplicationService(const QString& name) override {
        answer(u"manualCheck:"_s + name, {});
    }
    void saveLastCheckPackageVersion() override {}

private:
    QVariant answer(const QString& call, const QVariant& value) {
        s->calls << call;
        return value;
    }
    std::shared_ptr<ServiceState> s;
};

// Posts are queued and delivered by deliver(), as the event loop would after
// the posting callback has returned; with fromEventLoop set, the event loop does.
class FakeCenter final : public HVStatusNotificationCenter {
public:
    void addObserver(const QString& name, std::function<void()> handler) override {
        observers.emplace_back(name, std::move(handler));
    }
    void postNotificationName(const QString& name, bool deliverImmediately) override {
        posted << name;
        immediate = immediate && deliverImmediately;
        if (fromEventLoop) {
            QTimer::singleShot(0, [this] { deliver(); });
        }
    }
    // Posts with an object go to the log; they may come from another thread.
    void postNotificationNameObject(const QString& name, const QString& object) override {
        const std::lock_guard lock(mutex);
        *log << u"post:%1=%2"_s.arg(name, object);
    }
    QStringList logged() {
        const std::lock_guard lock(mutex);
        return *log;
    }
    void deliver() {
        for (; delivered < posted.size(); ++delivered) {
            for (const auto& [observed, handler] : observers) {
                if (observed == posted[delivered]) {
                    handler();
                }
            }
        }
    }
    std::vector<std::pair<QString, std::function<void()>>> observers;
    QStringList posted;
    qsizetype delivered = 0;
    bool immediate = true;
    bool fromEventLoop = false;
    Log log = std::make_shared<QStringList>();
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
    QVariantMap values{{u"zorvaStatusMenu"_s, u"TRUE"_s}};
    QStringList cleared;
    Log log;
};

// Alerts and update windows are logged; a shown one waits in `open` until the
// test ends it.
class FakeWindows final : public HVStatusWindows {
public:
    struct Sheet final : HVStatusSheet {
        void orderOut() override { ++orderedOut; }
        int orderedOut = 0;
    };
    // "title|message|informative|style|buttons|icon file|level"
    static QString describe(const HVAlert& a) {
        return u"%1|%2|%3|%4|%5|%6|%7"_s.arg(
            a.windowTitle, a.messageText, a.informativeText, QString::number(a.alertStyle),
            a.buttons.join(u'+'), QFileInfo(a.iconPath).fileName(),
            a.windowLevel ? QString::number(*a.windowLevel) : QString());
    }
    qint64 runModal(const HVAlert& alert) override {
        *log << u"modal:"_s + describe(alert);
        return kAlertFirstButtonReturn;
    }
    void beginAlertSheet(const HVAlert& alert, HVSheetEndHandler didEnd) override {
        *log << u"alert:"_s + describe(alert);
        open.push_back(std::move(didEnd));
    }
    void beginUpdateWindow(const std::optional<HVComponentList>& list, bool settings,
                           HVSheetEndHandler didEnd) override {
        QStringList names;
        for (const auto& entry : list.value_or(HVComponentList())) {
            names << HVComponentUpdateList::componentName(entry);
        }
        *log << u"window:"_s + (list ? u"[%1]"_s.arg(names.join(u',')) : u"absent"_s) +
                    (settings ? u"+settings"_s : QString());
        open.push_back(std::move(didEnd));
    }
    // Ends the last shown window with the code; answers how often it was ordered out.
    int end(qint64 code) {
        auto handler = std::move(open.back());
        open.pop_back();
        Sheet sheet;
        handler(sheet, code);
        return sheet.orderedOut;
    }
    Log log;
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
    Log log;
};

// Runs each task on a thread of its own; settle() joins them.
class ThreadQueue final : public HVStatusTaskQueue {
public:
    ~ThreadQueue() override { settle(); }
    void dispatchAsync(std::function<void()> task) override {
        threads.emplace_back(std::move(task));
    }
    void settle() {
        for (auto& thread : std::exchange(threads, {})) {
            thread.join();
        }
    }
    std::vector<std::thread> threads;
};

struct ItemState {
    QString image, alternateImage;
    std::optional<HVStatusMenu> menu;
    int menuSets = 0;
};

class FakeItem final : public HVStatusBarItem {
public:
    explicit FakeItem(std::shared_ptr<ItemState> state) : s(std::move(state)) {}
    void setImage(const QString& path) override { s->image = path; }
    void setAlternateImage(const QString& path) override { s->alternateImage = path; }
    void setMenu(const HVStatusMenu& menu) override {
        s->menu = menu;
        ++s->menuSets;
    }
    void setHighlightMode(bool) override {}

private:
    std::shared_ptr<ItemState> s;
};

class FakeBar final : public HVStatusBar {
public:
    std::unique_ptr<HVStatusBarItem> statusItemWithLength(double, ItemHandler) override {
        return giveItem ? std::make_unique<FakeItem>(item) : nullptr;
    }
    bool registerBooksInBundle(const platform::Bundle&) override { return true; }
    void openHelpAnchor(const QString& anchor, const QString& book) override {
        opened << book + u'#' + anchor;
    }
    std::shared_ptr<ItemState> item = std::make_shared<ItemState>();
    bool giveItem = true;
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
    bool serviceClient = true;

    Rig() { preferences->log = windows->log = workspace->log = center->log; }
    QStringList log() const { return center->logged(); }
    // Waits for the background tasks, then answers the log.
    QStringList settledLog() {
        queue->settle();
        return log();
    }
    // A controller on these fakes; `statusBar` replaces the fake bar when given.
    std::unique_ptr<HVStatusController> make(std::shared_ptr<HVStatusBar> statusBar = nullptr) {
        return std::make_unique<HVStatusController>(HVStatusPlatform{
            .newServiceClient = [this]() -> std::unique_ptr<HVStatusServiceClient> {
                return serviceClient ? std::make_unique<FakeService>(service) : nullptr;
            },
            .notificationCenter = center,
            .callbackPublisher = publisher,
            .preferences = preferences,
            .statusBar = statusBar ? std::move(statusBar) : bar,
            .mainBundle = [this] { return bundle; },
            .windows = windows,
            .workspace = workspace,
            .taskQueue = queue,
            .processes = nullptr,
            .userNotifications = nullptr});
    }
    // A controller on these fakes after awakeFromNib.
    std::unique_ptr<HVStatusController> start() {
        auto controller = make();
        controller->awakeFromNib();
        return controller;
    }
    QString resource(const QString& name) const { return bundle->pathForResource(name, u"png"_s); }
};

} // namespace testsupport
