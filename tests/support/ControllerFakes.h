#pragma once

#include "Platform/Bundle.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusController.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusPlatform.h"

#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

// Stand-ins for everything HVStatusController reaches through HVStatusPlatform,
// recording what the controller did to them, and a Rig that wires a controller
// to them (on the built application bundle unless told otherwise).
namespace testsupport {

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
        m_state->calls << QStringLiteral("devices:") + name;
        if (m_state->throwOnDevices) {
            throw std::runtime_error("the service left the bus");
        }
        return m_state->devices;
    }
    QVariant getSoftphoneInfoFromApplicationService(const QString& name) override {
        m_state->calls << QStringLiteral("softphones:") + name;
        return m_state->softphones;
    }
    QVariant getUpdateAvailableInfoFromAppService() override {
        m_state->calls << QStringLiteral("updateAvailable");
        return m_state->updateAvailable;
    }
    QVariant getUpdateURLInfoFromAppService() override {
        m_state->calls << QStringLiteral("updateList");
        return m_state->updateList;
    }
    void manualCheckForUpdateFromApplicationService(const QString&) override {}
    void saveLastCheckPackageVersion() override {}

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
    void deliver();
    std::vector<std::pair<QString, std::function<void()>>> observers;
    QStringList posted;
    QStringList queue;
    bool immediate = true;
    bool fromEventLoop = false;
};

class FakePublisher final : public HVStatusCallbackPublisher {
public:
    bool createConnection() override { return connectionOk; }
    bool registerName(const QString& name, zorva_application_service_delegate& root) override {
        attempts << name;
        if (nameTaken) {
            return false;
        }
        registeredRoot = &root;
        return true;
    }
    bool connectionOk = true;
    bool nameTaken = false;
    QStringList attempts;
    zorva_application_service_delegate* registeredRoot = nullptr;
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
    QVariantMap values;
    QStringList cleared;
};

struct ItemState {
    QString image;
    QString alternateImage;
    std::optional<HVStatusMenu> menu;
    int menuSets = 0;
    bool highlight = false;
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
    void setHighlightMode(bool highlight) override { m_state->highlight = highlight; }

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
    bool serviceClient = true;

    Rig();
    // A controller on these fakes; `statusBar` replaces the fake bar when given.
    std::unique_ptr<HVStatusController> make(std::shared_ptr<HVStatusBar> statusBar = nullptr);
    QString resource(const QString& name) const;
};

} // namespace testsupport
