// The accessibility status against a private session bus (see CMakeLists:
// run through dbus-run-session with GSettings in memory), where the AT-SPI
// bus launcher is activated on demand and starts with accessibility off.

#include "platform/linux/linux_services.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(AccessibilityBus, PromptSwitchesAccessibilityOn) {
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "needs a session bus";
    int argc = 1;
    char name[] = "accessibility_bus_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    auto trust = wendrel::linux_desktop::makeAtSpiAccessibilityTrust();
    EXPECT_FALSE(trust->isTrusted(false));
    EXPECT_FALSE(trust->isTrusted(false));  // asking without prompt changes nothing
    EXPECT_TRUE(trust->isTrusted(true));
    EXPECT_TRUE(trust->isTrusted(false));
}

}  // namespace
