#include "support/MockUPower.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QFile>

using namespace Qt::StringLiterals;

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

const QString kUPower = u"org.freedesktop.UPower"_s;
const QString kUPowerPath = u"/org/freedesktop/UPower"_s;

} // namespace

MockUPower::MockUPower() {
    qDBusRegisterMetaType<MockMethod>();
    qDBusRegisterMetaType<QList<MockMethod>>();
    // The mock logs every call: its output goes to a file, never into a pipe
    // that nobody empties (a full pipe would stop it).
    m_mock.setStandardOutputFile(QProcess::nullDevice());
    m_mock.setStandardErrorFile(m_log.filePath(u"upower-mock.log"_s), QIODevice::Append);
}

MockUPower::~MockUPower() {
    stop();
}

QProcessEnvironment MockUPower::environment(QProcessEnvironment base) const {
    base.insert(u"DBUS_SYSTEM_BUS_ADDRESS"_s, m_bus.address());
    return base;
}

bool MockUPower::start() {
    if (!m_bus.ok()) {
        return false;
    }
    m_mock.setProcessEnvironment(environment(QProcessEnvironment::systemEnvironment()));
    m_mock.start(u"/usr/bin/python3"_s,
                 {u"-m"_s, u"dbusmock"_s, u"--system"_s, u"--template"_s, u"upower"_s});
    if (!m_mock.waitForStarted(10000)) {
        return false;
    }
    const QDBusConnection bus = m_bus.connection();
    return waitFor(
        [&] {
            return m_mock.state() == QProcess::Running &&
                   bus.interface()->isServiceRegistered(kUPower).value();
        },
        15000);
}

void MockUPower::stop() {
    stage::stop(m_mock);
    if (m_bus.ok()) {
        const QDBusConnection bus = m_bus.connection();
        waitFor([&] { return !bus.interface()->isServiceRegistered(kUPower).value(); }, 5000);
    }
}

QString MockUPower::errors() {
    QFile log(m_log.filePath(u"upower-mock.log"_s));
    return QString::fromUtf8(m_errors + (log.open(QIODevice::ReadOnly) ? log.readAll() : ""));
}

bool MockUPower::call(const QString& member, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(kUPower, kUPowerPath,
                                                          u"org.freedesktop.DBus.Mock"_s, member);
    message.setArguments(arguments);
    const QDBusMessage reply = m_bus.connection().call(message, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        m_errors += (member + u": "_s + reply.errorName() + u" "_s + reply.errorMessage() +
                     QLatin1Char('\n'))
                        .toUtf8();
        return false;
    }
    return true;
}

QString MockUPower::addDevice(const QString& id, const QVariantMap& properties) {
    const QString path = u"/org/freedesktop/UPower/devices/"_s + id;
    const bool added =
        call(u"AddObject"_s, {path, u"org.freedesktop.UPower.Device"_s, properties,
                              QVariant::fromValue(QList<MockMethod>{})}) &&
        call(u"EmitSignal"_s,
             {u"org.freedesktop.UPower"_s, u"DeviceAdded"_s, u"o"_s,
              QVariant::fromValue(QVariantList{QVariant::fromValue(QDBusObjectPath(path))})});
    return added ? path : QString();
}

QString MockUPower::addBluetoothDevice(const QString& id, quint32 type, const QString& model,
                                       double percentage, const QString& address) {
    QString underscored = address;
    underscored.replace(u':', u'_');
    // clang-format off
    return addDevice(id, {{u"Type"_s, QVariant::fromValue(type)}, {u"Model"_s, model}, {u"Serial"_s, address},
                          {u"NativePath"_s, u"/org/bluez/hci0/dev_"_s + underscored}, {u"IsPresent"_s, true},
                          {u"PowerSupply"_s, false}, {u"Percentage"_s, percentage}, {u"Energy"_s, percentage},
                          {u"State"_s, QVariant::fromValue(quint32(2))}, {u"WarningLevel"_s, QVariant::fromValue(quint32(1))},
                          {u"Voltage"_s, 3.8}, {u"TimeToEmpty"_s, QVariant::fromValue(qint64(0))},
                          {u"UpdateTime"_s, QVariant::fromValue(quint64(0))}});
    // clang-format on
}

QString MockUPower::addHeadsets() {
    const QString quillo = addBluetoothDevice(u"headset_quillo"_s, 17, u"Zorva Quillo 40"_s, 64,
                                              u"AA:BB:CC:DD:EE:01"_s);
    const bool others =
        !addBluetoothDevice(u"headphones_mellin"_s, 19, u"Zorva Mellin 7"_s, 30,
                            u"AA:BB:CC:DD:EE:02"_s)
             .isEmpty() &&
        !addBluetoothDevice(u"mouse_tappet"_s, 5, u"Zorva Tappet"_s, 90, u"AA:BB:CC:DD:EE:03"_s)
             .isEmpty();
    return others ? quillo : QString();
}

bool MockUPower::setProperties(const QString& path, const QVariantMap& properties) {
    return call(u"SetDeviceProperties"_s, {QVariant::fromValue(QDBusObjectPath(path)), properties});
}

bool MockUPower::removeDevice(const QString& path) {
    return call(u"RemoveDevice"_s, {QVariant::fromValue(QDBusObjectPath(path))});
}

} // namespace testsupport
