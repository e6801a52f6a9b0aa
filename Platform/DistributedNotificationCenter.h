#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <map>

// Notifications posted to every process of the user's session: a name and an
// optional object. On the bus a notification is the broadcast signal
//   com.zorva.DistributedNotificationCenter.Posted(s name, ay object)
// on the path /com/zorva/DistributedNotificationCenter, the object being a keyed
// archive (empty for none). Any process may post; an observer of a name receives
// every notification of that name, from any sender (its own included), on the
// thread the centre lives in: the main thread for defaultCenter().
namespace platform {

// How an observer wants notifications while its application is inactive. A
// status item is never "inactive" in the desktop's sense, so every behaviour
// delivers at once; the value is kept for callers that state it.
enum class SuspensionBehavior {
    Drop = 1,
    Coalesce = 2,
    Hold = 3,
    DeliverImmediately = 4,
};

class DistributedNotificationCenter : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QString& name, const QVariant& object)>;
    using ObserverId = quint64;

    // The process-wide centre on the session bus, living on the main thread.
    static DistributedNotificationCenter& defaultCenter();

    explicit DistributedNotificationCenter(const QDBusConnection& connection,
                                           QObject* parent = nullptr);
    ~DistributedNotificationCenter() override;
    DistributedNotificationCenter(const DistributedNotificationCenter&) = delete;
    DistributedNotificationCenter& operator=(const DistributedNotificationCenter&) = delete;

    // Observes a name from any sender. The handler runs on the centre's thread
    // for every notification of that name until the observer is removed.
    ObserverId addObserver(const QString& name, Handler handler,
                           SuspensionBehavior suspensionBehavior = SuspensionBehavior::Coalesce);
    void removeObserver(ObserverId observer);

    // Posts a name with an optional object (an invalid QVariant for none). Safe
    // from any thread. deliverImmediately is accepted for the callers that state
    // it; every notification is delivered at once. False when the signal could
    // not be sent (no bus).
    bool postNotificationName(const QString& name, const QVariant& object = QVariant(),
                              bool deliverImmediately = false);

private Q_SLOTS:
    void posted(const QDBusMessage& message);

private:
    struct Observer {
        QString name;
        Handler handler;
    };

    QDBusConnection m_connection;
    bool m_listening = false;
    ObserverId m_nextId = 1;
    std::map<ObserverId, Observer> m_observers;
};

} // namespace platform
