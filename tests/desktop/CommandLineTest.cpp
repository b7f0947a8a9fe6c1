#include "desktop/launch/CommandLine.h"
#include "desktop/launch/Resources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

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
    EXPECT_EQ(unknownOptions({"--break-now", "--bogus", "file", "-x", "--help", "--breaknow"}),
              (std::vector<std::string>{"--bogus", "--breaknow"}));
}

class ResourceFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("lumio-resources-test-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "bin");
    }
    void TearDown() override { fs::remove_all(root); }
    fs::path root;
};

TEST_F(ResourceFolder, ABuiltProgramUsesTheFolderBesideIt) {
    fs::create_directories(root / "bin" / "resources");
    fs::create_directories(root / "share" / "lumio");
    EXPECT_EQ(findResources(root / "bin"), root / "bin" / "resources");
}

TEST_F(ResourceFolder, AnInstalledProgramUsesTheShareFolder) {
    fs::create_directories(root / "share" / "lumio");
    EXPECT_EQ(findResources(root / "bin"), root / "share" / "lumio");
}

TEST(ExecutablePath, IsThisProgram) {
    EXPECT_EQ(executablePath().filename(), "lumio_desktop_tests");
}

} // namespace
