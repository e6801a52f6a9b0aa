#include "support/MockUPower.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

namespace {

// One (name, in signature, out signature, code) entry of the mock's AddObject.
struct MockMethod {
    QString name, in, out, code;
};

QDBusArgument& operator<<(QDBusArgument& argument, const MockMethod& method) {
    argument.beginStructure();
    argument << method.name << method.in << method.out << method.code;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MockMethod& method) {
    argument.beginStructure();
    argument >> method.name >> method.in >> method.out >> method.code;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(MockMethod)

namespace testsupport {

namespace {

const QString kUPower = QStringLiteral("org.freedesktop.UPower");
const QString kUPowerPath = QStringLiteral("/org/freedesktop/UPower");

bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 15000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void end(QProcess& process) {
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace

PrivateBusDaemon::PrivateBusDaemon(const QString& serviceDir,
                                   const QProcessEnvironment& environment) {
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    QByteArray text = "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                      "1.0//EN\"\n \"http://www.freedesktop.org/standards/dbus/1.0/"
                      "busconfig.dtd\">\n<busconfig>\n  <type>session</type>\n"
                      "  <listen>unix:tmpdir=/tmp</listen>\n";
    if (!serviceDir.isEmpty()) {
        text += "  <servicedir>" + serviceDir.toUtf8() + "</servicedir>\n";
    }
    text += "  <policy context=\"default\">\n    <allow send_destination=\"*\" "
            "eavesdrop=\"true\"/>\n    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n"
            "  </policy>\n</busconfig>\n";
    file.write(text);
    file.close();
    m_daemon.setProcessEnvironment(environment);
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(10000)) {
        return;
    }
    while (!m_daemon.canReadLine()) {
        if (!m_daemon.waitForReadyRead(10000)) {
            return;
        }
    }
    m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
    m_name = QStringLiteral("private-bus-%1").arg(reinterpret_cast<quintptr>(this));
    m_connection =
        std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_address, m_name));
}

PrivateBusDaemon::~PrivateBusDaemon() {
    if (m_connection) {
        m_connection.reset();
        QDBusConnection::disconnectFromBus(m_name);
    }
    end(m_daemon);
}

MockUPower::MockUPower() {
    qDBusRegisterMetaType<MockMethod>();
    qDBusRegisterMetaType<QList<MockMethod>>();
    // The mock logs every call: its output goes to a file, never into a pipe
    // that nobody empties (a full pipe would stop it).
    m_mock.setStandardOutputFile(QProcess::nullDevice());
    m_mock.setStandardErrorFile(m_log.filePath(QStringLiteral("upower-mock.log")),
                                QIODevice::Append);
}

MockUPower::~MockUPower() {
    stop();
}

QProcessEnvironment MockUPower::environment(QProcessEnvironment base) const {
    base.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_bus.address());
    return base;
}

bool MockUPower::start() {
    if (!m_bus.ok()) {
        return false;
    }
    m_mock.setProcessEnvironment(environment(QProcessEnvironment::systemEnvironment()));
    m_mock.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                  QStringLiteral("--template"), QStringLiteral("upower")});
    if (!m_mock.waitForStarted(10000)) {
        return false;
    }
    const QDBusConnection bus = m_bus.connection();
    return waitUntil([&] {
        return m_mock.state() == QProcess::Running &&
               bus.interface()->isServiceRegistered(kUPower).value();
    });
}

void MockUPower::stop() {
    end(m_mock);
    if (m_bus.ok()) {
        const QDBusConnection bus = m_bus.connection();
        waitUntil([&] { return !bus.interface()->isServiceRegistered(kUPower).value(); }, 5000);
    }
}

QString MockUPower::errors() {
    QFile log(m_log.filePath(QStringLiteral("upower-mock.log")));
    return QString::fromUtf8(m_errors + (log.open(QIODevice::ReadOnly) ? log.readAll() : ""));
}

bool MockUPower::call(const QString& member, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        kUPower, kUPowerPath, QStringLiteral("org.freedesktop.DBus.Mock"), member);
    message.setArguments(arguments);
    const QDBusMessage reply = m_bus.connection().call(message, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        m_errors += (member + QStringLiteral(": ") + reply.errorName() + QStringLiteral(" ") +
                     reply.errorMessage() + QLatin1Char('\n'))
                        .toUtf8();
        return false;
    }
    return true;
}

QString MockUPower::addDevice(const QString& id, const QVariantMap& properties) {
    const QString path = QStringLiteral("/org/freedesktop/UPower/devices/") + id;
    const bool added =
        call(QStringLiteral("AddObject"), {path, QStringLiteral("org.freedesktop.UPower.Device"),
                                           properties, QVariant::fromValue(QList<MockMethod>{})}) &&
        call(QStringLiteral("EmitSignal"),
             {QStringLiteral("org.freedesktop.UPower"), QStringLiteral("DeviceAdded"),
              QStringLiteral("o"),
              QVariant::fromValue(QVariantList{QVariant::fromValue(QDBusObjectPath(path))})});
    return added ? path : QString();
}

QString MockUPower::addBluetoothDevice(const QString& id, quint32 type, const QString& model,
                                       double percentage, const QString& address) {
    QString underscored = address;
    underscored.replace(u':', u'_');
    return addDevice(
        id, {{QStringLiteral("Type"), QVariant::fromValue(type)},
             {QStringLiteral("Model"), model},
             {QStringLiteral("Serial"), address},
             {QStringLiteral("NativePath"), QStringLiteral("/org/bluez/hci0/dev_") + underscored},
             {QStringLiteral("IsPresent"), true},
             {QStringLiteral("PowerSupply"), false},
             {QStringLiteral("Percentage"), percentage},
             {QStringLiteral("State"), QVariant::fromValue(quint32(2))},
             {QStringLiteral("WarningLevel"), QVariant::fromValue(quint32(1))},
             {QStringLiteral("Energy"), percentage},
             {QStringLiteral("Voltage"), 3.8},
             {QStringLiteral("TimeToEmpty"), QVariant::fromValue(qint64(0))},
             {QStringLiteral("UpdateTime"), QVariant::fromValue(quint64(0))}});
}

bool MockUPower::setProperties(const QString& path, const QVariantMap& properties) {
    return call(QStringLiteral("SetDeviceProperties"),
                {QVariant::fromValue(QDBusObjectPath(path)), properties});
}

bool MockUPower::removeDevice(const QString& path) {
    return call(QStringLiteral("RemoveDevice"), {QVariant::fromValue(QDBusObjectPath(path))});
}

} // namespace testsupport
