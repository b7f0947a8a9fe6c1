#include "desktop/launch/QtMainLoop.h"

#include "desktop/measure/TimingLog.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace lumio {

QtMainLoop::QtMainLoop(const Clock& clock, double timeScale, TimingLog* timing)
    : clock(clock), timeScale(timeScale), timing(timing), alarm([this] { runDue(); }) {
    // Whatever ran before the loop waits (a menu click, a message from the
    // desktop) may have changed what is due next.
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     &context, [this] { aim(); });
}

std::chrono::milliseconds QtMainLoop::toMillis(Seconds delay) const {
    return std::max(std::chrono::round<std::chrono::milliseconds>(delay / timeScale),
                    std::chrono::milliseconds{0});
}

void QtMainLoop::after(Seconds delay, std::function<void()> work) {
    QTimer::singleShot(toMillis(delay), &context, std::move(work));
}

void QtMainLoop::runWhenDue(std::function<std::optional<Instant>()> due,
                            std::function<void()> dueWork) {
    nextDue = std::move(due);
    work = std::move(dueWork);
    aim();
}

void QtMainLoop::aim() {
    const auto due = nextDue ? nextDue() : std::nullopt;
    if (!due) {
        alarm.clear();
        aimedAt.reset();
        return;
    }
    // The core's clock may run faster than the wall clock: its distance to
    // the instant, shortened as much, from the wall clock now.
    using Wall = WallClockAlarm::Time;
    const auto at =
        timeScale == 1.0
            ? std::chrono::time_point_cast<Wall::duration>(*due)
            : std::chrono::system_clock::now() +
                  std::chrono::duration_cast<Wall::duration>((*due - clock.now()) / timeScale);
    aimedAt = at;
    alarm.set(at);
}

void QtMainLoop::runDue() {
    if (timing && aimedAt) timing->tickBegan(std::chrono::system_clock::now() - *aimedAt);
    if (work) work();
    if (timing) timing->tickEnded();
    aim();
}

void QtMainLoop::quit() {
    QCoreApplication::exit(0);
}

} // namespace lumio
