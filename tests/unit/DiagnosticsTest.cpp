#include "files/Diagnostics.h"
#include "files/Status.h"

#include "support/CapturedStderr.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace lumio {
namespace {

TEST(Status, ReadsAsOneLineNamingStepPathAndReasonAfterThePlacesTriedBefore) {
    const auto full = Status::error(ENOSPC, "cannot write the temporary file", "/x/y");
    const auto refused = Status::error(EACCES, "", "/tmp/lumio-1", "other users can enter it");
    const struct {
        Status status;
        const char* text;
    } cases[] = {
        {Status(), ""},
        {full, "cannot write the temporary file /x/y: No space left on device"},
        {refused, "/tmp/lumio-1: other users can enter it"},
        {Status::error(ENOENT, "no place"), "no place: No such file or directory"},
        {refused.after(full), "cannot write the temporary file /x/y: No space left on device; "
                              "/tmp/lumio-1: other users can enter it"},
        {refused.after(Status()), "/tmp/lumio-1: other users can enter it"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.status.text(), c.text);
        EXPECT_EQ(c.status.ok(), c.text[0] == '\0') << c.text;
    }
}

TEST(Diagnostics, PrefixesEveryLineAndSaysALineAskedForOnceOnlyOnce) {
    const test::CapturedStderr captured;
    setProgramName("lumio-break");
    EXPECT_TRUE(diagnoseOnce("no dimming"));
    EXPECT_FALSE(diagnoseOnce("no dimming"));
    diagnose("no dimming");
    EXPECT_TRUE(diagnoseOnce("no tray"));
    setProgramName("lumio");
    EXPECT_EQ(captured.str(), "lumio-break: no dimming\nlumio-break: no dimming\n"
                              "lumio-break: no tray\n");
}

} // namespace
} // namespace lumio
