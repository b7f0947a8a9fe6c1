#include "desktop/launch/CommandLine.h"
#include "desktop/launch/Resources.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lumio;
namespace fs = std::filesystem;

namespace {

TEST(CommandLine, HelpAndVersionAnswerBeforeAnythingElse) {
    EXPECT_FALSE(earlyAnswer({}));
    EXPECT_FALSE(earlyAnswer({"--break-now", "--bogus"}));
    const auto help = earlyAnswer({"--break-now", "--help"});
    ASSERT_TRUE(help);
    EXPECT_NE(help->find("--break-now"), std::string::npos);
    EXPECT_EQ(earlyAnswer({"--version"}), std::string("lumio ") + LUMIO_VERSION + "\n");
    EXPECT_EQ(earlyAnswer({"--version", "--help"}), earlyAnswer({"--version"}));
    EXPECT_EQ(earlyAnswer({"--help", "--version"}), help);
}

TEST(CommandLine, OnlyUnknownDoubleDashOptionsAreReported) {
    EXPECT_EQ(unknownOptions({"--break-now", "--bogus", "file", "-x", "--help", "--breaknow",
                              "--resume-next-break=1.5", "--resume-paused-until"}),
              (std::vector<std::string>{"--bogus", "--breaknow", "--resume-paused-until"}));
}

TEST(Resources, ABuiltProgramUsesTheFolderBesideItAnInstalledOneTheShareFolder) {
    const test::TempDir root;
    fs::create_directories(root / "share" / "lumio");
    EXPECT_EQ(findResources(root / "bin"), root / "share" / "lumio");
    fs::create_directories(root / "bin" / "resources");
    EXPECT_EQ(findResources(root / "bin"), root / "bin" / "resources");
}

TEST(ExecutablePath, IsThisProgram) {
    EXPECT_EQ(executablePath().filename(), "lumio_desktop_tests");
}

} // namespace
