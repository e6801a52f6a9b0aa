#include "support/ControllerFakes.h"

#include <QTimer>
#include <utility>

namespace testsupport {

void FakeCenter::postNotificationName(const QString& name, bool deliverImmediately) {
    posted << name;
    immediate = immediate && deliverImmediately;
    queue << name;
    if (fromEventLoop) {
        QTimer::singleShot(0, [this] { deliver(); });
    }
}

void FakeCenter::deliver() {
    const QStringList pending = std::exchange(queue, {});
    for (const QString& name : pending) {
        for (const auto& [observed, handler] : observers) {
            if (observed == name) {
                handler();
            }
        }
    }
}

Rig::Rig() {
    preferences->values.insert(QStringLiteral("zorvaStatusMenu"), QStringLiteral("TRUE"));
}

std::unique_ptr<HVStatusController> Rig::make(std::shared_ptr<HVStatusBar> statusBar) {
    HVStatusPlatform platform;
    platform.newServiceClient = [this]() -> std::unique_ptr<HVStatusServiceClient> {
        if (!serviceClient) {
            return nullptr;
        }
        return std::make_unique<FakeService>(service);
    };
    platform.notificationCenter = center;
    platform.callbackPublisher = publisher;
    platform.preferences = preferences;
    platform.statusBar = statusBar ? std::move(statusBar) : bar;
    platform.mainBundle = [this] { return bundle; };
    return std::make_unique<HVStatusController>(std::move(platform));
}

QString Rig::resource(const QString& name) const {
    return bundle->pathForResource(name, QStringLiteral("png"));
}

} // namespace testsupport
