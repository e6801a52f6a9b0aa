#pragma once

#include "Platform/DBusContract.h"
#include "Scenario.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QHash>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <memory>
#include <span>

class QFile;

// The simulated device service: the root object published as
// "ZorvaDeviceService". It answers the 22 messages of zorva_application_delegate
// from its scenario and logs every request, in the order received. Through its
// control interface (com.zorva.ZorvaDeviceSimulator) it sends the status item's
// callbacks to "StatusAppServer" without waiting in place: requests that arrive
// while a callback is pending (a callback may call back) are served at once.
class DeviceSimulator : public QDBusVirtualObject {
    Q_OBJECT
public:
    static const QString kControlInterface;

    struct Options {
        QString endpointName = QStringLiteral("ZorvaDeviceService");
        QString logPath;            // empty: standard output
        QHash<QString, int> delays; // member -> milliseconds before the answer
        QStringList failing;        // members answered with an error
    };

    // A client command ("attach", "battery", ...): its arguments, help and handler.
    struct Command;
    static std::span<const Command> commands();

    DeviceSimulator(Scenario scenario, Options options, const QDBusConnection& connection);
    ~DeviceSimulator() override;

    // Publishes the object and the bus name; false, with the reason in *error,
    // when the name is taken or the log cannot be opened.
    bool publish(QString* error);
    // Withdraws the name and the object.
    void withdraw();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    // Answers one request of the service interface: the reply's values, from the
    // call's arguments and its device key ("" for members without a device).
    using ServiceHandler =
        std::function<QVariantList(const QVariantList& args, const QString& key)>;
    using ServiceDispatch = platform::contract::MemberDispatch<ServiceHandler>;
    // Gets the error name (empty on success) and text of a callback's reply.
    using Done = std::function<void(const QString& errorName, const QString& text)>;

    ServiceDispatch makeServiceDispatch();
    void log(const QString& line);
    void handleServiceCall(const QDBusMessage& message);
    void answer(const QDBusMessage& message, const QVariantList& results);
    void handleControlCall(const QDBusMessage& message);
    // Sends a callback; `then` gets the error name (empty on success) and text.
    void sendCallback(const platform::contract::Member& callback, const QVariantList& arguments,
                      Done then);
    // Builds and sends the callback for a client command; false with a usage text
    // when the command is not understood.
    bool runCommand(const QString& command, const QStringList& args, const QDBusMessage& control,
                    QString* usage);
    void reportUpdateCheck(const QString& outcome, bool manual);
    // The commands' handlers: false when the arguments do not fit.
    bool sendDeviceInfo(const QStringList& args, const Done& done, bool attach, QString* problem);
    bool sendAttach(const QStringList& args, const Done& done, QString* problem);
    bool sendDetach(const QStringList& args, const Done& done, QString* problem);
    bool sendBattery(const QStringList& args, const Done& done, QString* problem);
    bool sendSoftphone(const QStringList& args, const Done& done, QString* problem);
    bool sendReset(const QStringList& args, const Done& done, QString* problem);
    bool sendUpdateStatus(const QStringList& args, const Done& done, QString* problem);
    bool sendComponents(const QStringList& args, const Done& done, QString* problem);
    bool sendPlainDeviceInfo(const QStringList& args, const Done& done, QString* problem);
    bool sendSerialDeviceInfo(const QStringList& args, const Done& done, QString* problem);
    bool sendPreferredSoftphone(const QStringList& args, const Done& done, QString* problem);
    bool sendHeadsetConnect(const QStringList& args, const Done& done, QString* problem);

    HVDevicePtr findDevice(const QString& productID, quint64 lid) const;

    Scenario m_scenario;
    Options m_options;
    QDBusConnection m_connection;
    std::unique_ptr<QFile> m_logFile;
    QTextStream m_log;
    QString m_busName;
    QString m_path;
    ServiceDispatch m_serviceDispatch;
};

// Argument parsing for a client command, kept apart for the help text.
QString simulatorCommandHelp();
