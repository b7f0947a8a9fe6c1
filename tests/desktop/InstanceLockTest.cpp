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

TEST(InstanceLock, TakesTheLockInTheRuntimeFolderOrSaysWhyNot) {
    const test::TempDir tmp;
    test::writeText(tmp / "victim", "keep");
    fs::create_symlink(tmp / "victim", tmp / "lumio.lock");
    const auto linked = takeInstanceLock({tmp.path(), {}});
    EXPECT_FALSE(linked.lock) << "a planted link is not followed";
    EXPECT_NE(linked.problem.find((tmp / "lumio.lock").string()), std::string::npos);

    fs::remove(tmp / "lumio.lock");
    const auto taken = takeInstanceLock({tmp.path(), "passed over"});
    ASSERT_TRUE(taken.lock);
    EXPECT_EQ(taken.lock->state(), State::Held);
    EXPECT_EQ(taken.lock->runningCount(), 1);
    EXPECT_EQ(takeInstanceLock({tmp.path(), {}}).lock->runningCount(), 2);

    const auto nowhere = takeInstanceLock({std::nullopt, "no place: reasons"});
    EXPECT_FALSE(nowhere.lock);
    EXPECT_EQ(nowhere.problem, "no place: reasons");
}

} // namespace
} // namespace lumio
