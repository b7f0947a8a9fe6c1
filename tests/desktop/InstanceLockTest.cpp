#include "desktop/launch/InstanceLock.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace lumio {
namespace {

namespace fs = std::filesystem;
using State = InstanceLock::State;

TEST(InstanceLock, IsHeldByAnotherProcessUntilThatProcessDies) {
    const test::TempDir tmp;
    const auto file = tmp / "lumio.lock";
    const pid_t child = ::fork();
    if (child == 0) {
        const InstanceLock held(file);
        ::raise(SIGSTOP);
        ::_exit(0);
    }
    ASSERT_EQ(::waitpid(child, nullptr, WUNTRACED), child);
    EXPECT_EQ(InstanceLock(file).state(), State::HeldByAnother);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(InstanceLock(file).state(), State::Held);
}

TEST(InstanceLock, TakesTheLockInTheRuntimeFolderElseThePrivateOneOrSaysWhyNot) {
    const test::TempDir tmp;
    const auto run = tmp / "run";
    fs::create_directories(run);
    test::writeText(tmp / "victim", "keep");
    fs::create_symlink(tmp / "victim", run / "lumio.lock");
    const auto linked = takeInstanceLock({run, {}}, tmp.path());
    ASSERT_TRUE(linked.lock) << linked.problem;
    EXPECT_EQ(linked.lock->state(), State::Held);
    EXPECT_NE(linked.problem.find((run / "lumio.lock").string()), std::string::npos);
    EXPECT_EQ(test::readText(tmp / "victim"), "keep") << "a planted link is not followed";

    fs::remove(run / "lumio.lock");
    const auto taken = takeInstanceLock({run, {}}, tmp.path());
    ASSERT_TRUE(taken.lock);
    EXPECT_EQ(taken.lock->runningCount(), 1);
    EXPECT_EQ(takeInstanceLock({run, {}}, tmp.path()).lock->runningCount(), 2);

    const auto nowhere = takeInstanceLock({std::nullopt, "no place"}, tmp / "victim");
    EXPECT_FALSE(nowhere.lock);
    EXPECT_EQ(nowhere.problem.rfind("no place; ", 0), 0U) << nowhere.problem;
}

} // namespace
} // namespace lumio
