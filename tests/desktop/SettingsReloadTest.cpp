#include "desktop/system/SettingsReload.h"

#include "support/TempDir.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

using namespace lumio;

namespace {

// Runs Qt's event loop for the given time, or until done() holds.
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
    const test::TempDir folder;
    JsonSettingsStore store(folder / "settings.json");
    store.setValue("intervalMin", std::int64_t{20});
    int changes = 0;
    QTimer ticker;
    ticker.start(1000);
    const SettingsReload reload(
        store, [&] { ++changes; }, ticker);

    EXPECT_FALSE(waitFor([&] { return changes > 0; }, 1300));
    test::writeText(folder / "settings.json", R"({"intervalMin": 45})");
    EXPECT_TRUE(waitFor([&] { return changes > 0; }, 2500));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(store.value("intervalMin"), SettingValue{std::int64_t{45}});
}

} // namespace
