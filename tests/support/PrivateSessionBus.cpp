#include "support/PrivateSessionBus.h"

namespace testsupport {

void PrivateSessionBus::SetUp() {
    m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1")});
    ASSERT_TRUE(m_daemon.waitForStarted(10000)) << "dbus-daemon did not start";
    while (!m_daemon.canReadLine()) {
        ASSERT_TRUE(m_daemon.waitForReadyRead(10000)) << "dbus-daemon gave no address";
    }
    const QByteArray address = m_daemon.readLine().trimmed();
    ASSERT_FALSE(address.isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
}

void PrivateSessionBus::TearDown() {
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

} // namespace testsupport
