#include "desktop/system/XdgAutostart.h"

#include "support/TempDir.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <unistd.h>

namespace lumio {
namespace {

namespace fs = std::filesystem;
using test::readText;
using test::writeText;

// What GLib, which starts autostart entries on many desktops, makes of the entry: its comment,
// and whether launching it worked.
QJsonObject launchWithGLib(const fs::path& entry) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral(R"(
import json, sys
from gi.repository import Gio
info = Gio.DesktopAppInfo.new_from_filename(sys.argv[1])
print(json.dumps({"comment": info and info.get_description(),
                  "launched": bool(info and info.launch([], None))}))
)"),
                                                      QString::fromStdString(entry.string())});
    python.waitForFinished(10000);
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

class XdgAutostartTest : public testing::Test {
  protected:
    const test::TempDir root;
    const fs::path autostart = root / "config" / "autostart";
    const fs::path entry = autostart / "lumio.desktop";
};

TEST_F(XdgAutostartTest, InstallWritesAnEntryGLibStartsEvenWhereThePathNeedsQuoting) {
    const fs::path program = root / "Ứng dụng (thử)" / R"(it's $HOME "q" `x` back\slash)" / "lumio";
    fs::create_directories(program.parent_path());
    writeText(program, "#!/bin/sh\nprintf '%s' \"$0\" > \"$LUMIO_STARTED\"\n");
    fs::permissions(program, fs::perms::owner_all);
    const test::ScopedEnv started("LUMIO_STARTED", (root / "started").c_str());

    XdgAutostart item(program, autostart);
    ASSERT_EQ(item.install(), std::nullopt);
    EXPECT_EQ(fs::status(entry).permissions(), static_cast<fs::perms>(0644));
    EXPECT_EQ(std::distance(fs::directory_iterator(autostart), fs::directory_iterator()), 1);
    const QJsonObject glib = launchWithGLib(entry);
    EXPECT_EQ(glib[QStringLiteral("comment")].toString(), QStringLiteral("Nhắc nghỉ mắt"));
    ASSERT_TRUE(glib[QStringLiteral("launched")].toBool()) << readText(entry);
    // GLib starts the program in the background.
    for (int i = 0; i < 100 && readText(root / "started") != program.string(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(readText(root / "started"), program.string());

    ASSERT_EQ(XdgAutostart(root / "100% bin" / "lumio", autostart).install(), std::nullopt);
    EXPECT_NE(readText(entry).find("\"" + (root / "100%% bin").string()), std::string::npos)
        << "a percent sign is no field code";
}

TEST_F(XdgAutostartTest, WhatCountsAsInstalledAndWhatRemoveTakes) {
    XdgAutostart item(root / "bin" / "lumio", autostart);
    ASSERT_EQ(item.install(), std::nullopt);
    const std::string ours = readText(entry);
    const struct {
        std::string text;
        bool installed;
        bool removed;
    } cases[] = {
        {ours + "Hidden=TRUE\n", false, true},
        {ours + "X-GNOME-Autostart-enabled = False\n", false, true}, // the last one counts
        {ours + "\n[Desktop Action quiet]\nExec=/bin/true\nHidden=true\n", true, true},
        {"[Desktop Entry]\nType=Application\nExec=/usr/bin/lumio\n", true, true},
        {"[Desktop Entry]\nExec=lumio --quiet\n", true, true},
        {"[Desktop Entry]\nExec=\"/opt/Lumio App/lumio\" --quiet\n", true, true},
        {std::string("[Desktop Entry]\nExec=") + R"("/opt/a \\"b\\"/lumio")", true, true},
        {"[Desktop Entry]\nName=Lumio\n", false, true}, // no Exec: a damaged one of ours
        {"[Desktop Entry]\nExec=/home/u/bin/start-lumio.sh\n", false, false}, // the user's own
    };
    for (const auto& c : cases) {
        writeText(entry, c.text);
        writeText(autostart / "other.desktop", "[Desktop Entry]\nExec=/bin/true\n");
        EXPECT_EQ(item.isInstalled(), c.installed) << c.text;
        EXPECT_EQ(item.remove(), std::nullopt);
        EXPECT_EQ(fs::exists(entry), !c.removed) << c.text;
        EXPECT_TRUE(fs::exists(autostart / "other.desktop"));
        EXPECT_EQ(item.remove(), std::nullopt) << "removing what is gone succeeds";
        ASSERT_EQ(item.install(), std::nullopt);
        EXPECT_TRUE(item.isInstalled()) << "install turns it back on";
    }
}

TEST_F(XdgAutostartTest, FailuresReportTheSystemsError) {
    fs::create_directories(autostart.parent_path());
    writeText(autostart, "a file where the folder should be");
    for (const auto& dir : {autostart, autostart / "deeper"}) {
        const auto error = XdgAutostart(root / "lumio", dir).install();
        EXPECT_NE(error.value_or("").find("Not a directory"), std::string::npos) << dir;
    }
    fs::remove(autostart);
    fs::create_directories(entry / "inside");
    XdgAutostart item(root / "lumio", autostart);
    EXPECT_FALSE(item.isInstalled());
    EXPECT_NE(item.remove().value_or("").find("Is a directory"), std::string::npos);
    if (::geteuid() == 0) return; // permissions do not bind root
    fs::remove_all(entry);
    ASSERT_EQ(item.install(), std::nullopt);
    fs::permissions(autostart, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_NE(item.remove().value_or("").find("Permission denied"), std::string::npos);
    EXPECT_NE(item.install().value_or("").find("Permission denied"), std::string::npos);
    EXPECT_TRUE(item.isInstalled());
}

} // namespace
} // namespace lumio
