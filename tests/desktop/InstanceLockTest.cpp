#include "desktop/launch/InstanceLock.h"

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumio;
namespace fs = std::filesystem;

namespace {

class LockFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        tmp = fs::temp_directory_path() /
              ("lumio-lock-test-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(tmp);
        fs::create_directories(tmp);
        own = tmp / ("lumio-" + std::to_string(::geteuid()));
    }
    void TearDown() override { fs::remove_all(tmp); }

    fs::path tmp;
    fs::path own;
};

TEST_F(LockFolder, TheLockGoesToTheFirstUsablePlace) {
    const auto runtime = tmp / "runtime";
    fs::create_directory(runtime);
    std::ofstream(tmp / "a-file") << "not a folder";
    const std::string file = (tmp / "a-file").string();
    const struct {
        const char* runtimeDir;
        fs::path expected;
    } cases[] = {
        {runtime.c_str(), runtime}, {nullptr, own},      {"", own},
        {"relative/dir", own},      {file.c_str(), own}, // unusable: the private folder stands in
    };
    for (const auto& c : cases) {
        fs::remove_all(own);
        fs::remove(runtime / "lumio.lock");
        const auto taken = takeInstanceLock(c.runtimeDir, tmp);
        ASSERT_TRUE(taken.lock) << taken.problem;
        EXPECT_EQ(taken.lock->state(), InstanceLock::State::Held);
        EXPECT_TRUE(fs::exists(c.expected / "lumio.lock")) << c.expected;
        if (c.expected == own) {
            struct stat info {};
            ASSERT_EQ(::lstat(own.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 0777, 0700u);
        } else {
            EXPECT_FALSE(fs::exists(own));
        }
    }
}

TEST_F(LockFolder, ALockHeldInTheRuntimeFolderEndsTheSearch) {
    const InstanceLock first(tmp / "lumio.lock");
    const auto taken = takeInstanceLock(tmp.c_str(), tmp);
    ASSERT_TRUE(taken.lock);
    EXPECT_EQ(taken.lock->runningCount(), 2);
    EXPECT_FALSE(fs::exists(own));
}

TEST_F(LockFolder, NoUsablePlaceGivesNoLockAndEveryReason) {
    std::ofstream(tmp / "a-file") << "not a folder";
    std::ofstream(own) << "not a folder either";
    const auto taken = takeInstanceLock((tmp / "a-file").c_str(), tmp);
    EXPECT_FALSE(taken.lock);
    EXPECT_NE(taken.problem.find("a-file"), std::string::npos) << taken.problem;
    EXPECT_NE(taken.problem.find(own.string()), std::string::npos) << taken.problem;
}

TEST_F(LockFolder, RefusesASymlinkPlantedInItsPlace) {
    fs::create_directories(tmp / "elsewhere");
    ::chmod((tmp / "elsewhere").c_str(), 0700);
    fs::create_directory_symlink(tmp / "elsewhere", own);
    EXPECT_TRUE(std::holds_alternative<std::string>(privateTmpFolder(tmp)));
}

TEST_F(LockFolder, RefusesAFolderOthersCanEnter) {
    fs::create_directory(own);
    ::chmod(own.c_str(), 0755);
    EXPECT_TRUE(std::holds_alternative<std::string>(privateTmpFolder(tmp)));
    ::chmod(own.c_str(), 0770);
    EXPECT_TRUE(std::holds_alternative<std::string>(privateTmpFolder(tmp)));
    ::chmod(own.c_str(), 0700);
    EXPECT_TRUE(std::holds_alternative<fs::path>(privateTmpFolder(tmp)));
}

TEST_F(LockFolder, RefusesAFileInItsPlace) {
    std::ofstream(own) << "not a folder";
    EXPECT_TRUE(std::holds_alternative<std::string>(privateTmpFolder(tmp)));
}

TEST_F(LockFolder, RefusesAFolderOfAnotherUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a folder away";
    fs::create_directory(own);
    ::chmod(own.c_str(), 0700);
    ASSERT_EQ(::chown(own.c_str(), 65534, 65534), 0);
    EXPECT_TRUE(std::holds_alternative<std::string>(privateTmpFolder(tmp)));
}

TEST_F(LockFolder, ALockIsHeldByOneHolderAtATime) {
    const auto file = tmp / "lumio.lock";
    {
        const InstanceLock first(file);
        EXPECT_EQ(first.state(), InstanceLock::State::Held);
        EXPECT_EQ(first.runningCount(), 1);
        const InstanceLock second(file);
        EXPECT_EQ(second.state(), InstanceLock::State::HeldByAnother);
        EXPECT_EQ(second.runningCount(), 2);
    }
    const InstanceLock afterRelease(file);
    EXPECT_EQ(afterRelease.state(), InstanceLock::State::Held);
}

TEST_F(LockFolder, ALockHeldByAnotherProcessCounts) {
    const auto file = tmp / "lumio.lock";
    std::array<int, 2> ready{};
    ASSERT_EQ(::pipe(ready.data()), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const InstanceLock held(file);
        const char state = held.state() == InstanceLock::State::Held ? 'y' : 'n';
        [[maybe_unused]] const auto written = ::write(ready[1], &state, 1);
        ::pause();
        ::_exit(0);
    }
    char state = 0;
    ASSERT_EQ(::read(ready[0], &state, 1), 1);
    EXPECT_EQ(state, 'y');
    EXPECT_EQ(InstanceLock(file).state(), InstanceLock::State::HeldByAnother);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(InstanceLock(file).state(), InstanceLock::State::Held);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST_F(LockFolder, AnUnusableLockFileIsAFailureWithAReason) {
    const InstanceLock lock(tmp / "missing" / "lumio.lock");
    EXPECT_EQ(lock.state(), InstanceLock::State::Failed);
    EXPECT_NE(lock.problem().find("missing"), std::string::npos);
}

TEST_F(LockFolder, ASymlinkedLockFileIsNotFollowed) {
    std::ofstream(tmp / "victim") << "keep";
    fs::create_symlink(tmp / "victim", tmp / "lumio.lock");
    EXPECT_EQ(InstanceLock(tmp / "lumio.lock").state(), InstanceLock::State::Failed);
}

} // namespace
