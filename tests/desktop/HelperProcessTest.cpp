#include "desktop/overlay/HelperProcess.h"

#include <QEventLoop>
#include <cstdlib>
#include <gtest/gtest.h>

namespace lumio {
namespace {

// The helper chooses its own Qt platform, so Lumio's own choice stays out of
// the environment it hands down; the rest goes along.
TEST(HelperProcessTest, LeavesOutOnlyTheVariablesNamed) {
    ::setenv("LUMIO_TEST_KEPT", "kept", 1);
    ::setenv("LUMIO_TEST_LEFT_OUT", "inherited", 1);
    std::string said;
    QEventLoop loop;
    const HelperProcess child(
        "/bin/sh",
        {QStringLiteral("-c"),
         QStringLiteral("echo \"${LUMIO_TEST_KEPT-unset} ${LUMIO_TEST_LEFT_OUT-unset}\" >&2")},
        {"LUMIO_TEST_LEFT_OUT"}, [](std::string_view) {},
        [&](const std::string& line) {
            said = line;
            loop.quit();
        },
        [](const std::string&) {});
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(said, "kept unset");
}

} // namespace
} // namespace lumio
