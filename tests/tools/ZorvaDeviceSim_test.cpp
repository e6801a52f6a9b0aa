#include "Platform/DBusContract.h"
#include "ZorvaUIProject/Common/StatusAppServer.h"
#include "support/DeviceSimulatorProcess.h"
#include "support/PrivateSessionBus.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using testsupport::DeviceSimulatorProcess;

// Each test program has a bus of its own, so parallel test cases do not meet.
static auto* const kPrivateBus =
    ::testing::AddGlobalTestEnvironment(new testsupport::PrivateSessionBus);

namespace {

// "member(name:type ...)->(name:type ...)" for every method of one interface in
// introspection XML, with " one-way" for a NoReply annotation.
QStringList methods(const QByteArray& xml, const QString& interface) {
    QStringList out;
    QXmlStreamReader reader(xml);
    bool inInterface = false;
    QString name;
    QStringList in;
    QStringList result;
    bool oneWay = false;
    while (!reader.atEnd()) {
        reader.readNext();
        const auto attributes = reader.attributes();
        if (reader.isStartElement() && reader.name() == QLatin1String("interface")) {
            inInterface = attributes.value(QLatin1String("name")) == interface;
        } else if (!inInterface) {
            continue;
        } else if (reader.isStartElement() && reader.name() == QLatin1String("method")) {
            name = attributes.value(QLatin1String("name")).toString();
            in.clear();
            result.clear();
            oneWay = false;
        } else if (reader.isStartElement() && reader.name() == QLatin1String("annotation")) {
            oneWay = attributes.value(QLatin1String("name")) ==
                     QLatin1String("org.freedesktop.DBus.Method.NoReply");
        } else if (reader.isStartElement() && reader.name() == QLatin1String("arg")) {
            (attributes.value(QLatin1String("direction")) == QLatin1String("out") ? result : in)
                << attributes.value(QLatin1String("name")).toString() + u':' +
                       attributes.value(QLatin1String("type")).toString();
        } else if (reader.isEndElement() && reader.name() == QLatin1String("method")) {
            out << u"%1(%2)->(%3)%4"_s.arg(name, in.join(u' '), result.join(u' '),
                                           oneWay ? u" one-way"_s : QString());
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return out;
}

// The same form for a member table.
QStringList methods(const platform::contract::Interface& contract) {
    QStringList out;
    for (const platform::contract::Member& member : contract.members) {
        const auto join = [](const QString& signature, const QStringList& names) {
            QStringList args;
            const QStringList types = platform::contract::splitSignature(signature);
            for (qsizetype i = 0; i < types.size(); ++i) {
                args << names.value(i) + u':' + types.at(i);
            }
            return args.join(u' ');
        };
        out << u"%1(%2)->(%3)%4"_s.arg(
            member.memberName(), join(member.inSignature(), member.inNames()),
            join(member.outSignature(), member.outNames()),
            member.call == platform::contract::Call::OneWay ? u" one-way"_s : QString());
    }
    return out;
}

QByteArray introspect(const QString& busName, const QString& path) {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        busName, path, u"org.freedesktop.DBus.Introspectable"_s, u"Introspect"_s));
    return reply.arguments().value(0).toString().toUtf8();
}

QByteArray repositoryXml(const char* name) {
    return testsupport::readFile(QStringLiteral(ZORVA_SOURCE_DIR "/Platform/dbus/") +
                                 QLatin1String(name));
}

} // namespace

TEST(ZorvaDeviceSim, MemberTablesAndLiveInterfacesMatchTheDescriptionsKeptInTheRepository) {
    using namespace platform::contract;
    const QStringList service =
        methods(repositoryXml("com.zorva.zorva_application_delegate.xml"), kServiceInterface);
    const QStringList callbacks = methods(
        repositoryXml("com.zorva.zorva_application_service_delegate.xml"), kStatusInterface);
    ASSERT_EQ(service.size(), 22);
    ASSERT_EQ(callbacks.size(), 11);
    EXPECT_EQ(methods(kServiceContract), service);
    EXPECT_EQ(methods(kStatusContract), callbacks);

    DeviceSimulatorProcess sim(testsupport::simulatorScenario(u"empty.json"_s));
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(methods(introspect(kServiceBusName, kServicePath), kServiceInterface), service);

    // The callback server describes all its members, those it does not answer too.
    const auto server = StatusAppServer::create();
    ASSERT_TRUE(server);
    ASSERT_TRUE(server->registerName(kStatusEndpointName));
    EXPECT_EQ(methods(introspect(kStatusBusName, kStatusPath), kStatusInterface), callbacks);
}
