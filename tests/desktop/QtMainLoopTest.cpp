#include "desktop/launch/QtMainLoop.h"
#include "desktop/system/SystemClock.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <vector>

using namespace lumio;

namespace {

using Steady = std::chrono::steady_clock;

double millisecondsSince(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

// The due work sleeps on the alarm until the instant the core names, is aimed
// afresh when something else ran, and never runs early.
TEST(QtMainLoop, RunsTheWorkAtTheInstantNamedBeforeEachWait) {
    struct Row {
        const char* what;
        double scale;
        std::optional<double> dueInSeconds;    // on the core's clock, as first named
        std::optional<double> changedTo;       // named anew 50 ms later, by other work
        std::optional<double> expectedAfterMs; // real time of the first run; none: never
    };
    const std::vector<Row> rows{
        {"an instant ahead", 1, 0.2, std::nullopt, 200},
        {"an instant past", 1, -5, std::nullopt, 0},
        {"nothing due", 1, std::nullopt, std::nullopt, std::nullopt},
        {"brought forward by other work", 1, 60, 0.1, 150},
        {"put off by other work", 1, 0.1, std::nullopt, std::nullopt},
        {"a clock ten times faster", 10, 2, std::nullopt, 200},
    };
    for (const auto& row : rows) {
        const SystemClock clock(row.scale);
        QtMainLoop loop(clock, row.scale);
        std::optional<Instant> due;
        if (row.dueInSeconds) due = clock.now() + Seconds{*row.dueInSeconds};
        std::vector<double> runs;
        const auto start = Steady::now();
        const std::string_view what = row.what;
        QTimer::singleShot(50, [&] {
            if (row.changedTo) due = clock.now() + Seconds{*row.changedTo};
            if (what == "put off by other work") due.reset();
        });
        loop.runWhenDue([&] { return due; },
                        [&] {
                            runs.push_back(millisecondsSince(start));
                            due.reset();
                        });
        QEventLoop events;
        QTimer::singleShot(600, &events, &QEventLoop::quit);
        events.exec();
        ASSERT_EQ(runs.size(), row.expectedAfterMs ? 1u : 0u) << row.what;
        if (row.expectedAfterMs) {
            EXPECT_GE(runs.front(), *row.expectedAfterMs - 1) << row.what;
        }
    }
}

} // namespace
