#pragma once

#include "ports/MainLoop.h"

#include <QObject>
#include <QTimer>

namespace lumio {

class TimingLog;

// Qt timers run in every event loop of the main thread, nested ones included,
// so the ticker keeps going while a menu or a modal dialog is open.
class QtMainLoop final : public MainLoop {
  public:
    // A time scale above 1 shortens every delay by that factor (benchmarks);
    // a timing log, when given, hears when each tick begins and ends.
    explicit QtMainLoop(double timeScale = 1.0, TimingLog* timing = nullptr);
    void after(Seconds delay, std::function<void()> work) override;
    void every(Seconds interval, std::function<void()> work) override;
    void quit() override;
    // Fires with every tick, for desktop work that should wake the program no
    // more often than the ticker does.
    const QTimer& tickTimer() const { return ticker; }

  private:
    std::chrono::milliseconds toMillis(Seconds delay) const;

    const double timeScale;
    TimingLog* const timing;
    // Owns the pending one-shot work, so none of it outlives the loop.
    QObject context;
    QTimer ticker;
    std::function<void()> onTick;
};

} // namespace lumio
