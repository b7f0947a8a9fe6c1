#pragma once

#include "app/App.h"
#include "fakes/FakeDesktop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace lumio::test {

// Monday 2026-01-05 08:00:00 UTC.
inline constexpr double T0 = 1767600000.0;

inline void setTimeZone(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
}

// A launched App on fake desktop services, driven by virtual time.
class AppTest : public testing::Test {
  protected:
    void SetUp() override {
        setTimeZone("UTC");
        desk.store.values["welcomed"] = true;
        desk.overlay.fakeScreens.list = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
        desk.overlay.fakeScreens.at = {100, 100};
    }

    void launch(std::vector<std::string> args = {"lumio"}, bool pageLoads = true) {
        if (!pageLoads) desk.overlay.loadSeconds.reset();
        app = std::make_unique<App>(desk.platform, std::move(args));
        app->applicationDidFinishLaunching();
    }

    void run(double seconds) { desk.loop.runFor(seconds); }
    double secondsTo(Instant t) const { return (t - desk.clock.now()).count(); }
    double secondsToNextBreak() const { return secondsTo(app->nextBreakAt().value()); }
    std::size_t breaksShown() const { return desk.overlay.scripts.size(); }
    std::int64_t stored(const char* key) const { return app->preferences().integerForKey(key); }

    MenuItem& item(const std::vector<std::string>& path) {
        auto* found = fake::findItem(*app->mainMenu(), path);
        if (found == nullptr) throw std::runtime_error("no menu item " + path.back());
        return *found;
    }
    void click(const std::vector<std::string>& path) { item(path).action(); }
    const std::string& firstLine() const { return app->mainMenu()->items.at(0)->title; }
    const std::string& secondLine() const { return app->mainMenu()->items.at(1)->title; }
    bool iconDimmed() const { return desk.statusBar.item->disabled; }

    fake::FakeDesktop desk{T0};
    std::unique_ptr<App> app;
};

} // namespace lumio::test
