#pragma once

#include "app/App.h"
#include "support/FakeDesktop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace lumio::test {

inline constexpr double T0 = 1767600000.0; // Monday 2026-01-05 08:00:00 UTC

inline void setTimeZone(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
}

// An App on the fake desktop in virtual time, launched unless the test does it.
class AppTest : public testing::Test {
  protected:
    explicit AppTest(bool launched = true) {
        setTimeZone("UTC");
        desk.values["welcomed"] = true;
        prefs.registerDefaults();
        if (launched) launch();
    }
    void launch(std::vector<std::string> args = {"lumio"}) {
        app = std::make_unique<App>(desk.platform, std::move(args));
        app->applicationDidFinishLaunching();
    }
    void run(double seconds) { desk.runFor(seconds); }
    // Virtual time passes with the user at the keyboard.
    void stayActive(double seconds) {
        for (int i = 0; i < static_cast<int>(seconds); ++i) {
            desk.touchedAgo(0);
            run(1);
        }
    }
    const Schedule& schedule() const { return app->schedule(); }
    double secondsTo(Instant t) const { return (t - desk.clock.now()).count(); }
    double secondsToNextBreak() const { return secondsTo(schedule().nextBreakAt().value()); }
    bool paused() const { return schedule().pausedUntilAt().has_value(); }
    std::size_t breaksShown() const { return desk.overlay.shown.size(); }
    std::int64_t stored(const char* key) const { return prefs.integer(key); }
    MenuItem& item(std::string_view i) { return *fake::findItem(*desk.trayMenu, i); }
    void click(std::string_view id) { item(id).action(); }
    const std::string& firstLine() { return item("next").title; }

    fake::FakeDesktop desk{T0};
    // The settings as the App reads them, from the same store.
    Prefs prefs{desk, desk.clock};
    std::unique_ptr<App> app;
};

} // namespace lumio::test
