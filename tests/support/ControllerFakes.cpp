#include "support/ControllerFakes.h"

#include "ZorvaUIProject/HVComponentUpdateList.h"

#include <QFileInfo>
#include <QTimer>
#include <utility>

using namespace Qt::StringLiterals;

namespace testsupport {

void FakeCenter::postNotificationName(const QString& name, bool deliverImmediately) {
    posted << name;
    immediate = immediate && deliverImmediately;
    queue << name;
    if (fromEventLoop) {
        QTimer::singleShot(0, [this] { deliver(); });
    }
}

void FakeCenter::postNotificationNameObject(const QString& name, const QString& object) {
    const std::lock_guard lock(mutex);
    *log << u"post:%1=%2"_s.arg(name, object);
}

QStringList FakeCenter::logged() {
    const std::lock_guard lock(mutex);
    return *log;
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

QString FakeWindows::describe(const HVAlert& alert) {
    return QStringList{alert.windowTitle,
                       alert.messageText,
                       alert.informativeText,
                       QString::number(alert.alertStyle),
                       alert.buttons.join(QLatin1Char('+')),
                       QFileInfo(alert.iconPath).fileName(),
                       alert.windowLevel ? QString::number(*alert.windowLevel) : QString()}
        .join(QLatin1Char('|'));
}

qint64 FakeWindows::runModal(const HVAlert& alert) {
    *log << u"modal:"_s + describe(alert);
    return kAlertFirstButtonReturn;
}

void FakeWindows::beginAlertSheet(const HVAlert& alert, HVSheetEndHandler didEnd) {
    *log << u"alert:"_s + describe(alert);
    open.push_back(std::move(didEnd));
}

void FakeWindows::beginUpdateWindow(const std::optional<HVComponentList>& list, bool settings,
                                    HVSheetEndHandler didEnd) {
    QStringList names;
    for (const auto& entry : list.value_or(HVComponentList())) {
        names << HVComponentUpdateList::componentName(entry);
    }
    *log << u"window:"_s + (list ? u"[%1]"_s.arg(names.join(QLatin1Char(','))) : u"absent"_s) +
                (settings ? u"+settings"_s : QString());
    open.push_back(std::move(didEnd));
}

int FakeWindows::end(qint64 code) {
    FakeSheet sheet;
    auto handler = std::move(open.back());
    open.pop_back();
    handler(sheet, code);
    return sheet.orderedOut;
}

ThreadQueue::~ThreadQueue() {
    for (auto& thread : threads) {
        thread.join();
    }
}

Rig::Rig() {
    preferences->values.insert(u"zorvaStatusMenu"_s, u"TRUE"_s);
    preferences->log = windows->log = workspace->log = processes->log = center->log;
}

QStringList Rig::settledLog() {
    for (auto& thread : std::exchange(queue->threads, {})) {
        thread.join();
    }
    return log();
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
    platform.windows = windows;
    platform.workspace = workspace;
    platform.taskQueue = queue;
    platform.processes = processes;
    return std::make_unique<HVStatusController>(std::move(platform));
}

std::unique_ptr<HVStatusController> Rig::start() {
    auto controller = make();
    controller->awakeFromNib();
    return controller;
}

QString Rig::resource(const QString& name) const {
    return bundle->pathForResource(name, u"png"_s);
}

} // namespace testsupport
