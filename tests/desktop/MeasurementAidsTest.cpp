#include "desktop/launch/QtMainLoop.h"
#include "desktop/system/SystemClock.h"
#include "desktop/measure/TimeScale.h"
#include "desktop/measure/TimingLog.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace lumio;

namespace {

std::vector<std::string> linesOf(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lumio-timing-XXXXXX");
        path = mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::filesystem::path path;
};

TEST(TimeScale, ReadFromTheEnvironmentAndBadValuesIgnoredAloud) {
    const auto scaleFor = [](const char* text, std::string* said = nullptr) {
        if (text) {
            setenv("LUMIO_TIME_SCALE", text, 1);
        } else {
            unsetenv("LUMIO_TIME_SCALE");
        }
        std::ostringstream log;
        const double scale = timeScaleFromEnvironment(log);
        if (said) *said = log.str();
        return scale;
    };
    std::string said;
    EXPECT_EQ(scaleFor(nullptr, &said), 1.0);
    EXPECT_EQ(said, "");
    EXPECT_EQ(scaleFor("60", &said), 60.0);
    EXPECT_EQ(said, "");
    EXPECT_EQ(scaleFor("2.5"), 2.5);
    for (const char* bad : {"0", "0.5", "-3", "nan", "inf", "60x", "fast", "10001"}) {
        EXPECT_EQ(scaleFor(bad, &said), 1.0) << bad;
        EXPECT_EQ(said, std::string("lumio: bỏ qua LUMIO_TIME_SCALE=") + bad +
                            " (cần một số từ 1 đến 10000)\n");
    }
    unsetenv("LUMIO_TIME_SCALE");
}

TEST(TimeScale, ClockAndTimersRunFasterTogether) {
    const SystemClock clock(100.0);
    const auto start = clock.now();
    const Seconds offset =
        start.time_since_epoch() - std::chrono::system_clock::now().time_since_epoch();
    EXPECT_LT(std::abs(offset.count()), 1.0) << "starts from the real time";

    QtMainLoop loop(100.0);
    bool ran = false;
    loop.after(Seconds{5.0}, [&] { ran = true; });
    QEventLoop wait;
    QTimer::singleShot(300, &wait, &QEventLoop::quit);
    wait.exec();
    EXPECT_TRUE(ran) << "five program seconds are 50 ms";
    EXPECT_GE((clock.now() - start).count(), 5.0);
}

TEST(TimingLog, OneLinePerPaintedBreakWithTheTickItCameFrom) {
    const TempDir dir;
    const auto file = dir.path / "timing.log";
    std::ostringstream said;
    auto log = TimingLog::open(file, said);
    ASSERT_TRUE(log);

    log->painted(); // nothing was shown: nothing to time
    log->scriptSent();
    log->painted(); // --break-now: no tick behind it
    log->tickBegan();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    log->scriptSent();
    log->tickEnded();
    log->painted();
    log->painted(); // a second report of the same break counts once
    log->tickBegan();
    log->tickEnded();
    log->scriptSent(); // shown later, not by a tick (the page had not loaded)
    log->painted();

    const auto lines = linesOf(file);
    ASSERT_EQ(lines.size(), 3u);
    const std::regex untimed(R"(painted tick_ms=- script_ms=\d+\.\d)");
    const std::regex timed(R"(painted tick_ms=(\d+\.\d) script_ms=(\d+\.\d))");
    EXPECT_TRUE(std::regex_match(lines[0], untimed)) << lines[0];
    std::smatch numbers;
    ASSERT_TRUE(std::regex_match(lines[1], numbers, timed)) << lines[1];
    EXPECT_GE(std::stod(numbers[1]), 20.0);
    EXPECT_LT(std::stod(numbers[2]), std::stod(numbers[1]));
    EXPECT_TRUE(std::regex_match(lines[2], untimed)) << lines[2];
    EXPECT_EQ(said.str(), "");

    log.reset();
    auto again = TimingLog::open(file, said);
    again->scriptSent();
    again->painted();
    EXPECT_EQ(linesOf(file).size(), 4u) << "appends";
}

TEST(TimingLog, OffUnlessAskedAndAFileItCannotOpenIsSaid) {
    unsetenv("LUMIO_TIMING_LOG");
    std::ostringstream said;
    EXPECT_FALSE(TimingLog::fromEnvironment(said));
    setenv("LUMIO_TIMING_LOG", "", 1);
    EXPECT_FALSE(TimingLog::fromEnvironment(said));
    EXPECT_EQ(said.str(), "");

    const TempDir dir;
    setenv("LUMIO_TIMING_LOG", (dir.path / "no" / "such" / "folder.log").c_str(), 1);
    EXPECT_FALSE(TimingLog::fromEnvironment(said));
    EXPECT_NE(said.str().find("folder.log: No such file or directory"), std::string::npos)
        << said.str();
    unsetenv("LUMIO_TIMING_LOG");
}

} // namespace
