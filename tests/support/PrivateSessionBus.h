#pragma once

#include "support/Stage.h"

#include <gtest/gtest.h>
#include <memory>

namespace testsupport {

// A session bus of this test program's own: a dbus-daemon started before the
// first test and ended after the last, with DBUS_SESSION_BUS_ADDRESS pointing at
// it (children started by the tests inherit it). Test programs that publish
// names or broadcast signals install it, so that test cases running at the same
// time under ctest -j do not meet on one bus:
//   static auto* const bus = ::testing::AddGlobalTestEnvironment(
//       new testsupport::PrivateSessionBus);   // gtest owns the environment
// It must be in place before anything in the process uses the session bus.
class PrivateSessionBus : public ::testing::Environment {
public:
    void SetUp() override {
        m_bus = std::make_unique<stage::PrivateBus>();
        ASSERT_TRUE(m_bus->ok()) << "no private dbus-daemon";
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus->address().toUtf8());
    }
    void TearDown() override { m_bus.reset(); }

private:
    std::unique_ptr<stage::PrivateBus> m_bus;
};

} // namespace testsupport
