#include "Platform/DBusContract.h"
#include "ZorvaUIProject/Common/StatusAppServer.h"
#include "support/DeviceSimulatorProcess.h"
#include "support/PrivateSessionBus.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using testsupport::DeviceSimulatorProcess;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Each test program has a bus of its own, so parallel test cases do not meet.
static auto* const kPrivateBus =
    ::testing::AddGlobalTestEnvironment(new testsupport::PrivateSessionBus);

namespace {

// "member(in)->(out)" for every method of one interface in introspection XML;
// methods carrying the comment "not answered" are left out when asked.
QStringList methods(const QByteArray& xml, const QString& interface, bool answeredOnly) {
    QStringList out;
    QXmlStreamReader reader(xml);
    bool inInterface = false;
    QString name;
    QString in;
    QString result;
    bool notAnswered = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("interface")) {
            inInterface = reader.attributes().value(QLatin1String("name")) == interface;
        } else if (inInterface && reader.isStartElement() &&
                   reader.name() == QLatin1String("method")) {
            name = reader.attributes().value(QLatin1String("name")).toString();
            in.clear();
            result.clear();
            notAnswered = false;
        } else if (inInterface && reader.isComment() &&
                   reader.text().contains(QLatin1String("not answered"))) {
            notAnswered = true;
        } else if (inInterface && reader.isStartElement() &&
                   reader.name() == QLatin1String("arg")) {
            const auto attributes = reader.attributes();
            (attributes.value(QLatin1String("direction")) == QLatin1String("out") ? result : in) +=
                attributes.value(QLatin1String("type"));
        } else if (inInterface && reader.isEndElement() &&
                   reader.name() == QLatin1String("method")) {
            if (!(answeredOnly && notAnswered)) {
                out << QStringLiteral("%1(%2)->(%3)").arg(name, in, result);
            }
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return out;
}

QByteArray introspect(const QString& busName, const QString& path) {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        busName, path, QStringLiteral("org.freedesktop.DBus.Introspectable"),
        QStringLiteral("Introspect")));
    return reply.arguments().value(0).toString().toUtf8();
}

QByteArray repositoryXml(const char* name) {
    return testsupport::readFile(QStringLiteral(ZORVA_SOURCE_DIR "/Platform/dbus/") +
                                 QLatin1String(name));
}

} // namespace

TEST(ZorvaDeviceSim, LiveInterfacesMatchTheDescriptionsKeptInTheRepository) {
    DeviceSimulatorProcess sim(testsupport::simulatorScenario(QStringLiteral("empty.json")));
    ASSERT_TRUE(sim.started());
    const QStringList described = methods(repositoryXml("com.zorva.zorva_application_delegate.xml"),
                                          platform::contract::kServiceInterface, false);
    EXPECT_EQ(described.size(), 22);
    EXPECT_EQ(
        methods(introspect(platform::contract::kServiceBusName, platform::contract::kServicePath),
                platform::contract::kServiceInterface, false),
        described);

    const auto server = StatusAppServer::create();
    ASSERT_TRUE(server);
    ASSERT_TRUE(server->registerName(QStringLiteral("StatusAppServer")));
    const QByteArray callbacks = repositoryXml("com.zorva.zorva_application_service_delegate.xml");
    EXPECT_EQ(methods(callbacks, platform::contract::kStatusInterface, false).size(), 11);
    EXPECT_EQ(
        methods(introspect(platform::contract::kStatusBusName, platform::contract::kStatusPath),
                platform::contract::kStatusInterface, false),
        methods(callbacks, platform::contract::kStatusInterface, true));
}

TEST(ZorvaDeviceSim, CommandLineReportsItsFailuresByExitStatus) {
    const auto run = [](const QStringList& args, QString* output = nullptr) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(DeviceSimulatorProcess::executable(), args);
        process.waitForFinished(10000);
        if (output != nullptr) {
            *output = QString::fromUtf8(process.readAll());
        }
        return process.exitCode();
    };
    QString help;
    EXPECT_EQ(run({QStringLiteral("--help")}, &help), 0);
    EXPECT_TRUE(help.contains(QStringLiteral("components manual|auto [empty|absent]")));
    EXPECT_EQ(run({QStringLiteral("--bogus"), QStringLiteral("x")}), 64);
    // No simulator on the bus yet.
    EXPECT_EQ(run({QStringLiteral("send"), QStringLiteral("reset")}), 1);

    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("broken.json"));
    ASSERT_TRUE(testsupport::writeFile(broken, "{\"devices\": ["));
    EXPECT_EQ(run({QStringLiteral("--scenario"), broken}), 65);

    DeviceSimulatorProcess sim;
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(run({}), 69); // the name is taken by the first simulator
    // A command it does not understand, and a callback nobody answers.
    EXPECT_EQ(run({QStringLiteral("send"), QStringLiteral("attach"), QStringLiteral("x")}), 2);
    EXPECT_EQ(run({QStringLiteral("send"), QStringLiteral("reset")}), 2);
    EXPECT_EQ(run({QStringLiteral("quit")}), 0);
}
