#include "support/MockUPower.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>

using namespace Qt::StringLiterals;

namespace testsupport {

namespace {

const QString kUPower = u"org.freedesktop.UPower"_s;

} // namespace

MockUPower::MockUPower() {
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
    return m_errors +
           QString::fromUtf8(testsupport::readFile(m_log.filePath(u"upower-mock.log"_s)));
}

// A call of the mock's own interface; a failure is kept for errors().
bool MockUPower::call(const QString& member, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(kUPower, u"/org/freedesktop/UPower"_s,
                                                          u"org.freedesktop.DBus.Mock"_s, member);
    message.setArguments(arguments);
    const QDBusMessage reply = m_bus.connection().call(message, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        m_errors += member + u": "_s + reply.errorName() + u" "_s + reply.errorMessage() + u'\n';
        return false;
    }
    return true;
}

QString MockUPower::addDevice(const QString& id, const QVariantMap& properties) {
    const QString path = u"/org/freedesktop/UPower/devices/"_s + id;
    // No methods of its own: an empty list, whose element type the mock does not check.
    const bool added =
        call(u"AddObject"_s,
             {path, u"org.freedesktop.UPower.Device"_s, properties, QStringList{}}) &&
        call(u"EmitSignal"_s,
             {u"org.freedesktop.UPower"_s, u"DeviceAdded"_s, u"o"_s,
              QVariant::fromValue(QVariantList{QVariant::fromValue(QDBusObjectPath(path))})});
    return added ? path : QString();
}

QString MockUPower::addBluetoothDevice(int n, quint32 type, const QString& model,
                                       double percentage) {
    const QString address = u"AA:BB:CC:DD:EE:0"_s + QString::number(n);
    QString underscored = address;
    underscored.replace(u':', u'_');
    // clang-format off
    return addDevice(u"dev"_s + underscored, {
        {u"Type"_s, QVariant::fromValue(type)}, {u"Model"_s, model}, {u"Serial"_s, address},
        {u"NativePath"_s, u"/org/bluez/hci0/dev_"_s + underscored}, {u"IsPresent"_s, true},
        {u"PowerSupply"_s, false}, {u"Percentage"_s, percentage}, {u"Energy"_s, percentage},
        {u"State"_s, QVariant::fromValue(quint32(2))}, {u"WarningLevel"_s, QVariant::fromValue(quint32(1))},
        {u"Voltage"_s, 3.8}, {u"TimeToEmpty"_s, QVariant::fromValue(qint64(0))},
        {u"UpdateTime"_s, QVariant::fromValue(quint64(0))}});
    // clang-format on
}

QString MockUPower::addHeadsets() {
    // Types: 17 headset, 19 headphones, 5 mouse.
    const QString quillo = addBluetoothDevice(1, 17, u"Zorva Quillo 40"_s, 64);
    const bool others = !addBluetoothDevice(2, 19, u"Zorva Mellin 7"_s, 30).isEmpty() &&
                        !addBluetoothDevice(3, 5, u"Zorva Tappet"_s, 90).isEmpty();
    return others ? quillo : QString();
}

bool MockUPower::setProperties(const QString& path, const QVariantMap& properties) {
    return call(u"SetDeviceProperties"_s, {QVariant::fromValue(QDBusObjectPath(path)), properties});
}

bool MockUPower::removeDevice(const QString& path) {
    return call(u"RemoveDevice"_s, {QVariant::fromValue(QDBusObjectPath(path))});
}

} // namespace testsupport
