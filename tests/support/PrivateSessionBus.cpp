#include "support/PrivateSessionBus.h"

namespace testsupport {

void PrivateSessionBus::SetUp() {
    m_bus = std::make_unique<stage::PrivateBus>();
    ASSERT_TRUE(m_bus->ok()) << "no private dbus-daemon";
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus->address().toUtf8());
}

void PrivateSessionBus::TearDown() {
    m_bus.reset();
}

} // namespace testsupport
