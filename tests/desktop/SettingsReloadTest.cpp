#include "desktop/system/SettingsReload.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace lumio;
namespace fs = std::filesystem;

namespace {

bool waitFor(const std::function<bool()>& done, int milliseconds) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done()) loop.quit();
    });
    poll.start(20);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

TEST(SettingsReload, AnEditByHandCountsWithinAboutASecond) {
    const auto folder =
        fs::temp_directory_path() / ("lumio-reload-test-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const auto file = folder / "settings.json";
    std::ostringstream log;
    JsonSettingsStore store(file, log);
    store.setValue("intervalMin", std::int64_t{20});

    int changes = 0;
    QTimer ticker;
    ticker.start(1000);
    const SettingsReload reload(
        store, [&] { ++changes; }, ticker);
    EXPECT_FALSE(waitFor([&] { return changes > 0; }, 1300));

    std::ofstream(file) << R"({"intervalMin": 45})";
    EXPECT_TRUE(waitFor([&] { return changes > 0; }, 2500));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(store.value("intervalMin"), SettingValue{std::int64_t{45}});
    fs::remove_all(folder);
}

} // namespace
