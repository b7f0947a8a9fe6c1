// Costs of the work Lumio repeats while it sits in the tray: the once-a-second
// tick (menu closed and open), a menu refresh, and building the chime.
#include "app/App.h"
#include "fakes/FakeDesktop.h"
#include "sound/Chime.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

// Monday 2026-01-05 08:00:00 UTC.
constexpr double T0 = 1767600000.0;

// A launched App on fake desktop services, counting towards its next break
// with the user at the keyboard.
struct LaunchedApp {
    LaunchedApp() {
        setenv("TZ", "UTC", 1);
        tzset();
        desk.store.values["welcomed"] = true;
        desk.overlay.fakeScreens.list = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
        desk.overlay.fakeScreens.at = {100, 100};
        app = std::make_unique<lumio::App>(desk.platform, std::vector<std::string>{"lumio"});
        app->applicationDidFinishLaunching();
        desk.overlay.web->finishLoading();
        desk.idle.touch();
    }
    lumio::fake::FakeDesktop desk{T0};
    std::unique_ptr<lumio::App> app;
};

void tickCountingMenuClosed(benchmark::State& state) {
    LaunchedApp launched;
    for (auto _ : state)
        launched.app->tick();
    benchmark::DoNotOptimize(launched.app->nextBreakAt());
}
BENCHMARK(tickCountingMenuClosed);

void tickCountingMenuOpen(benchmark::State& state) {
    LaunchedApp launched;
    launched.app->menuWillOpen();
    for (auto _ : state)
        launched.app->tick();
    benchmark::DoNotOptimize(launched.app->mainMenu()->items.front()->title);
}
BENCHMARK(tickCountingMenuOpen);

void refreshMenu(benchmark::State& state) {
    LaunchedApp launched;
    for (auto _ : state)
        launched.app->refreshMenu();
    benchmark::DoNotOptimize(launched.app->mainMenu()->items.front()->title);
}
BENCHMARK(refreshMenu);

void chimeSynthesize(benchmark::State& state) {
    for (auto _ : state) {
        auto wav = lumio::Chime::synthesize();
        benchmark::DoNotOptimize(wav.data());
    }
}
BENCHMARK(chimeSynthesize)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
