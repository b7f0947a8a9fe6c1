#include "prefs/JsonSettingsStore.h"

#include "files/Diagnostics.h"
#include "support/CapturedStderr.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <utility>
#include <vector>

namespace lumio {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;
using test::readText;
using test::writeText;

const std::regex ASIDE_NAME(R"(settings\.json\.corrupt-\d{8}-\d{6}(-\d+)?)");

const auto integer = [](std::int64_t number) { return SettingValue{number}; };

std::vector<std::string> namesIn(const fs::path& folder,
                                 const std::regex& name = std::regex(".*")) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (std::regex_match(entry.path().filename().string(), name))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class SettingsFile : public testing::Test {
  protected:
    SettingsFile() { setProgramName("lumio"); }
    JsonSettingsStore open() { return JsonSettingsStore(file); }
    void writeSettings(std::string_view text) {
        fs::create_directories(folder);
        writeText(file, text);
    }
    // Written long enough ago that no editor can be saving it still.
    void writeLongAgo(std::string_view text) {
        writeSettings(text);
        fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::minutes(1));
    }
    Json saved() const { return Json::parse(readText(file)); }
    long logLines() const { return std::ranges::count(log.str(), '\n'); }

    const test::TempDir root;
    const fs::path folder = root / "lumio";
    const fs::path file = folder / "settings.json";
    test::CapturedStderr log;
};

TEST_F(SettingsFile, EveryTypeSurvivesTheFileInAnOwnerOnlyFolderAndFile) {
    const std::vector<std::pair<std::string, SettingValue>> values = {
        {"on", SettingValue{true}},
        {"largest", integer(std::numeric_limits<std::int64_t>::max())},
        {"greeting", SettingValue{std::string("Nghỉ mắt 20 giây nhé 👀")}},
        {"sounds", SettingValue{std::vector<std::string>{"chim hót", "suối"}}},
        {"none", SettingValue{std::vector<std::string>{}}}};
    auto store = open();
    EXPECT_FALSE(fs::exists(folder)) << "nothing is made before the first change";
    store.setValue("none", SettingValue{std::string("another type first")});
    for (const auto& [key, stored] : values)
        store.setValue(key, stored);
    for (const auto& [key, stored] : values)
        EXPECT_EQ(open().value(key), stored) << key;
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"settings.json"});
    EXPECT_NE(readText(file).find("Nghỉ mắt"), std::string::npos) << "UTF-8 for people to read";
    EXPECT_EQ(log.str(), "");
}

TEST_F(SettingsFile, ValuesOfOtherTypesReadAsAbsentAndAreKeptInPlace) {
    const std::string others = R"("null": null, "object": {"a": 1}, "fraction": 1.5, "whole": 2.0,
        "mixed": ["a", 1], "nested": [["a"]], "tooLarge": 9223372036854775808)";
    writeSettings("{" + others + R"(, "kept": 1})");
    auto store = open();
    const auto unknown = Json::parse("{" + others + "}");
    for (const auto& [key, ignored] : unknown.items())
        EXPECT_EQ(store.value(key), std::nullopt) << key;
    store.setValue("kept", integer(2));
    EXPECT_EQ(saved(), Json::parse("{" + others + R"(, "kept": 2})"));
}

class BrokenFile : public SettingsFile, public testing::WithParamInterface<std::string> {};

TEST_P(BrokenFile, IsMovedAsideIntactAndTheStoreStartsEmpty) {
    writeLongAgo(GetParam());
    auto store = open();
    EXPECT_EQ(store.value("a"), std::nullopt);
    store.setValue("a", SettingValue{true});
    EXPECT_EQ(saved(), Json::parse(R"({"a": true})"));
    EXPECT_TRUE(log.str().starts_with("lumio: settings file " + file.string() + " is unusable"));
    EXPECT_TRUE(std::regex_search(log.str(), std::regex(R"(unusable \((parse error|nested deeper)"
                                                        R"(|expected a JSON object|larger than))")))
        << log.str();
    EXPECT_EQ(logLines(), 1);
    writeLongAgo(GetParam()); // again, within the same second
    open();
    const auto aside = namesIn(folder, ASIDE_NAME);
    ASSERT_EQ(aside.size(), 2u) << "none replaces an earlier one";
    EXPECT_GE(namesIn(folder, std::regex(R"(settings\.json\.corrupt-\d{8}-\d{6})")).size(), 1u)
        << "the first of a second takes no number";
    for (const auto& name : aside)
        EXPECT_EQ(readText(folder / name), GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    , BrokenFile,
    testing::Values("volume = loud\n", R"({"a": true, "s": ["c", )", "", R"(["a", "b"])",
                    R"({"a": false} })", "{\"a\": \"\xff\"}",
                    R"({"a": )" + std::string(50'000, '[') + std::string(50'000, ']') + "}",
                    R"({"a": )" + std::string(64, '[') + std::string(64, ']') + "}",
                    R"({"a": ")" + std::string(1 << 20, 'x') + R"("})"));

class NotAFile : public SettingsFile,
                 public testing::WithParamInterface<std::function<void(const fs::path&)>> {};

// Reading one of these would hang, never end, or fail; replacing it would lose what it is.
TEST_P(NotAFile, IsNeitherReadNorReplacedAndMentionedOnce) {
    fs::create_directories(folder);
    GetParam()(file);
    const auto type = fs::symlink_status(file).type();
    auto store = open();
    EXPECT_EQ(logLines(), 1) << "said at once";
    EXPECT_FALSE(store.reloadIfChanged());
    store.setValue("a", SettingValue{true});
    EXPECT_EQ(store.value("a"), SettingValue{true});
    EXPECT_EQ(logLines(), 2);
    EXPECT_EQ(fs::symlink_status(file).type(), type);
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"settings.json"});
}

INSTANTIATE_TEST_SUITE_P(
    , NotAFile,
    testing::Values([](const fs::path& at) { fs::create_directory(at); },
                    [](const fs::path& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); },
                    [](const fs::path& at) {
                        // Where it may, a node of its own, which a faulty store cannot harm.
                        const auto zero = at.parent_path().parent_path() / "zero";
                        const bool own = ::mknod(zero.c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0;
                        fs::create_symlink(own ? zero : fs::path("/dev/zero"), at);
                    },
                    [](const fs::path& at) { fs::create_symlink(at.filename(), at); }));

TEST_F(SettingsFile, AChangeMadeOnAFullDiskIsKeptAndSavedLaterOnTopOfOtherChanges) {
    const std::vector<std::pair<std::function<void(std::optional<JsonSettingsStore>&)>, Json>>
        laterSaves = {{[](auto& store) { store->setValue("c", integer(3)); },
                       Json::parse(R"({"a": 1, "b": 2, "c": 3})")},
                      {[](auto& store) { EXPECT_FALSE(store->reloadIfChanged()); },
                       Json::parse(R"({"a": 1, "b": 2})")},
                      {[](auto& store) { store.reset(); }, Json::parse(R"({"a": 1, "b": 2})")}};
    for (const auto& [saveLater, expected] : laterSaves) {
        writeSettings(R"({"a": 1, "b": 1})");
        std::optional<JsonSettingsStore> store(std::in_place, file);
        // Every write fails as on a full disk; unlike permissions this also stops root.
        rlimit unlimited{};
        ::getrlimit(RLIMIT_FSIZE, &unlimited);
        const rlimit none{0, unlimited.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &none);
        store->setValue("b", integer(2));
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        EXPECT_EQ(readText(file), R"({"a": 1, "b": 1})");
        EXPECT_EQ(namesIn(folder), std::vector<std::string>{"settings.json"});
        EXPECT_EQ(log.str(), "lumio: cannot save settings to " + file.string() +
                                 ": cannot write the temporary file: File too large; keeping "
                                 "the change in memory\n");
        saveLater(store);
        EXPECT_EQ(saved(), expected);
        if (store) { // saved since: the same failure again is news
            ::setrlimit(RLIMIT_FSIZE, &none);
            store->setValue("d", integer(4));
            ::setrlimit(RLIMIT_FSIZE, &unlimited);
        }
        EXPECT_EQ(logLines(), store ? 2 : 1);
        log.clear();
    }
}

// The pretty form of a file that is large but within the limit may be beyond it.
TEST_F(SettingsFile, WhatIsSavedIsReadBackAndWhatCouldNotBeIsKeptInMemory) {
    Json large = {{"animals", Json::array()}, {"breaksToday", 4}, {"intervalMin", 45}};
    // Compact it fits within 1 MiB; indented, even by one space, it would not.
    for (int animal = 0; animal < 110'000; ++animal)
        large["animals"].push_back("mèo");
    writeSettings(large.dump());
    auto store = open();
    store.setValue("intervalMin", integer(30));
    EXPECT_EQ(open().value("intervalMin"), integer(30));
    EXPECT_EQ(open().value("breaksToday"), integer(4));
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"settings.json"});
    EXPECT_EQ(log.str(), "");

    const auto before = readText(file);
    store.setValue("note", SettingValue{std::string(1 << 19, 'x')});
    store.setValue("intervalMin", integer(20));
    EXPECT_TRUE(readText(file) == before) << "the file is left as it was";
    EXPECT_EQ(store.value("intervalMin"), integer(20));
    EXPECT_EQ(logLines(), 1);
    store.setValue("note", SettingValue{std::string("x")});
    EXPECT_EQ(open().value("intervalMin"), integer(20));
}

// Also when they land while a save is under way, just before its rename.
TEST_F(SettingsFile, AnotherWritersChangesAreSeenAndKept) {
    const std::vector<std::function<void()>> changes = {
        [&] { // as most programs save: a new file renamed over the old one
            writeText(root / "new", R"({"a": 2, "b": 2})");
            fs::rename(root / "new", file);
        },
        [&] {
            const auto modified = fs::last_write_time(file);
            writeText(file, R"({"a": 2, "b": 2})"); // same size, same time, same inode
            fs::last_write_time(file, modified);
        },
        [&] { JsonSettingsStore(file).setValue("b", integer(2)); }};
    for (const bool whileSaving : {false, true}) {
        for (const auto& change : changes) {
            writeSettings(R"({"a": 2, "b": 1})");
            bool changed = false;
            JsonSettingsStore store(file, [&] {
                if (whileSaving && !std::exchange(changed, true)) change();
            });
            if (!whileSaving) change();
            store.setValue("c", integer(3));
            EXPECT_EQ(saved(), Json::parse(R"({"a": 2, "b": 2, "c": 3})")) << whileSaving;
            EXPECT_EQ(store.value("b"), integer(2));
            EXPECT_TRUE(store.reloadIfChanged()) << "the change found while saving is reported";
            EXPECT_FALSE(store.reloadIfChanged());
        }
    }
    EXPECT_EQ(log.str(), "");
}

TEST_F(SettingsFile, ASaveOutrunByAnotherWriterEveryTimeGivesUpAndTriesAgainLater) {
    writeSettings(R"({"a": 0})");
    int replaced = 0;
    bool busy = true;
    JsonSettingsStore store(file, [&] {
        if (!busy) return;
        writeText(root / "new", R"({"a": )" + std::to_string(++replaced) + "}");
        fs::rename(root / "new", file);
    });
    store.setValue("b", integer(1));
    EXPECT_EQ(store.value("b"), integer(1));
    EXPECT_NE(log.str().find("kept changing"), std::string::npos) << log.str();
    busy = false;
    store.reloadIfChanged();
    EXPECT_EQ(saved(), Json::parse(R"({"a": )" + std::to_string(replaced) + R"(, "b": 1})"));
}

// An edit is worked out again on the values read once the file is readable.
TEST_F(SettingsFile, AnEditIsRedoneOnTheReadableFileAndNeitherCountedTwiceNorAHandEditRewritten) {
    fs::create_directories(file);
    auto store = open();
    store.update([](SettingsEditor& values) {
        const auto n = values.value("n");
        values.setValue("n", integer(n ? std::get<std::int64_t>(*n) + 1 : 1));
    });
    fs::remove(file);
    writeText(file, R"({"n": 4, "other": 1})");
    EXPECT_TRUE(store.reloadIfChanged());
    EXPECT_EQ(saved(), Json::parse(R"({"n": 5, "other": 1})")) << "saved at once";
    JsonSettingsStore(file).setValue("other", integer(2));
    store.setValue("c", integer(3));
    EXPECT_EQ(saved(), Json::parse(R"({"n": 5, "other": 2, "c": 3})"));
    const std::string byHand = R"({"n":   7})";
    writeText(file, byHand);
    EXPECT_TRUE(store.reloadIfChanged());
    EXPECT_EQ(readText(file), byHand) << "with nothing pending, nothing is saved";
    fs::remove(file);
    fs::create_directory(file);
    EXPECT_FALSE(store.reloadIfChanged()) << "a file turned unreadable changes nothing";
    EXPECT_EQ(store.value("n"), integer(7));
}

// An editor that saves in place empties the file first and may write it seconds later.
TEST_F(SettingsFile, AnEditorsInPlaceSaveIsWaitedForAndABrokenFileLeftThereMovedAside) {
    const auto writeAged = [&](std::string_view text, std::chrono::milliseconds age) {
        writeText(file, text);
        fs::last_write_time(file, fs::file_time_type::clock::now() - age);
    };
    writeSettings("");
    auto store = open();
    writeText(file, R"({"a": 1})");
    EXPECT_TRUE(store.reloadIfChanged()) << "a file being written at start-up is waited for";
    for (const auto& [halfway, age] :
         {std::pair{"", std::chrono::seconds(0)}, {R"({"a": )", std::chrono::seconds(8)}}) {
        writeAged(halfway, age);
        EXPECT_FALSE(store.reloadIfChanged());
        store.setValue("b", SettingValue{true});
        EXPECT_FALSE(store.reloadIfChanged());
        EXPECT_EQ(readText(file), halfway);
        EXPECT_EQ(store.value("a"), integer(1));
    }
    writeText(file, R"({"a": 2})");
    EXPECT_TRUE(store.reloadIfChanged());
    EXPECT_EQ(saved(), Json::parse(R"({"a": 2, "b": true})"));
    EXPECT_TRUE(namesIn(folder, ASIDE_NAME).empty());

    // Once the editor's time is up the change is saved, though nobody touched the file again.
    writeAged(R"({"a": )", std::chrono::seconds(10) - std::chrono::milliseconds(300));
    store.setValue("c", SettingValue{true});
    EXPECT_FALSE(store.reloadIfChanged()) << "the file as the store last saw it";
    EXPECT_EQ(readText(file), R"({"a": )");
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    store.reloadIfChanged();
    EXPECT_EQ(namesIn(folder, ASIDE_NAME).size(), 1u);
    EXPECT_EQ(saved(), Json::parse(R"({"a": 2, "b": true, "c": true})"));
}

TEST_F(SettingsFile, ALinkedFileIsWrittenThroughToItsTarget) {
    fs::create_directories(root / "dotfiles");
    fs::create_directories(folder);
    writeText(root / "dotfiles" / "lumio.json", R"({"a": 1})");
    fs::create_symlink("../dotfiles/lumio.json", file);
    auto store = open();
    store.setValue("b", integer(2));
    EXPECT_EQ(fs::read_symlink(file), "../dotfiles/lumio.json");
    EXPECT_EQ(saved(), Json::parse(R"({"a": 1, "b": 2})"));
    EXPECT_FALSE(store.reloadIfChanged());
    EXPECT_EQ(log.str(), "");
}

TEST_F(SettingsFile, ASaveKilledBeforeTheRenameLeavesTheOldFileAndItsLeftoverIsCleanedLater) {
    writeSettings(R"({"a": 1})");
    EXPECT_EXIT(JsonSettingsStore(file, [] { ::raise(SIGKILL); }).setValue("a", integer(2)),
                testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(readText(file), R"({"a": 1})");
    const auto strays = namesIn(folder, std::regex(R"(settings\.json\.tmp.{6})"));
    ASSERT_EQ(strays.size(), 1u);
    EXPECT_EQ(Json::parse(readText(folder / strays[0])), Json::parse(R"({"a": 2})"));

    EXPECT_EQ(open().value("a"), integer(1));
    EXPECT_EQ(namesIn(folder).size(), 2u) << "a young leftover may be another copy's save";
    writeText(folder / "settings.json.tmp.txt", "{");
    for (const auto& name : {strays[0], std::string("settings.json.tmp.txt")})
        fs::last_write_time(folder / name,
                            fs::file_time_type::clock::now() - std::chrono::seconds(90));
    open();
    EXPECT_EQ(namesIn(folder),
              (std::vector<std::string>{"settings.json", "settings.json.tmp.txt"}));
    EXPECT_EQ(log.str(), "");
}

} // namespace
} // namespace lumio
