#pragma once

#include "Scenario.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QHash>
#include <QStringList>
#include <QTextStream>
#include <memory>

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
    void log(const QString& line);
    void handleServiceCall(const QDBusMessage& message);
    void answer(const QDBusMessage& message, const QVariantList& results);
    void handleControlCall(const QDBusMessage& message);
    // Sends a callback; `then` gets the error name (empty on success) and text.
    void sendCallback(const QString& member, const QVariantList& arguments,
                      std::function<void(const QString& errorName, const QString& text)> then);
    // Builds and sends the callback for a client command; false with a usage text
    // when the command is not understood.
    bool runCommand(const QString& command, const QStringList& args, const QDBusMessage& control,
                    QString* usage);
    void reportUpdateCheck(const QString& outcome, bool manual);

    HVDevicePtr findDevice(const QString& productID, quint64 lid) const;

    Scenario m_scenario;
    Options m_options;
    QDBusConnection m_connection;
    std::unique_ptr<QFile> m_logFile;
    QTextStream m_log;
    QString m_busName;
    QString m_path;
};

// Argument parsing for a client command, kept apart for the help text.
QString simulatorCommandHelp();
