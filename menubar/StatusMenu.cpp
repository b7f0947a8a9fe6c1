#include "menubar/StatusMenu.h"

#include "ports/Animals.h"
#include "ports/PlatformTexts.h"

#include <algorithm>
#include <array>

namespace lumio {

namespace {

constexpr std::array<std::int64_t, 7> INTERVAL_CHOICES{10, 15, 20, 25, 30, 45, 60};
constexpr int ICON_SIZE = 18;

} // namespace

StatusMenu::StatusMenu(Platform& platform, Prefs& prefs, const Schedule& schedule,
                       MenuCommands commands)
    : platform(platform), prefs(prefs), schedule(schedule), commands(std::move(commands)) {}

MenuItem& StatusMenu::newItem(std::string id, std::string title, std::function<void()> action) {
    auto& item = items.emplace_back();
    item.id = std::move(id);
    item.title = std::move(title);
    item.action = std::move(action);
    return item;
}

void StatusMenu::separator() {
    auto& line = items.emplace_back();
    line.separator = true;
    menu.items.push_back(&line);
}

MenuItem& StatusMenu::choices(std::string id, std::string title, const std::string& prefix,
                              const Choices& options, std::function<std::int64_t()> current,
                              std::function<void(std::int64_t)> set) {
    auto& sub = submenus.emplace_back();
    for (const auto& [value, label] : options) {
        auto& item = newItem(prefix + std::to_string(value), label, [this, set, value] {
            set(value);
            refreshMenu();
        });
        item.toggle = Toggle::Radio;
        checks.emplace_back(&item, [current, value] { return current() == value; });
        sub.items.push_back(&item);
    }
    auto& opener = newItem(std::move(id), std::move(title));
    opener.submenu = &sub;
    return opener;
}

MenuItem& StatusMenu::toggle(std::string id, std::string title, std::function<bool()> get,
                             std::function<void(bool)> set) {
    auto& item = newItem(std::move(id), std::move(title), [this, get, set] {
        set(!get());
        refreshMenu();
    });
    item.toggle = Toggle::Check;
    checks.emplace_back(&item, get);
    return item;
}

void StatusMenu::buildStatusItem() {
    platform.tray.setIcon("menubar", ICON_SIZE);
    platform.tray.setToolTip("Lumio – Nhắc nghỉ mắt");
    addStatus();
    separator();
    addCommands();
    separator();
    addSettings();
    append(animalChoices());
    separator();
    addProgramItems();

    built = true;
    platform.tray.setMenu(menu, *this);
    refreshMenu();
}

void StatusMenu::append(MenuItem& item) {
    menu.items.push_back(&item);
}

void StatusMenu::addStatus() {
    nextItem = &newItem("next", "");
    todayItem = &newItem("today", "");
    nextItem->enabled = false;
    todayItem->enabled = false;
    append(*nextItem);
    append(*todayItem);
}

void StatusMenu::addCommands() {
    append(newItem("break-now", "Nghỉ mắt ngay", commands.breakNow));
    pauseItem = &newItem("pause", "", commands.togglePause);
    append(*pauseItem);
    enabledItem = &newItem("enabled", "Bật nhắc nhở", commands.toggleEnabled);
    enabledItem->toggle = Toggle::Check;
    append(*enabledItem);
}

void StatusMenu::addSettings() {
    Choices intervals;
    for (const auto minutes : INTERVAL_CHOICES)
        intervals.emplace_back(minutes, std::to_string(minutes) + " phút");
    append(choices(
        "interval", "Nhắc mỗi", "interval-", intervals, [this] { return prefs.intervalMin(); },
        [this](std::int64_t v) {
            prefs.setIntervalMin(v);
            commands.restart();
        }));
    append(choices(
        "break-length", "Thời gian nghỉ", "break-",
        {{20, "20 giây"}, {30, "30 giây"}, {45, "45 giây"}, {60, "1 phút"}},
        [this] { return prefs.breakSec(); }, [this](std::int64_t v) { prefs.setBreakSec(v); }));
    append(toggle(
        "dim", "Làm mờ nền khi nhắc", [this] { return prefs.dim(); },
        [this](bool on) { prefs.setDim(on); }));
    append(toggle(
        "sound", "Âm báo nhẹ", [this] { return prefs.sound(); },
        [this](bool on) {
            prefs.setSound(on);
            if (on) commands.previewChime();
        }));
    append(toggle(
        "idle-reset", "Rời máy ≥5 phút thì đếm lại", [this] { return prefs.idleReset(); },
        [this](bool on) { prefs.setIdleReset(on); }));
}

MenuItem& StatusMenu::animalChoices() {
    auto& animals = submenus.emplace_back();
    for (const auto& animal : ANIMALS) {
        const std::string id(animal.id);
        animals.items.push_back(&toggle(
            "animal-" + id, std::string(animal.name),
            [this, id] {
                const auto list = prefs.animals();
                return std::ranges::find(list, id) != list.end();
            },
            [this, id](bool on) {
                auto list = prefs.animals();
                std::erase(list, id);
                if (on) {
                    list.push_back(id);
                } else if (list.empty()) {
                    return; // the last animal stays on
                }
                prefs.setAnimals(std::move(list));
            }));
    }
    auto& opener = newItem("animals", "Các bạn thú");
    opener.submenu = &animals;
    return opener;
}

void StatusMenu::addProgramItems() {
    append(toggle(
        "launch-at-login", texts::LAUNCH_AT_LOGIN,
        [this] { return platform.autostart.isInstalled(); },
        [this](bool on) { commands.setLaunchAtLogin(on); }));
    auto& quitItem = newItem("quit", "Thoát Lumio", commands.quit);
    // Moved in: GCC 12 at -O3 sees a bogus overlap in copying the literal.
    quitItem.shortcut = std::string("Ctrl+Q");
    append(quitItem);
}

} // namespace lumio
