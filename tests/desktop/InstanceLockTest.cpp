#include "desktop/launch/InstanceLock.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace lumio {
namespace {

namespace fs = std::filesystem;
TEST(FileLock, IsHeldElsewhereWhileAnotherProcessHoldsIt) {
    const test::TempDir tmp;
    const auto file = tmp / "lumio.lock";
    const pid_t child = ::fork();
    if (child == 0) {
        const auto held = FileLock::take(file);
        ::raise(SIGSTOP);
        ::_exit(0);
    }
    ASSERT_EQ(::waitpid(child, nullptr, WUNTRACED), child);
    EXPECT_TRUE(FileLock::take(file)->heldElsewhere());
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(FileLock::take(file)->heldElsewhere());
}

TEST(InstanceLock, TakesTheLockInTheRuntimeFolderElseThePrivateOneOrSaysWhyNot) {
    const test::TempDir tmp;
    const auto run = tmp / "run";
    fs::create_directories(run);
    test::writeText(tmp / "victim", "keep");
    fs::create_symlink(tmp / "victim", run / "lumio.lock");
    const auto linked = takeInstanceLock(run, tmp.path());
    ASSERT_TRUE(linked.ok()) << linked.status().text();
    EXPECT_FALSE(linked->heldElsewhere());
    EXPECT_TRUE(fs::exists(tmp / ("lumio-" + std::to_string(::geteuid())) / "lumio.lock"));
    EXPECT_EQ(test::readText(tmp / "victim"), "keep") << "a planted link is not followed";

    fs::remove(run / "lumio.lock");
    const auto taken = takeInstanceLock(run, tmp.path());
    ASSERT_TRUE(taken.ok());
    EXPECT_FALSE(taken->heldElsewhere());
    EXPECT_TRUE(takeInstanceLock(run, tmp.path())->heldElsewhere());

    const auto nowhere = takeInstanceLock(Status::error(ENOENT, "no place"), tmp / "victim");
    EXPECT_FALSE(nowhere.ok());
    const auto why = nowhere.status().text();
    EXPECT_EQ(why.rfind("no place: ", 0), 0U) << why;
    EXPECT_NE(why.find("; " + (tmp / "victim").string()), std::string::npos) << why;
}

} // namespace
} // namespace lumio
