#include "prefs/JsonSettingsStore.h"

#include "fakes/FakeDesktop.h"
#include "prefs/Prefs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace lumio {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

const std::regex ASIDE_NAME(R"(settings\.json\.corrupt-\d{8}-\d{6}(-\d+)?)");
const std::regex TEMP_NAME(R"(settings\.json\.tmp.*)");

SettingValue integer(std::int64_t number) {
    return SettingValue{number};
}
SettingValue text(const char* characters) {
    return SettingValue{std::string(characters)};
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Rewrites the file in place, keeping its inode, as some editors do.
void writeText(const fs::path& path, std::string_view contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

// Replaces the file the way most editors and programs do: a new file renamed over it.
void replaceText(const fs::path& path, std::string_view contents) {
    const fs::path temporary = path.string() + ".editing";
    writeText(temporary, contents);
    fs::rename(temporary, path);
}

unsigned modeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777u;
}

ino_t inodeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_ino;
}

std::vector<std::string> namesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<fs::path> filesMatching(const fs::path& dir, const std::regex& name) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(dir))
        if (std::regex_match(entry.path().filename().string(), name)) found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}

std::size_t lineCount(const std::string& lines) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '\n'));
}

bool canCreateFileIn(const fs::path& dir) {
    const fs::path probe = dir / "probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    fs::remove(probe);
    return true;
}

// Valid JSON, but nested deeper than any settings file needs.
std::string deeplyNested() {
    constexpr std::size_t DEPTH = 50'000;
    return R"({"a": )" + std::string(DEPTH, '[') + std::string(DEPTH, ']') + "}";
}

std::string largerThanOneMebibyte() {
    return R"({"a": ")" + std::string(std::size_t{1} << 20, 'x') + R"("})";
}

std::string localTimestamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    std::array<char, 32> formatted{};
    std::strftime(formatted.data(), formatted.size(), "%Y%m%d-%H%M%S", &local);
    return formatted.data();
}

// Makes every write to a file fail as on a full disk while it lives; unlike permissions this
// also stops root.
class FullDisk {
  public:
    FullDisk() {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit none = saved_;
        none.rlim_cur = 0;
        ::setrlimit(RLIMIT_FSIZE, &none);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FullDisk() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

  private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

// Sets (or, given nullptr, unsets) an environment variable and restores it afterwards.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, const char* newValue) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) saved_ = old;
        apply(newValue);
    }
    ~ScopedEnv() { apply(saved_ ? saved_->c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    void apply(const char* newValue) const {
        if (newValue)
            ::setenv(name_.c_str(), newValue, 1);
        else
            ::unsetenv(name_.c_str());
    }

    std::string name_;
    std::optional<std::string> saved_;
};

// Every test gets a fresh folder tree; the settings folder itself does not exist yet.
class SettingsFileFixture : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "lumio-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        folder = root / "lumio";
        file = folder / "settings.json";
    }

    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(root, ignored);
    }

    JsonSettingsStore open() { return JsonSettingsStore(file, log); }

    void writeSettings(std::string_view contents) {
        fs::create_directories(folder);
        writeText(file, contents);
    }

    Json savedJson() const { return Json::parse(readText(file)); }

    fs::path root;
    fs::path folder;
    fs::path file;
    std::ostringstream log;
};

class JsonSettingsStoreValues : public SettingsFileFixture {};

TEST_F(JsonSettingsStoreValues, EveryTypeSurvivesARoundTripThroughTheFile) {
    const std::vector<std::pair<std::string, SettingValue>> values = {
        {"on", SettingValue{true}},
        {"off", SettingValue{false}},
        {"count", integer(42)},
        {"negative", integer(-7)},
        {"largest", integer(std::numeric_limits<std::int64_t>::max())},
        {"smallest", integer(std::numeric_limits<std::int64_t>::min())},
        {"greeting", text("Nghỉ mắt 20 giây nhé 👀")},
        {"blank", text("")},
        {"sounds", SettingValue{std::vector<std::string>{"chim hót", "suối"}}},
        {"none", SettingValue{std::vector<std::string>{}}},
    };
    {
        auto store = open();
        for (const auto& [key, stored] : values)
            store.setValue(key, stored);
    }
    const auto reopened = open();
    for (const auto& [key, stored] : values)
        EXPECT_EQ(reopened.value(key), stored) << key;
    EXPECT_EQ(log.str(), "");
}

TEST_F(JsonSettingsStoreValues, AChangeReplacesAValueOfAnotherType) {
    auto store = open();
    store.setValue("volume", text("loud"));
    store.setValue("volume", integer(3));
    EXPECT_EQ(store.value("volume"), integer(3));
    EXPECT_EQ(open().value("volume"), integer(3));
}

TEST_F(JsonSettingsStoreValues, ValuesOfOtherTypesReadAsAbsent) {
    writeSettings(R"({
        "nothing": null, "object": {"a": 1}, "fraction": 1.5, "wholeFloat": 2.0,
        "exponent": 1e3, "mixed": ["a", 1], "nested": [["a"]], "justAbove": 9223372036854775808,
        "huge": 18446744073709551615, "enormous": 1e30,
        "max": 9223372036854775807, "min": -9223372036854775808})");
    const auto store = open();
    for (const char* key : {"nothing", "object", "fraction", "wholeFloat", "exponent", "mixed",
                            "nested", "justAbove", "huge", "enormous", "absent"})
        EXPECT_EQ(store.value(key), std::nullopt) << key;
    EXPECT_EQ(store.value("max"), integer(std::numeric_limits<std::int64_t>::max()));
    EXPECT_EQ(store.value("min"), integer(std::numeric_limits<std::int64_t>::min()));
    EXPECT_EQ(log.str(), "");
}

TEST_F(JsonSettingsStoreValues, UnknownKeysAndOtherValuesAreKeptInOrderOnSave) {
    writeSettings(R"({"zeta": {"nested": [1, null]}, "ratio": 0.25, "nothing": null,
                      "mixed": ["a", 1], "known": 1, "huge": 18446744073709551615})");
    auto store = open();
    store.setValue("known", integer(2));
    store.setValue("added", SettingValue{true});
    EXPECT_EQ(savedJson(), Json::parse(R"({"zeta": {"nested": [1, null]}, "ratio": 0.25,
        "nothing": null, "mixed": ["a", 1], "known": 2, "huge": 18446744073709551615,
        "added": true})"));
}

class JsonSettingsStoreFile : public SettingsFileFixture {};

TEST_F(JsonSettingsStoreFile, NothingIsCreatedBeforeTheFirstChange) {
    const auto store = open();
    EXPECT_EQ(store.value("a"), std::nullopt);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(log.str(), "");
}

TEST_F(JsonSettingsStoreFile, CreatesAnOwnerOnlyFolderAndFile) {
    auto store = open();
    store.setValue("a", SettingValue{true});
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(file), 0600u);
}

TEST_F(JsonSettingsStoreFile, SavingMakesAnExistingFileOwnerOnly) {
    writeSettings("{}");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    auto store = open();
    store.setValue("a", SettingValue{true});
    EXPECT_EQ(modeOf(file), 0600u);
}

TEST_F(JsonSettingsStoreFile, WritesIndentedUtf8WithATrailingNewline) {
    auto store = open();
    store.setValue("greeting", text("Nghỉ mắt"));
    store.setValue("sounds", SettingValue{std::vector<std::string>{"chim"}});
    EXPECT_EQ(readText(file),
              "{\n  \"greeting\": \"Nghỉ mắt\",\n  \"sounds\": [\n    \"chim\"\n  ]\n}\n");
}

TEST_F(JsonSettingsStoreFile, LeavesOnlyTheSettingsFileBehind) {
    auto store = open();
    for (std::int64_t round = 0; round < 5; ++round)
        store.setValue("round", integer(round));
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"settings.json"});
}

struct BadFile {
    std::string name;
    std::string contents;
};

class JsonSettingsStoreCorrupt : public SettingsFileFixture,
                                 public testing::WithParamInterface<BadFile> {};

TEST_P(JsonSettingsStoreCorrupt, IsMovedAsideIntactAndTheStoreStartsEmpty) {
    writeSettings(GetParam().contents);
    auto store = open();
    EXPECT_EQ(store.value("a"), std::nullopt);
    EXPECT_FALSE(fs::exists(file));
    const auto aside = filesMatching(folder, ASIDE_NAME);
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(readText(aside[0]), GetParam().contents);
    EXPECT_EQ(lineCount(log.str()), 1u);
    EXPECT_TRUE(log.str().starts_with("lumio: ")) << log.str();
    EXPECT_NE(log.str().find(aside[0].string()), std::string::npos) << log.str();

    store.setValue("a", SettingValue{true});
    EXPECT_EQ(readText(aside[0]), GetParam().contents);
    EXPECT_EQ(savedJson(), Json::parse(R"({"a": true})"));
}

INSTANTIATE_TEST_SUITE_P(
    , JsonSettingsStoreCorrupt,
    testing::Values(BadFile{"Garbage", "volume = loud\n"},
                    BadFile{"Truncated", R"({"a": true, "sounds": ["chim", )"},
                    BadFile{"Empty", ""}, BadFile{"TopLevelArray", R"(["a", "b"])"},
                    BadFile{"TopLevelString", R"("a")"},
                    BadFile{"TrailingGarbage", R"({"a": false} })"},
                    BadFile{"InvalidUtf8", "{\"a\": \"\xff\"}"}, BadFile{"TooDeep", deeplyNested()},
                    BadFile{"TooLarge", largerThanOneMebibyte()}),
    [](const testing::TestParamInfo<BadFile>& named) { return named.param.name; });

class JsonSettingsStoreAside : public SettingsFileFixture {};

TEST_F(JsonSettingsStoreAside, ATakenNameGetsTheNextFreeNumber) {
    writeSettings("broken");
    // Occupy the plain and first numbered name for every second the store could pick.
    const auto now = std::chrono::system_clock::now();
    for (int second = -1; second < 5; ++second) {
        const std::string dated =
            "settings.json.corrupt-" + localTimestamp(now + std::chrono::seconds(second));
        writeText(folder / dated, "older");
        writeText(folder / (dated + "-1"), "older");
    }
    const auto store = open();
    const auto numbered =
        filesMatching(folder, std::regex(R"(settings\.json\.corrupt-\d{8}-\d{6}-2)"));
    ASSERT_EQ(numbered.size(), 1u);
    EXPECT_EQ(readText(numbered[0]), "broken");
    for (const auto& aside : filesMatching(folder, ASIDE_NAME)) {
        if (aside != numbered[0]) {
            EXPECT_EQ(readText(aside), "older") << aside;
        }
    }
}

struct NotAFile {
    std::string name;
    std::function<void(const fs::path&)> make;
};

class JsonSettingsStoreNotAFile : public SettingsFileFixture,
                                  public testing::WithParamInterface<NotAFile> {};

// Reading one of these would hang, never end, or fail; replacing it would lose what it is.
TEST_P(JsonSettingsStoreNotAFile, IsNeitherReadNorReplacedAndMentionedOnce) {
    fs::create_directories(folder);
    GetParam().make(file);
    struct stat before {};
    ASSERT_EQ(::lstat(file.c_str(), &before), 0);

    auto store = open();
    EXPECT_EQ(store.value("a"), std::nullopt);
    EXPECT_EQ(lineCount(log.str()), 1u);
    EXPECT_NE(log.str().find("not a regular file"), std::string::npos) << log.str();
    EXPECT_FALSE(store.reloadIfChanged());
    EXPECT_EQ(lineCount(log.str()), 1u);

    store.setValue("a", SettingValue{true});
    EXPECT_EQ(store.value("a"), SettingValue{true});
    EXPECT_EQ(lineCount(log.str()), 2u);
    struct stat after {};
    ASSERT_EQ(::lstat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"settings.json"});
}

INSTANTIATE_TEST_SUITE_P(
    , JsonSettingsStoreNotAFile,
    testing::Values(
        NotAFile{"Folder", [](const fs::path& at) { fs::create_directory(at); }},
        NotAFile{"Fifo", [](const fs::path& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); }},
        NotAFile{"LinkToDevZero", [](const fs::path& at) { fs::create_symlink("/dev/zero", at); }},
        NotAFile{"LinkToDevUrandom",
                 [](const fs::path& at) { fs::create_symlink("/dev/urandom", at); }}),
    [](const testing::TestParamInfo<NotAFile>& named) { return named.param.name; });

class JsonSettingsStoreSaveFailure : public SettingsFileFixture {
  protected:
    // Permissions stop ordinary users; root ignores them, so there the folder is parked and a
    // regular file takes its name.
    void blockFolder() {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        if (!canCreateFileIn(folder)) return;
        fs::permissions(folder, fs::perms::owner_all);
        fs::rename(folder, parked());
        writeText(folder, "");
    }

    void unblockFolder() {
        if (!fs::exists(parked())) {
            fs::permissions(folder, fs::perms::owner_all);
            return;
        }
        fs::remove(folder);
        fs::rename(parked(), folder);
    }

    fs::path parked() const { return root / "parked"; }
};

TEST_F(JsonSettingsStoreSaveFailure, UnwritableFolderKeepsTheChangeUntilItCanBeSaved) {
    writeSettings(R"({"a": 1})");
    auto store = open();
    blockFolder();
    store.setValue("b", integer(2));
    EXPECT_EQ(store.value("b"), integer(2));
    EXPECT_EQ(lineCount(log.str()), 1u);
    EXPECT_TRUE(log.str().starts_with("lumio: cannot save settings to " + file.string() + ": "))
        << log.str();

    unblockFolder();
    EXPECT_EQ(readText(file), R"({"a": 1})");
    store.setValue("c", integer(3));
    EXPECT_EQ(savedJson(), Json::parse(R"({"a": 1, "b": 2, "c": 3})"));
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"settings.json"});
    EXPECT_EQ(lineCount(log.str()), 1u);
}

TEST_F(JsonSettingsStoreSaveFailure, FullDiskLeavesTheOldFileAndNoTemporaryFile) {
    writeSettings(R"({"a": 1})");
    auto store = open();
    {
        const FullDisk full;
        store.setValue("b", integer(2));
    }
    EXPECT_EQ(readText(file), R"({"a": 1})");
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"settings.json"});
    EXPECT_EQ(store.value("b"), integer(2));
    EXPECT_EQ(lineCount(log.str()), 1u);

    store.setValue("c", integer(3));
    EXPECT_EQ(savedJson(), Json::parse(R"({"a": 1, "b": 2, "c": 3})"));
}

TEST_F(JsonSettingsStoreSaveFailure, UnsavedChangeStaysOnTopOfReloadedValues) {
    writeSettings(R"({"a": 1, "b": 1})");
    auto store = open();
    {
        const FullDisk full;
        store.setValue("b", integer(2));
    }
    replaceText(file, R"({"a": 10, "b": 10, "c": 10})");
    EXPECT_TRUE(store.reloadIfChanged());
    EXPECT_EQ(store.value("a"), integer(10));
    EXPECT_EQ(store.value("b"), integer(2));
    EXPECT_EQ(store.value("c"), integer(10));

    store.setValue("d", SettingValue{true});
    EXPECT_EQ(savedJson(), Json::parse(R"({"a": 10, "b": 2, "c": 10, "d": true})"));
}

class JsonSettingsStoreReload : public SettingsFileFixture {};

TEST_F(JsonSettingsStoreReload, PicksUpAFileReplacedByRename) {
    writeSettings(R"({"a": 1})");
    auto store = open();
    EXPECT_FALSE(store.reloadIfChanged());
    replaceText(file, R"({"a": 2})");
    EXPECT_TRUE(store.reloadIfChanged());
    EXPECT_EQ(store.value("a"), integer(2));
    EXPECT_FALSE(store.reloadIfChanged());
}

TEST_F(JsonSettingsStoreReload, PicksUpAFileRewrittenInPlace) {
    writeSettings(R"({"a": 1})");
    auto store = open();
    const auto inode = inodeOf(file);
    writeText(file, R"({"a": 22, "b": "x"})");
    ASSERT_EQ(inodeOf(file), inode);
    EXPECT_TRUE(store.reloadIfChanged());
    EXPECT_EQ(store.value("a"), integer(22));
    EXPECT_EQ(store.value("b"), text("x"));
}

TEST_F(JsonSettingsStoreReload, SeesAnotherInstancesSave) {
    auto store = open();
    auto other = open();
    other.setValue("a", SettingValue{true});
    EXPECT_TRUE(store.reloadIfChanged());
    EXPECT_EQ(store.value("a"), SettingValue{true});
}

TEST_F(JsonSettingsStoreReload, DoesNotFireForOurOwnWrites) {
    auto store = open();
    store.setValue("a", integer(1));
    EXPECT_FALSE(store.reloadIfChanged());
    store.setValue("a", integer(2));
    store.setValue("b", integer(3));
    EXPECT_FALSE(store.reloadIfChanged());
}

TEST_F(JsonSettingsStoreReload, DeletedFileLeavesNoValues) {
    writeSettings(R"({"a": 1})");
    auto store = open();
    fs::remove(file);
    EXPECT_TRUE(store.reloadIfChanged());
    EXPECT_EQ(store.value("a"), std::nullopt);
}

TEST_F(JsonSettingsStoreReload, HalfWrittenEditKeepsTheValuesAndTheFile) {
    writeSettings(R"({"a": 1})");
    auto store = open();
    writeText(file, R"({"a": )");
    EXPECT_FALSE(store.reloadIfChanged());
    EXPECT_EQ(store.value("a"), integer(1));
    EXPECT_EQ(lineCount(log.str()), 1u);
    EXPECT_FALSE(store.reloadIfChanged());
    EXPECT_EQ(lineCount(log.str()), 1u);
    EXPECT_EQ(readText(file), R"({"a": )");
    EXPECT_TRUE(filesMatching(folder, ASIDE_NAME).empty());

    writeText(file, R"({"a": 3})");
    EXPECT_TRUE(store.reloadIfChanged());
    EXPECT_EQ(store.value("a"), integer(3));
}

TEST_F(JsonSettingsStoreReload, BrokenEditLeftThereIsMovedAsideByTheNextSave) {
    writeSettings(R"({"a": 1})");
    auto store = open();
    writeText(file, R"({"a": )");
    EXPECT_FALSE(store.reloadIfChanged());
    // Left like that: no editor is still writing it.
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::minutes(1));

    store.setValue("b", SettingValue{true});
    const auto aside = filesMatching(folder, ASIDE_NAME);
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(readText(aside[0]), R"({"a": )");
    EXPECT_EQ(savedJson(), Json::parse(R"({"a": 1, "b": true})"));
    EXPECT_EQ(lineCount(log.str()), 2u);
    EXPECT_NE(log.str().find(aside[0].string()), std::string::npos) << log.str();
}

class JsonSettingsStoreConcurrentEdit : public SettingsFileFixture {};

TEST_F(JsonSettingsStoreConcurrentEdit, AnotherProgramsChangeToAnotherKeyIsKept) {
    writeSettings(R"({"a": 1})");
    auto store = open();
    replaceText(file, R"({"a": 1, "b": 2})");
    store.setValue("c", integer(3));
    EXPECT_EQ(savedJson(), Json::parse(R"({"a": 1, "b": 2, "c": 3})"));
}

TEST_F(JsonSettingsStoreConcurrentEdit, KeptEvenWhenSizeAndTimeLookUnchanged) {
    writeSettings(R"({"a": 1, "b": 1})");
    const auto modified = fs::last_write_time(file);
    auto store = open();
    writeText(file, R"({"a": 1, "b": 7})");
    fs::last_write_time(file, modified);
    store.setValue("a", integer(5));
    EXPECT_EQ(savedJson(), Json::parse(R"({"a": 5, "b": 7})"));
}

TEST_F(JsonSettingsStoreConcurrentEdit, ChangeFoundWhileSavingIsReportedByTheNextReload) {
    writeSettings(R"({"a": 1})");
    auto store = open();
    replaceText(file, R"({"a": 1, "b": 2})");
    store.setValue("c", integer(3));
    EXPECT_EQ(store.value("b"), integer(2));
    EXPECT_TRUE(store.reloadIfChanged());
    EXPECT_FALSE(store.reloadIfChanged());
}

// An editor that saves in place empties the file first and writes it a moment later.
TEST_F(JsonSettingsStoreConcurrentEdit, ASaveDuringAnInPlaceSaveWaitsForIt) {
    writeSettings(R"({"a": 1})");
    auto store = open();
    for (const char* halfway : {"", R"({"a": )"}) {
        writeText(file, halfway);
        store.setValue("b", SettingValue{true});
        EXPECT_EQ(readText(file), halfway);
        EXPECT_TRUE(filesMatching(folder, ASIDE_NAME).empty());
        EXPECT_EQ(store.value("b"), SettingValue{true});
    }
    writeText(file, R"({"a": 2})");
    EXPECT_TRUE(store.reloadIfChanged());
    EXPECT_EQ(savedJson(), Json::parse(R"({"a": 2, "b": true})"));
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"settings.json"});
}

TEST_F(JsonSettingsStoreConcurrentEdit, ALinkedFileIsWrittenThroughToItsTarget) {
    const fs::path dotfiles = root / "dotfiles";
    fs::create_directories(dotfiles);
    fs::create_directories(folder);
    writeText(dotfiles / "lumio.json", R"({"a": 1})");
    fs::create_symlink("../dotfiles/lumio.json", file);

    auto store = open();
    store.setValue("b", integer(2));
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(fs::read_symlink(file), "../dotfiles/lumio.json");
    EXPECT_EQ(Json::parse(readText(dotfiles / "lumio.json")), Json::parse(R"({"a": 1, "b": 2})"));
    EXPECT_EQ(namesIn(dotfiles), std::vector<std::string>{"lumio.json"});
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"settings.json"});
    EXPECT_FALSE(store.reloadIfChanged());
    EXPECT_EQ(log.str(), "");
}

// A tally counted while the file could not be read adds to the one it holds once it can be.
TEST_F(JsonSettingsStoreConcurrentEdit, ATallyCountedBlindAddsToTheStoredOne) {
    fs::create_directories(file); // unreadable, even by root
    auto store = open();
    const fake::VirtualClock clock{1767600000.0};
    Prefs prefs(store, clock);
    prefs.registerDefaults();
    prefs.bump("done");
    prefs.setSound(true);

    fs::remove(file);
    const auto today = prefs.todayKey();
    writeText(file, R"({"statsDate": ")" + today + R"(", "stat.shown": 5, "stat.done": 4,
                        "stat.skipped": 1, "totalDone": 40, "dim": false})");
    EXPECT_TRUE(store.reloadIfChanged());
    EXPECT_EQ(prefs.stat("done"), 5);
    EXPECT_EQ(savedJson(), Json::parse(R"({"statsDate": ")" + today + R"(", "stat.shown": 5,
        "stat.done": 5, "stat.skipped": 1, "totalDone": 41, "dim": false, "sound": true})"));
}

class JsonSettingsStoreCrash : public SettingsFileFixture {};

TEST_F(JsonSettingsStoreCrash, KillBeforeRenameLeavesTheOldFileIntact) {
    const std::string original = "{\n  \"a\": 1\n}\n";
    writeSettings(original);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::ostringstream childLog;
        JsonSettingsStore doomed(file, childLog, [] { ::raise(SIGKILL); });
        doomed.setValue("a", integer(2));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;

    EXPECT_EQ(readText(file), original);
    const auto strays = filesMatching(folder, TEMP_NAME);
    ASSERT_EQ(strays.size(), 1u);
    EXPECT_EQ(Json::parse(readText(strays[0])), Json::parse(R"({"a": 2})"));

    auto store = open();
    EXPECT_EQ(store.value("a"), integer(1));
    store.setValue("b", SettingValue{true});
    EXPECT_EQ(savedJson(), Json::parse(R"({"a": 1, "b": true})"));
    EXPECT_EQ(log.str(), "");
}

TEST_F(JsonSettingsStoreCrash, LoadingRemovesOnlyOldLeftoverTemporaryFiles) {
    writeSettings(R"({"a": 1})");
    for (const char* name : {"settings.json.tmpOld123", "settings.json.tmpNew456", "notes.txt"})
        writeText(folder / name, "{");
    const auto longAgo = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    fs::last_write_time(folder / "settings.json.tmpOld123", longAgo);
    fs::last_write_time(folder / "notes.txt", longAgo);

    const auto store = open();
    EXPECT_EQ(namesIn(folder),
              (std::vector<std::string>{"notes.txt", "settings.json", "settings.json.tmpNew456"}));
    EXPECT_EQ(store.value("a"), integer(1));
}

TEST(JsonSettingsStoreDefaultPath, UsesXdgConfigHome) {
    const ScopedEnv xdg("XDG_CONFIG_HOME", "/srv/config");
    EXPECT_EQ(JsonSettingsStore::defaultPath(), fs::path("/srv/config/lumio/settings.json"));
}

TEST(JsonSettingsStoreDefaultPath, FallsBackToHomeWhenXdgConfigHomeIsUnusable) {
    const ScopedEnv home("HOME", "/home/lan");
    for (const char* xdg : {static_cast<const char*>(nullptr), "", "relative/config"}) {
        const ScopedEnv unusable("XDG_CONFIG_HOME", xdg);
        EXPECT_EQ(JsonSettingsStore::defaultPath(),
                  fs::path("/home/lan/.config/lumio/settings.json"))
            << (xdg ? xdg : "unset");
    }
}

} // namespace
} // namespace lumio
