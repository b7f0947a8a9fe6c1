// Carrying on across a package upgrade under the running program: the helper
// it starts for a break then comes from the new install and speaks another
// version of the channel, so this copy hands over to the new one, countdown
// and pause included.
#include "app/App.h"
#include "app/LaunchActions.h"

#include <charconv>
#include <string>

namespace lumio {

namespace {

std::string option(std::string_view name, Instant at) {
    return std::string(name) + std::to_string(epochSeconds(at));
}

std::optional<Instant> instantAfter(std::string_view name, const std::vector<std::string>& args) {
    for (const std::string_view argument : args) {
        if (!argument.starts_with(name)) continue;
        const auto text = argument.substr(name.size());
        double secs = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), secs);
        if (error == std::errc{} && end == text.data() + text.size()) return instantFromEpoch(secs);
    }
    return std::nullopt;
}

} // namespace

void App::resumeOrRestart() {
    schedule_.restart(now());
    schedule_.resume(now(), instantAfter(RESUME_NEXT_BREAK, arguments),
                     instantAfter(RESUME_PAUSED_UNTIL, arguments));
    menu.refreshIcon();
}

void App::pageFailed(PageFailure why) {
    const bool unanswered = shown && shown->isOn() && !shown->outcome();
    if (shown) shown->failed();
    if (why != PageFailure::Outdated || !platform.program.wasReplaced()) return;
    relaunchWanted = true;
    // A break that could not be shown comes again from the new copy.
    if (unanswered) schedule_.breakDueAt(now());
    relaunchWhenIdle();
}

// Not under the user's hands: never while the menu is open or a break is on screen.
void App::relaunchWhenIdle() {
    if (menu.isOpen() || (shown && shown->isOn())) return;
    std::vector<std::string> carried;
    if (schedule_.pauseInForce(now())) {
        carried.push_back(option(RESUME_PAUSED_UNTIL, *schedule_.pausedUntilAt()));
    } else if (const auto next = schedule_.nextBreakAt()) {
        carried.push_back(option(RESUME_NEXT_BREAK, *next));
    }
    platform.program.relaunch(std::move(carried));
}

} // namespace lumio
