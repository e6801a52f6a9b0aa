// The smallest two-process request on the session bus, as a yardstick for the
// device-service link: publishes "com.zorva.BenchEcho" at /BenchEcho and answers
// every method call at once with the bytes given on the command line as one
// "ay" (the shape of a small device-service answer). Runs until killed.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>

namespace {

class Echo final : public QDBusVirtualObject {
public:
    explicit Echo(QByteArray answer) : m_answer(std::move(answer)) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        connection.send(message.createReply(QVariant(m_answer)));
        return true;
    }

private:
    QByteArray m_answer;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    Echo echo(args.size() > 1 ? QByteArray::fromHex(args.at(1).toLatin1()) : QByteArray());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject(QStringLiteral("/BenchEcho"), &echo) ||
        !bus.registerService(QStringLiteral("com.zorva.BenchEcho"))) {
        return 1;
    }
    return QCoreApplication::exec();
}
