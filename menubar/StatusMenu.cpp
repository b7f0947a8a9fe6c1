#include "app/App.h"

#include "app/Constants.h"
#include "app/PlatformTexts.h"

#include <algorithm>
#include <array>

namespace lumio {

namespace {

constexpr std::array<std::int64_t, 7> INTERVAL_CHOICES{10, 15, 20, 25, 30, 45, 60};
constexpr int ICON_SIZE = 18;

} // namespace

MenuItem& App::newItem(std::string title, std::function<void()> action) {
    auto& item = ownedItems.emplace_back();
    item.title = std::move(title);
    item.action = std::move(action);
    return item;
}

Menu& App::newMenu() {
    return ownedMenus.emplace_back();
}

MenuItem& App::submenu(std::string title, const Choices& choices,
                       std::function<std::int64_t()> current,
                       std::function<void(std::int64_t)> set) {
    auto& sub = newMenu();
    for (const auto& [label, value] : choices) {
        auto& item = newItem(label);
        item.toggle = Toggle::Radio;
        item.action = weakly([this, &item] { runAction(item); });
        checks[&item] = [current, value] { return current() == value; };
        actions[&item] = [set, value] { set(value); };
        sub.items.push_back(&item);
    }
    auto& opener = newItem(std::move(title));
    opener.submenu = &sub;
    return opener;
}

MenuItem& App::toggle(std::string title, std::function<bool()> get, std::function<void(bool)> set) {
    auto& item = newItem(std::move(title));
    item.toggle = Toggle::Check;
    item.action = weakly([this, &item] { runAction(item); });
    checks[&item] = get;
    actions[&item] = [get, set] { set(!get()); };
    return item;
}

void App::buildStatusItem() {
    statusItem = platform.statusBar.makeStatusItem();
    statusItem->setImage("menubar", ICON_SIZE);
    statusItem->setToolTip("Lumio – Nhắc nghỉ mắt");

    menu = &newMenu();
    auto add = [this](MenuItem& item) { menu->items.push_back(&item); };
    auto separator = [this, add] {
        auto& line = newItem("");
        line.separator = true;
        add(line);
    };

    nextItem.enabled = false;
    todayItem.enabled = false;
    enabledItem.toggle = Toggle::Check;
    add(nextItem);
    add(todayItem);
    separator();
    add(newItem("Nghỉ mắt ngay", weakly([this] { breakNow(); })));
    add(pauseItem);
    add(enabledItem);
    separator();

    Choices intervals;
    for (const auto minutes : INTERVAL_CHOICES) {
        intervals.emplace_back(std::to_string(minutes) + " phút", minutes);
    }
    add(submenu(
        "Nhắc mỗi", intervals, [this] { return prefs.intervalMin(); },
        weakly([this](std::int64_t v) {
            prefs.setIntervalMin(v);
            restart();
        })));
    add(submenu(
        "Thời gian nghỉ", {{"20 giây", 20}, {"30 giây", 30}, {"45 giây", 45}, {"1 phút", 60}},
        [this] { return prefs.breakSec(); }, [this](std::int64_t v) { prefs.setBreakSec(v); }));
    add(toggle(
        "Làm mờ nền khi nhắc", [this] { return prefs.dim(); },
        [this](bool on) { prefs.setDim(on); }));
    add(toggle(
        "Âm báo nhẹ", [this] { return prefs.sound(); },
        [this](bool on) {
            prefs.setSound(on);
            if (on) chime.play();
        }));
    add(toggle(
        "Rời máy ≥5 phút thì đếm lại", [this] { return prefs.idleReset(); },
        [this](bool on) { prefs.setIdleReset(on); }));

    auto& animals = newMenu();
    for (const auto& animal : ANIMALS) {
        const std::string id(animal.id);
        auto& item = toggle(
            std::string(animal.name),
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
            });
        animals.items.push_back(&item);
    }
    auto& animalsItem = newItem("Các bạn thú");
    animalsItem.submenu = &animals;
    add(animalsItem);
    separator();

    add(toggle(
        texts::LAUNCH_AT_LOGIN,
        [this] { return platform.loginItem.status() == LoginItemStatus::Enabled; },
        weakly([this](bool on) { setLaunchAtLogin(on); })));
    auto& quitItem = newItem("Thoát Lumio", weakly([this] { quit(); }));
    // Moved in: GCC 12 at -O3 sees a bogus overlap in copying the literal.
    quitItem.keyEquivalent = std::string("q");
    add(quitItem);

    statusItem->setMenu(*menu, *this);
    refreshMenu();
}

void App::runAction(MenuItem& item) {
    if (const auto it = actions.find(&item); it != actions.end()) it->second();
    refreshMenu();
}

void App::quit() {
    platform.application.terminate();
}

} // namespace lumio
