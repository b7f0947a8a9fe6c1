#pragma once

#include "desktop/launch/WallClockAlarm.h"
#include "ports/Clock.h"
#include "ports/MainLoop.h"

#include <QObject>

namespace lumio {

class TimingLog;

// Qt's event loop, nested ones included (an open menu, a modal dialog). The
// work that is due sleeps on one wall-clock alarm, aimed afresh each time the
// loop is about to wait, so that nothing wakes the program between the
// instants the core names.
class QtMainLoop final : public MainLoop {
  public:
    // A time scale above 1 shortens every delay by that factor (benchmarks),
    // the clock being the core's, run as fast; a timing log, when given,
    // hears when each run of the due work begins and ends.
    explicit QtMainLoop(const Clock& clock, double timeScale = 1.0, TimingLog* timing = nullptr);
    void after(Seconds delay, std::function<void()> work) override;
    void runWhenDue(std::function<std::optional<Instant>()> nextDue,
                    std::function<void()> work) override;
    void quit() override;

  private:
    std::chrono::milliseconds toMillis(Seconds delay) const;
    // Sets the alarm for what nextDue names now.
    void aim();
    void runDue();

    const Clock& clock;
    const double timeScale;
    TimingLog* const timing;
    // Owns the pending one-shot work, so none of it outlives the loop.
    QObject context;
    WallClockAlarm alarm;
    std::function<std::optional<Instant>()> nextDue;
    std::function<void()> work;
    // The wall-clock instant the alarm was aimed at, for the timing log.
    std::optional<WallClockAlarm::Time> aimedAt;
};

} // namespace lumio
