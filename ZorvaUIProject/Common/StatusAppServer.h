#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>
#include <functional>
#include <memory>

class zorva_application_service_delegate;

// The status item's callback endpoint: the device service reaches the status
// controller through it. Published on the session bus under the bus name
// "com.zorva." + connection name (com.zorva.StatusAppServer), object path
// "/" + connection name, interface com.zorva.zorva_application_service_delegate.
//
// Each call is decoded (object arguments are keyed archives) and handed to the
// root object on the thread the server lives in (the main thread), and the
// service gets its reply only when the root object has returned; meanwhile the
// root object may send requests to the service. A call that cannot be decoded (a
// malformed archive, an object of the wrong class, missing or extra arguments),
// one of the five callbacks the status item does not answer, and a root object
// that throws are answered with a D-Bus error and a trace line; the process goes
// on.
class StatusAppServer : public QDBusVirtualObject {
    Q_OBJECT
public:
    // A server on the given connection; null when that connection is not
    // connected to a bus.
    static std::unique_ptr<StatusAppServer>
    create(const QDBusConnection& connection = QDBusConnection::sessionBus());

    explicit StatusAppServer(const QDBusConnection& connection);
    ~StatusAppServer() override;
    StatusAppServer(const StatusAppServer&) = delete;
    StatusAppServer& operator=(const StatusAppServer&) = delete;

    // The object that answers the callbacks; not owned, must outlive the server
    // or be replaced first. Calls that arrive while there is none fail.
    void setRootObject(zorva_application_service_delegate* rootObject);
    zorva_application_service_delegate* rootObject() const { return m_root; }

    // Publishes the root object under a connection name ("StatusAppServer").
    // False when the name is already taken (or the bus refuses); nothing is
    // published then.
    bool registerName(const QString& name);
    // Withdraws the name and the object.
    void invalidate();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    void dispatch(const QDBusMessage& message, const QDBusConnection& connection);

    QDBusConnection m_connection;
    zorva_application_service_delegate* m_root = nullptr;
    QString m_busName;
    QString m_path;
};
