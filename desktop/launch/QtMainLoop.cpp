#include "desktop/launch/QtMainLoop.h"

#include "desktop/measure/TimingLog.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>

namespace lumio {

QtMainLoop::QtMainLoop(double timeScale, TimingLog* timing) : timeScale(timeScale), timing(timing) {
    // A coarse timer lets the system batch our wake-ups; a second's countdown
    // tolerates the few percent it may drift.
    ticker.setTimerType(Qt::CoarseTimer);
    QObject::connect(&ticker, &QTimer::timeout, &context, [this] {
        if (!onTick) return;
        if (this->timing) this->timing->tickBegan();
        onTick();
        if (this->timing) this->timing->tickEnded();
    });
}

std::chrono::milliseconds QtMainLoop::toMillis(Seconds delay) const {
    return std::max(std::chrono::round<std::chrono::milliseconds>(delay / timeScale),
                    std::chrono::milliseconds{0});
}

void QtMainLoop::after(Seconds delay, std::function<void()> work) {
    QTimer::singleShot(toMillis(delay), &context, std::move(work));
}

void QtMainLoop::every(Seconds interval, std::function<void()> work) {
    onTick = std::move(work);
    ticker.start(std::max(toMillis(interval), std::chrono::milliseconds{1}));
}

void QtMainLoop::quit() {
    QCoreApplication::exit(0);
}

} // namespace lumio
