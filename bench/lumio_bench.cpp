// Costs of the work Lumio repeats while it sits in the tray: the question the
// main loop asks before it waits, a tick (menu closed and open), a menu
// refresh, and building the chime. Each
// also reports its heap allocations per iteration ("allocs").
#include "app/App.h"
#include "sound/Chime.h"
#include "support/FakeDesktop.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <new>

namespace {
std::atomic<long> allocations{0};
} // namespace

// Every allocation of the program goes through here, so a benchmark can tell
// how many its loop made. libstdc++'s own operator delete hands the block to
// free(), so it stays the matching delete. Not inlined: GCC would otherwise
// see malloc() paired with operator delete and warn of a mismatch.
[[gnu::noinline]] void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}

namespace {

// Allocations per iteration of the loop state ran, as a benchmark counter.
class CountAllocations {
  public:
    explicit CountAllocations(benchmark::State& state) : state(state), before(allocations.load()) {}
    ~CountAllocations() {
        state.counters["allocs"] = benchmark::Counter(
            static_cast<double>(allocations.load() - before), benchmark::Counter::kAvgIterations);
    }
    CountAllocations(const CountAllocations&) = delete;
    CountAllocations& operator=(const CountAllocations&) = delete;

  private:
    benchmark::State& state;
    const long before;
};

// Monday 2026-01-05 08:00:00 UTC.
constexpr double T0 = 1767600000.0;

// A launched App on fake desktop services, counting towards its next break
// with the user at the keyboard.
struct LaunchedApp {
    LaunchedApp() {
        setenv("TZ", "UTC", 1);
        tzset();
        desk.values["welcomed"] = true;
        desk.pointer = {100, 100};
        app = std::make_unique<lumio::App>(desk.platform, std::vector<std::string>{"lumio"});
        app->applicationDidFinishLaunching();
        desk.touchedAgo(0);
    }
    lumio::fake::FakeDesktop desk{T0};
    std::unique_ptr<lumio::App> app;
};

void tickCountingMenuClosed(benchmark::State& state) {
    LaunchedApp launched;
    const CountAllocations count(state);
    for (auto _ : state)
        launched.app->tick();
    benchmark::DoNotOptimize(launched.app->schedule().nextBreakAt());
}
BENCHMARK(tickCountingMenuClosed);

// What a step runs when something is due: the tick, then the check whether
// the break's page should be made or dropped.
void tickAndTendOverlay(benchmark::State& state) {
    LaunchedApp launched;
    const CountAllocations count(state);
    for (auto _ : state) {
        launched.app->tick();
        launched.app->tendOverlay();
    }
    benchmark::DoNotOptimize(launched.desk.overlay.web);
}
BENCHMARK(tickAndTendOverlay);

// What the main loop asks each time it is about to wait.
void nextStep(benchmark::State& state) {
    LaunchedApp launched;
    const CountAllocations count(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(launched.app->nextStep());
}
BENCHMARK(nextStep);

void tickCountingMenuOpen(benchmark::State& state) {
    LaunchedApp launched;
    launched.desk.menu->menuOpened();
    const CountAllocations count(state);
    for (auto _ : state)
        launched.app->tick();
    benchmark::DoNotOptimize(launched.desk.trayMenu->items.front()->title);
}
BENCHMARK(tickCountingMenuOpen);

void refreshMenu(benchmark::State& state) {
    lumio::fake::FakeDesktop desk{T0};
    lumio::Prefs prefs(desk, desk.clock);
    prefs.registerDefaults();
    lumio::Schedule schedule(prefs);
    schedule.restart(desk.clock.now());
    lumio::StatusMenu menu(desk.platform, prefs, schedule, {});
    menu.buildStatusItem();
    const CountAllocations count(state);
    for (auto _ : state)
        menu.refreshMenu();
    benchmark::DoNotOptimize(menu.mainMenu().items.front()->title);
}
BENCHMARK(refreshMenu);

void chimeSynthesize(benchmark::State& state) {
    const CountAllocations count(state);
    for (auto _ : state) {
        auto wav = lumio::Chime::synthesize();
        benchmark::DoNotOptimize(wav.data());
    }
}
BENCHMARK(chimeSynthesize)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
