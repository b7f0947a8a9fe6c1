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

// Each way a file gets edited reaches the store as the kernel tells it, and
// the store's own saves do not count as edits.
TEST(SettingsReload, EditsByHandCountWhateverTheWayTheyAreWritten) {
    namespace fs = std::filesystem;
    using Edit = std::function<void(const fs::path& folder)>;
    const std::vector<std::pair<const char*, Edit>> rows{
        {"written in place",
         [](const fs::path& f) { test::writeText(f / "settings.json", R"({"intervalMin": 45})"); }},
        {"renamed over",
         [](const fs::path& f) {
             test::writeText(f / "new.json", R"({"intervalMin": 45})");
             fs::rename(f / "new.json", f / "settings.json");
         }},
        {"in a folder made later",
         [](const fs::path& f) {
             fs::create_directories(f / "later");
             test::writeText(f / "later" / "settings.json", R"({"intervalMin": 45})");
         }},
        {"through a link into another folder",
         [](const fs::path& f) {
             test::writeText(f / "dotfiles" / "lumio.json", R"({"intervalMin": 45})");
         }},
    };
    for (const auto& [how, edit] : rows) {
        const test::TempDir folder;
        const std::string_view way = how;
        auto file = folder / "settings.json";
        if (way == "in a folder made later") file = folder / "later" / "settings.json";
        if (way == "through a link into another folder") {
            fs::create_directories(folder / "dotfiles");
            test::writeText(folder / "dotfiles" / "lumio.json", "{}");
            fs::create_symlink(folder / "dotfiles" / "lumio.json", file);
        }
        JsonSettingsStore store(file);
        int changes = 0;
        const SettingsReload reload(store, file, [&] { ++changes; });
        if (way != "in a folder made later") {
            store.setValue("intervalMin", std::int64_t{20});
            EXPECT_FALSE(waitFor([&] { return changes > 0; }, 300)) << how << ": our own save";
        }
        edit(folder.path());
        EXPECT_TRUE(waitFor([&] { return changes > 0; }, 2000)) << how;
        EXPECT_EQ(store.value("intervalMin"), SettingValue{std::int64_t{45}}) << how;
    }
}

} // namespace
