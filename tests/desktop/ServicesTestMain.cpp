#include "ServicesTestSupport.h"

#include <QTemporaryDir>

#include <cstdio>
#include <memory>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    // The tests run D-Bus and X servers while Qt's D-Bus thread is up: a
    // death test must start afresh rather than fork this process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");

    // Every D-Bus connection of the run goes to buses of our own, so they are
    // set before the first one opens; X comes only from the tests that start it.
    // The daemons have read their configuration once they tell their address.
    std::unique_ptr<lumio::test::PrivateBus> session;
    std::unique_ptr<lumio::test::PrivateBus> system;
    {
        const QTemporaryDir configs;
        session =
            std::make_unique<lumio::test::PrivateBus>(QStringLiteral("session"), configs.path());
        system =
            std::make_unique<lumio::test::PrivateBus>(QStringLiteral("system"), configs.path());
    }
    if (session->address.isEmpty() || system->address.isEmpty()) {
        std::fprintf(stderr, "cannot start dbus-daemon\n");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", session->address.toUtf8());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", system->address.toUtf8());
    for (const char* name : {"DBUS_STARTER_ADDRESS", "DBUS_STARTER_BUS_TYPE", "DISPLAY",
                             "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "XDG_SESSION_ID"}) {
        qunsetenv(name);
    }
    return RUN_ALL_TESTS();
}
