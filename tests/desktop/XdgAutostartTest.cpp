#include "desktop/system/XdgAutostart.h"

#include "ServicesTestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace lumio {
namespace {

namespace fs = std::filesystem;
using test::EnvOverride;

std::string contentsOf(const fs::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write(const fs::path& file, const std::string& text) {
    std::ofstream(file) << text;
}

void append(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::app) << text;
}

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// What GLib, which starts autostart entries on many desktops, reads in the
// entry: its keys, whether it is a valid application, and (when asked) the
// result of launching it.
QJsonObject readWithGLib(const fs::path& entry, bool launch = false) {
    QProcess python;
    python.start(test::PYTHON, {QStringLiteral("-c"), QStringLiteral(R"(
import json, sys
from gi.repository import Gio, GLib
keys = GLib.KeyFile()
keys.load_from_file(sys.argv[1], GLib.KeyFileFlags.NONE)
info = Gio.DesktopAppInfo.new_from_filename(sys.argv[1])
print(json.dumps({
    "keys": {k: keys.get_string("Desktop Entry", k) for k in keys.get_keys("Desktop Entry")[0]},
    "valid": info is not None,
    "launched": bool(info and sys.argv[2] == "launch" and info.launch([], None)),
}))
)"),
                                QString::fromStdString(entry.string()),
                                launch ? QStringLiteral("launch") : QStringLiteral("read")});
    python.waitForFinished(10000);
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

fs::path makeTempDir() {
    std::string pattern = (fs::temp_directory_path() / "lumio-autostart-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::system_error(errno, std::generic_category());
    return pattern;
}

// A stand-in for the program that records the path it was started as.
void writeProgram(const fs::path& file) {
    fs::create_directories(file.parent_path());
    write(file, "#!/bin/sh\nprintf '%s' \"$0\" > \"$LUMIO_STARTED\"\n");
    fs::permissions(file, fs::perms::owner_all);
}

class XdgAutostartTest : public testing::Test {
  protected:
    void SetUp() override { writeProgram(program); }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(autostart, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(root, ignored);
    }

    const fs::path root = makeTempDir();
    const fs::path autostart = root / "config" / "autostart";
    const fs::path entry = autostart / "lumio.desktop";
    const fs::path program = root / "bin" / "lumio";
};

TEST_F(XdgAutostartTest, RegisteringWritesACompleteEntryAndCreatesTheFolder) {
    XdgAutostart item(program, autostart);
    EXPECT_EQ(item.registerItem(), std::nullopt);

    EXPECT_EQ(item.entryFile(), entry);
    EXPECT_EQ(namesIn(autostart), std::set<std::string>{"lumio.desktop"}) << "temp file left";
    struct stat info {};
    ASSERT_EQ(::stat(entry.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644U);

    const std::string text = contentsOf(entry);
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0U);
    EXPECT_NE(text.find("\nExec=" + program.string() + "\n"), std::string::npos) << text;

    const QJsonObject glib = readWithGLib(entry);
    ASSERT_TRUE(glib[QStringLiteral("valid")].toBool()) << text;
    const QJsonObject keys = glib[QStringLiteral("keys")].toObject();
    EXPECT_EQ(keys[QStringLiteral("Type")].toString(), QStringLiteral("Application"));
    EXPECT_EQ(keys[QStringLiteral("Name")].toString(), QStringLiteral("Lumio"));
    EXPECT_EQ(keys[QStringLiteral("Comment")].toString(), QStringLiteral("Nhắc nghỉ mắt"));
    EXPECT_EQ(keys[QStringLiteral("Icon")].toString(), QStringLiteral("lumio"));
    EXPECT_EQ(keys[QStringLiteral("Terminal")].toString(), QStringLiteral("false"));
    EXPECT_EQ(keys[QStringLiteral("X-GNOME-Autostart-enabled")].toString(), QStringLiteral("true"));
    EXPECT_FALSE(keys.contains(QStringLiteral("Hidden")));

    EXPECT_EQ(item.status(), LoginItemStatus::Enabled);
}

TEST_F(XdgAutostartTest, EntryPassesTheDesktopFileValidator) {
    XdgAutostart item(program, autostart);
    ASSERT_EQ(item.registerItem(), std::nullopt);

    QProcess validator;
    validator.start(QStringLiteral("desktop-file-validate"),
                    {QString::fromStdString(entry.string())});
    ASSERT_TRUE(validator.waitForFinished(10000)) << "desktop-file-validate is missing";
    EXPECT_EQ(validator.exitCode(), 0) << validator.readAll().toStdString();
}

TEST_F(XdgAutostartTest, EntryStartsAProgramWhosePathNeedsQuoting) {
    const fs::path odd = root / "Ứng dụng (thử)" / R"(it's $HOME "q" `x` back\slash)" / "lumio";
    const fs::path started = root / "started";
    writeProgram(odd);
    const EnvOverride startedFile("LUMIO_STARTED", QByteArray::fromStdString(started.string()));

    XdgAutostart item(odd, autostart);
    ASSERT_EQ(item.registerItem(), std::nullopt);
    ASSERT_TRUE(readWithGLib(entry, true)[QStringLiteral("launched")].toBool())
        << contentsOf(entry);

    EXPECT_TRUE(test::waitFor([&] { return contentsOf(started) == odd.string(); }))
        << contentsOf(started);
    EXPECT_EQ(item.status(), LoginItemStatus::Enabled);
}

TEST_F(XdgAutostartTest, APercentSignInThePathIsNotAFieldCode) {
    const fs::path percent = root / "100% bin" / "lumio";
    XdgAutostart item(percent, autostart);
    ASSERT_EQ(item.registerItem(), std::nullopt);
    EXPECT_NE(
        contentsOf(entry).find("\nExec=\"" + (root / "100%% bin" / "lumio").string() + "\"\n"),
        std::string::npos)
        << contentsOf(entry);
}

TEST_F(XdgAutostartTest, AnEntryTheUserTurnedOffIsNotEnabled) {
    // Hidden is added; the GNOME key is switched where it stands, as its tools do.
    const std::string enabled = "X-GNOME-Autostart-enabled=true\n";
    for (const std::string line : {"Hidden=true", "Hidden=TRUE", "X-GNOME-Autostart-enabled=false",
                                   "X-GNOME-Autostart-enabled = False"}) {
        XdgAutostart item(program, autostart);
        ASSERT_EQ(item.registerItem(), std::nullopt);
        std::string text = contentsOf(entry);
        if (line.starts_with("Hidden")) {
            text += line + "\n";
        } else {
            text.replace(text.find(enabled), enabled.size(), line + "\n");
        }
        write(entry, text);
        EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered) << text;

        EXPECT_EQ(item.registerItem(), std::nullopt);
        EXPECT_EQ(item.status(), LoginItemStatus::Enabled) << "registering turns it back on";
    }
}

TEST_F(XdgAutostartTest, ARepeatedKeyCountsAsItsLastValue) {
    XdgAutostart item(program, autostart);
    ASSERT_EQ(item.registerItem(), std::nullopt);
    append(entry, "X-GNOME-Autostart-enabled=false\n");
    EXPECT_EQ(readWithGLib(entry)[QStringLiteral("keys")]
                  .toObject()[QStringLiteral("X-GNOME-Autostart-enabled")]
                  .toString(),
              QStringLiteral("false"));
    EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered);
}

TEST_F(XdgAutostartTest, OnlyTheMainGroupCounts) {
    XdgAutostart item(program, autostart);
    ASSERT_EQ(item.registerItem(), std::nullopt);
    append(entry, "\n[Desktop Action quiet]\nName=Quiet\nExec=/bin/true\nHidden=true\n");
    EXPECT_EQ(item.status(), LoginItemStatus::Enabled);
}

TEST_F(XdgAutostartTest, StatusIsNotRegisteredWithoutAnEntry) {
    EXPECT_EQ(XdgAutostart(program, autostart).status(), LoginItemStatus::NotRegistered);
    fs::create_directories(entry);
    EXPECT_EQ(XdgAutostart(program, autostart).status(), LoginItemStatus::NotRegistered);
}

TEST_F(XdgAutostartTest, AnEntryRunningLumioWithoutOurMarkIsOurs) {
    fs::create_directories(autostart);
    XdgAutostart item(program, autostart);
    for (const std::string exec :
         {"/usr/bin/lumio", "lumio --quiet", R"("/opt/Lumio App/lumio" --quiet)",
          R"("/opt/a \\"b\\"/lumio")"}) {
        write(entry, "[Desktop Entry]\nType=Application\nName=Lumio\nExec=" + exec + "\n");
        EXPECT_EQ(item.status(), LoginItemStatus::Enabled) << exec;
    }
    EXPECT_EQ(item.unregisterItem(), std::nullopt);
    EXPECT_FALSE(fs::exists(entry));
}

TEST_F(XdgAutostartTest, SomeoneElsesEntryIsNeitherOursNorRemoved) {
    fs::create_directories(autostart);
    const std::string foreign =
        "[Desktop Entry]\nType=Application\nName=Wrapper\nExec=/home/u/bin/start-lumio.sh\n";
    write(entry, foreign);
    XdgAutostart item(program, autostart);

    EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered);
    EXPECT_EQ(item.unregisterItem(), std::nullopt);
    EXPECT_EQ(contentsOf(entry), foreign);
}

TEST_F(XdgAutostartTest, UnregisteringRemovesOnlyOurEntry) {
    XdgAutostart item(program, autostart);
    ASSERT_EQ(item.registerItem(), std::nullopt);
    write(autostart / "other.desktop", "[Desktop Entry]\nType=Application\nExec=/bin/true\n");

    EXPECT_EQ(item.unregisterItem(), std::nullopt);
    EXPECT_EQ(namesIn(autostart), std::set<std::string>{"other.desktop"});
    EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered);
    EXPECT_EQ(item.unregisterItem(), std::nullopt) << "nothing left to remove is success";
}

TEST_F(XdgAutostartTest, RegisteringWhereNoFolderCanBeMadeReportsTheSystemError) {
    fs::create_directories(autostart.parent_path());
    write(autostart, "a file where the folder should be\n");
    XdgAutostart item(program, autostart);
    const auto error = item.registerItem();
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("Not a directory"), std::string::npos) << *error;
    EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered);

    const auto nested = XdgAutostart(program, autostart / "deeper").registerItem();
    ASSERT_TRUE(nested.has_value());
    EXPECT_NE(nested->find("Not a directory"), std::string::npos) << *nested;
}

TEST_F(XdgAutostartTest, UnregisteringWhatCannotBeRemovedReportsTheSystemError) {
    fs::create_directories(entry / "inside");
    const auto error = XdgAutostart(program, autostart).unregisterItem();
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("Is a directory"), std::string::npos) << *error;
}

TEST_F(XdgAutostartTest, AReadOnlyFolderFailsWithPermissionDenied) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    XdgAutostart item(program, autostart);
    ASSERT_EQ(item.registerItem(), std::nullopt);
    fs::permissions(autostart, fs::perms::owner_read | fs::perms::owner_exec);

    const auto unregistering = item.unregisterItem();
    ASSERT_TRUE(unregistering.has_value());
    EXPECT_NE(unregistering->find("Permission denied"), std::string::npos) << *unregistering;
    EXPECT_EQ(item.status(), LoginItemStatus::Enabled);

    fs::permissions(autostart, fs::perms::owner_all);
    ASSERT_EQ(item.unregisterItem(), std::nullopt);
    fs::permissions(autostart, fs::perms::owner_read | fs::perms::owner_exec);
    const auto registering = item.registerItem();
    ASSERT_TRUE(registering.has_value());
    EXPECT_NE(registering->find("Permission denied"), std::string::npos) << *registering;
    EXPECT_EQ(item.status(), LoginItemStatus::NotRegistered);
}

TEST(XdgAutostartDefaultDir, FollowsXdgConfigHomeAndFallsBackToHome) {
    const EnvOverride home("HOME", QByteArrayLiteral("/home/someone"));
    {
        const EnvOverride config("XDG_CONFIG_HOME", QByteArrayLiteral("/srv/config"));
        EXPECT_EQ(XdgAutostart::defaultDir(), fs::path("/srv/config/autostart"));
    }
    {
        const EnvOverride config("XDG_CONFIG_HOME", QByteArrayLiteral("relative/config"));
        EXPECT_EQ(XdgAutostart::defaultDir(), fs::path("/home/someone/.config/autostart"));
    }
    const EnvOverride config("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(XdgAutostart::defaultDir(), fs::path("/home/someone/.config/autostart"));
}

} // namespace
} // namespace lumio
