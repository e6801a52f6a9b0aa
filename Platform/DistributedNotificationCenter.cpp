#include "Platform/DistributedNotificationCenter.h"

#include "Platform/DBusContract.h"
#include "Platform/archive/KeyedArchive.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"

#include <QCoreApplication>
#include <QThread>
#include <exception>
#include <vector>

namespace platform {

namespace {} // namespace

DistributedNotificationCenter& DistributedNotificationCenter::defaultCenter() {
    static DistributedNotificationCenter* const center = [] {
        // Owned by the application object so that it is destroyed with it, while
        // the bus connection is still usable.
        auto* created = new DistributedNotificationCenter(QDBusConnection::sessionBus());
        if (QCoreApplication* app = QCoreApplication::instance()) {
            created->moveToThread(app->thread());
            created->setParent(app);
        }
        return created;
    }();
    return *center;
}

DistributedNotificationCenter::DistributedNotificationCenter(const QDBusConnection& connection,
                                                             QObject* parent)
    : QObject(parent), m_connection(connection) {
    m_listening = m_connection.isConnected() &&
                  m_connection.connect(
                      QString(), contract::kNotificationPath, contract::kNotificationInterface,
                      contract::kNotificationSignal, this, SLOT(posted(QDBusMessage)));
}

DistributedNotificationCenter::~DistributedNotificationCenter() {
    if (m_listening) {
        m_connection.disconnect(QString(), contract::kNotificationPath,
                                contract::kNotificationInterface, contract::kNotificationSignal,
                                this, SLOT(posted(QDBusMessage)));
    }
}

DistributedNotificationCenter::ObserverId
DistributedNotificationCenter::addObserver(const QString& name, Handler handler,
                                           SuspensionBehavior /*suspensionBehavior*/) {
    const ObserverId id = m_nextId++;
    m_observers.emplace(id, Observer{name, std::move(handler)});
    return id;
}

void DistributedNotificationCenter::removeObserver(ObserverId observer) {
    m_observers.erase(observer);
}

bool DistributedNotificationCenter::postNotificationName(const QString& name,
                                                         const QVariant& object,
                                                         bool /*deliverImmediately*/) {
    if (!m_connection.isConnected()) {
        HVTrace::writeLine(QStringLiteral("Notification %1 not posted: no session bus\n").arg(name),
                           hvtrace::kIPC, hvtrace::kHigh);
        return false;
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(contract::kNotificationPath, contract::kNotificationInterface,
                                   contract::kNotificationSignal);
    signal << name << archivedDataWithRootObject(object);
    return m_connection.send(signal);
}

void DistributedNotificationCenter::posted(const QDBusMessage& message) {
    if (message.signature() != QLatin1String("say")) {
        HVTrace::writeLine(QStringLiteral("Ignored a notification with arguments \"%1\"\n")
                               .arg(message.signature()),
                           hvtrace::kIPC, hvtrace::kHigh);
        return;
    }
    const QString name = message.arguments().at(0).toString();
    // Handlers may add or remove observers: walk a snapshot and skip the removed.
    std::vector<ObserverId> matching;
    for (const auto& [id, observer] : m_observers) {
        if (observer.name == name) {
            matching.push_back(id);
        }
    }
    if (matching.empty()) {
        return;
    }
    const QVariant object = unarchiveObjectWithData(message.arguments().at(1).toByteArray());
    for (const ObserverId id : matching) {
        const auto it = m_observers.find(id);
        if (it == m_observers.end()) {
            continue;
        }
        const Handler handler = it->second.handler;
        try {
            handler(name, object);
        } catch (const std::exception& error) {
            // A failing observer must not take the event loop down with it.
            HVTrace::writeLine(QStringLiteral("Observer of %1 failed: %2\n")
                                   .arg(name, QString::fromUtf8(error.what())),
                               hvtrace::kIPC, hvtrace::kHigh);
        }
    }
}

} // namespace platform
