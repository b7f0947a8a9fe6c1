#include "desktop/launch/WallClockAlarm.h"

#include "files/Diagnostics.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include <sys/timerfd.h>
#include <unistd.h>

namespace lumio {

namespace {

timespec toTimespec(WallClockAlarm::Time at) {
    const auto sinceEpoch = at.time_since_epoch();
    const auto secs = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    // An all-zero value would disarm the timer: 1 ns after the epoch is as past.
    timespec when{.tv_sec = secs.count(),
                  .tv_nsec = std::chrono::nanoseconds(sinceEpoch - secs).count()};
    if (when.tv_sec <= 0) when = {.tv_sec = 0, .tv_nsec = 1};
    return when;
}

} // namespace

WallClockAlarm::WallClockAlarm(std::function<void()> rang)
    : rang(std::move(rang)), timer(timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC)) {
    if (!timer.valid()) {
        diagnose(std::string("cannot make a timer: ") + std::strerror(errno));
        return;
    }
    readable = std::make_unique<QSocketNotifier>(timer.get(), QSocketNotifier::Read);
    QObject::connect(readable.get(), &QSocketNotifier::activated, readable.get(),
                     [this] { ring(); });
}

void WallClockAlarm::set(Time at) {
    if (!timer.valid() || armedFor == at) return;
    const itimerspec alarmAt{.it_interval = {}, .it_value = toTimespec(at)};
    if (timerfd_settime(timer.get(), TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &alarmAt,
                        nullptr) != 0) {
        diagnoseOnce(std::string("cannot set a timer: ") + std::strerror(errno));
        return;
    }
    armedFor = at;
}

void WallClockAlarm::clear() {
    if (!timer.valid() || !armedFor) return;
    const itimerspec off{};
    timerfd_settime(timer.get(), 0, &off, nullptr);
    armedFor.reset();
}

void WallClockAlarm::ring() {
    std::uint64_t expirations = 0;
    if (::read(timer.get(), &expirations, sizeof expirations) < 0) {
        if (errno == EAGAIN) return;
        // The clock was set (ECANCELED): the timer still waits for the old instant.
        clear();
    }
    armedFor.reset();
    rang();
}

} // namespace lumio
