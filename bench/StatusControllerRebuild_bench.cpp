// Cost inside the status item of one device-attach callback: from the callback
// to the rebuilt menu shown by the real tray item (QMenu updated in place and the
// exported menu), with N devices listed. The device service and the session bus
// are replaced by in-process stand-ins, so the figure is the program's own work;
// bench/StatusTray_bench.cpp measures the same path through the bus and a tray host.

#include "Platform/Bundle.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVBatteryInformation.h"
#include "ZorvaUIProject/Common/HVDevice.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusController.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusPlatform.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusTray.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {

class Service final : public HVStatusServiceClient {
public:
    explicit Service(QVariant devices) : m_devices(std::move(devices)) {}
    QVariant getDeviceInfoFromApplicationService(const QString&) override { return m_devices; }
    QVariant getSoftphoneInfoFromApplicationService(const QString&) override { return {}; }
    QVariant getUpdateAvailableInfoFromAppService() override { return QStringLiteral("FALSE"); }
    QVariant getUpdateURLInfoFromAppService() override { return {}; }
    void manualCheckForUpdateFromApplicationService(const QString&) override {}
    void saveLastCheckPackageVersion() override {}

private:
    QVariant m_devices;
};

// Delivers posts from the event loop, after the posting callback has returned.
class Center final : public HVStatusNotificationCenter {
public:
    void addObserver(const QString& name, std::function<void()> handler) override {
        m_observers.emplace_back(name, std::move(handler));
    }
    void postNotificationName(const QString& name, bool) override {
        QTimer::singleShot(0, [this, name] {
            for (const auto& [observed, handler] : m_observers) {
                if (observed == name) {
                    handler();
                }
            }
        });
    }
    void postNotificationNameObject(const QString&, const QString&) override {}

private:
    std::vector<std::pair<QString, std::function<void()>>> m_observers;
};

class Publisher final : public HVStatusCallbackPublisher {
public:
    bool createConnection() override { return true; }
    bool registerName(const QString&, zorva_application_service_delegate&) override { return true; }
};

class Preferences final : public HVStatusPreferences {
public:
    QVariant getValueFromUserDefaultForKey(const QString& key) override {
        if (key == QLatin1String("zorvaStatusMenu") || key == QLatin1String("ShowBatteryStatus")) {
            return QStringLiteral("TRUE");
        }
        return {};
    }
    void clearKeyValueFromStandardUserDefaults(const QString&) override {}
    void saveUserDefaultsValueWithKey(const QString&, const QVariant&) override {}
};

// The real tray item, counting the menus it is given.
class CountingItem final : public HVStatusBarItem {
public:
    CountingItem(std::unique_ptr<HVStatusBarItem> real, int* menus)
        : m_real(std::move(real)), m_menus(menus) {}
    void setImage(const QString& path) override { m_real->setImage(path); }
    void setAlternateImage(const QString& path) override { m_real->setAlternateImage(path); }
    void setMenu(const HVStatusMenu& menu) override {
        m_real->setMenu(menu);
        ++*m_menus;
    }
    void setHighlightMode(bool on) override { m_real->setHighlightMode(on); }

private:
    std::unique_ptr<HVStatusBarItem> m_real;
    int* m_menus;
};

class CountingBar final : public HVStatusBar {
public:
    explicit CountingBar(const QString& resources) : m_real(resources) {}
    std::unique_ptr<HVStatusBarItem> statusItemWithLength(double length,
                                                          ItemHandler handler) override {
        return std::make_unique<CountingItem>(
            m_real.statusItemWithLength(length, std::move(handler)), &menus);
    }
    bool registerBooksInBundle(const platform::Bundle& bundle) override {
        return m_real.registerBooksInBundle(bundle);
    }
    void openHelpAnchor(const QString&, const QString&) override {}
    int menus = 0;

private:
    HVTrayStatusBar m_real;
};

QVariant wirelessHeadsets(int count) {
    QVariantList list;
    for (int i = 0; i < count; ++i) {
        auto device =
            HVDevice::initDevice(QStringLiteral("Headset %1").arg(i),
                                 QStringLiteral("HV0B%1").arg(i % 100, 2, 10, QLatin1Char('0')),
                                 0x1000 + static_cast<quint64>(i));
        auto battery = HVBatteryInformation::initBatteryInfoForTypeId(device->productID());
        battery->setHsBatteryPCT(10 + i % 90);
        battery->setIsCharging(i % 3 == 0);
        device->setBatteryInfo(battery);
        list.append(QVariant::fromValue(device));
    }
    return list;
}

void BM_AttachCallbackToRebuiltMenu(benchmark::State& state) {
    const int devices = static_cast<int>(state.range(0));
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8()); // the trace goes below this home
    const auto bundle = platform::Bundle::bundleWithPath(QStringLiteral(ZORVA_BUNDLE_PATH));
    if (!bundle) {
        state.SkipWithError("the application bundle was not built");
        return;
    }
    auto bar = std::make_shared<CountingBar>(bundle->resourcePath());
    HVStatusPlatform platform;
    const QVariant listed = wirelessHeadsets(devices - 1);
    platform.newServiceClient = [listed] { return std::make_unique<Service>(listed); };
    platform.notificationCenter = std::make_shared<Center>();
    platform.callbackPublisher = std::make_shared<Publisher>();
    platform.preferences = std::make_shared<Preferences>();
    platform.statusBar = bar;
    platform.mainBundle = [bundle] { return bundle; };
    HVStatusController controller(std::move(platform));
    controller.awakeFromNib(); // traces as the bundle's Info.plist says, like the program

    const auto waitForMenu = [&bar](int before) {
        while (bar->menus == before) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    };
    for (auto _ : state) {
        const int before = bar->menus;
        controller.updateDeviceInfo(QStringLiteral("Attached Headset"), QStringLiteral("HV7F00"),
                                    0x7f000000, 0, QStringLiteral("1.0"), 0);
        waitForMenu(before);

        state.PauseTiming();
        const int again = bar->menus;
        controller.updateDeviceInfo(QStringLiteral("Attached Headset"), QStringLiteral("HV7F00"),
                                    0x7f000000, 1, QStringLiteral("1.0"), 0);
        waitForMenu(again);
        state.ResumeTiming();
    }
    HVTrace::setTraceOn(false);
}
BENCHMARK(BM_AttachCallbackToRebuiltMenu)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

} // namespace
