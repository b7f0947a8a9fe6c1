#include "desktop/QtMainLoop.h"

#include <algorithm>
#include <chrono>

namespace lumio {

namespace {

std::chrono::milliseconds toMillis(Seconds delay) {
    return std::max(std::chrono::round<std::chrono::milliseconds>(delay),
                    std::chrono::milliseconds{0});
}

} // namespace

QtMainLoop::QtMainLoop() {
    // A coarse timer lets the system batch our wake-ups; a second's countdown
    // tolerates the few percent it may drift.
    ticker.setTimerType(Qt::CoarseTimer);
    QObject::connect(&ticker, &QTimer::timeout, &context, [this] {
        if (onTick) onTick();
    });
}

void QtMainLoop::after(Seconds delay, std::function<void()> work) {
    QTimer::singleShot(toMillis(delay), &context, std::move(work));
}

void QtMainLoop::startTicker(Seconds interval, Seconds, std::function<void()> tick) {
    onTick = std::move(tick);
    ticker.start(std::max(toMillis(interval), std::chrono::milliseconds{1}));
}

} // namespace lumio
