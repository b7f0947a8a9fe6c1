#include "files/XdgFolders.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>

namespace lumio {
namespace {

namespace fs = std::filesystem;

TEST(ConfigHome, IsAnAbsoluteXdgConfigHomeElseHomesConfig) {
    const test::ScopedEnv home("HOME", "/home/lan");
    const std::pair<const char*, fs::path> cases[] = {{"/srv/config", "/srv/config"},
                                                      {nullptr, "/home/lan/.config"},
                                                      {"", "/home/lan/.config"},
                                                      {"relative", "/home/lan/.config"}};
    for (const auto& [xdg, expected] : cases) {
        const test::ScopedEnv config("XDG_CONFIG_HOME", xdg);
        EXPECT_EQ(configHome(), expected) << (xdg ? xdg : "unset");
    }
    const test::ScopedEnv config("XDG_CONFIG_HOME", nullptr), noHome("HOME", "");
    EXPECT_TRUE(configHome().is_absolute()) << configHome();
}

TEST(RuntimeFolder, IsAUsableXdgRuntimeDirElseAPrivateFolderThatIsPlainlyOurs) {
    const test::TempDir tmp;
    const auto own = tmp / ("lumio-" + std::to_string(::geteuid()));
    const auto ownFolder = [&](fs::perms mode) {
        return [&own, mode] {
            fs::create_directory(own);
            fs::permissions(own, mode);
        };
    };
    const struct {
        const char* runtimeDir;
        std::function<void()> prepare; // what sits at own beforehand
        std::optional<fs::path> expected;
    } cases[] = {
        {tmp.path().c_str(), [] {}, tmp.path()},
        {nullptr, [] {}, own},
        {"relative", ownFolder(fs::perms::owner_all), own},
        {"/dev/null", [&] { test::writeText(own, ""); }, std::nullopt},
        {nullptr, [&] { fs::create_directory_symlink(tmp.path(), own); }, std::nullopt},
        {nullptr, ownFolder(fs::perms::owner_all | fs::perms::group_read), std::nullopt},
        {nullptr, ownFolder(fs::perms::owner_all | fs::perms::others_exec), std::nullopt},
    };
    for (const auto& c : cases) {
        fs::remove_all(own);
        c.prepare();
        const test::ScopedEnv runtime("XDG_RUNTIME_DIR", c.runtimeDir);
        const auto found = runtimeFolder(tmp.path());
        EXPECT_EQ(found.ok(), c.expected.has_value()) << found.status().text();
        if (!c.expected) {
            EXPECT_NE(found.status().text().find(own.string()), std::string::npos);
            continue;
        }
        EXPECT_EQ(found.value(), *c.expected);
        if (*c.expected == own) {
            EXPECT_EQ(fs::symlink_status(own).permissions(), fs::perms::owner_all);
        } else {
            EXPECT_FALSE(fs::exists(own));
        }
    }
}

} // namespace
} // namespace lumio
