#include "schedule/Schedule.h"

#include <algorithm>
#include <utility>

namespace lumio {

namespace {
// No countdown is shorter, whatever the settings say.
constexpr double MIN_LEAD = 30.0;
// Seconds of idleness under which a user counted as away is back.
constexpr double BACK_AFTER_IDLE = 5.0;
constexpr double PAUSE_SECS = 3600.0;
// More time asleep than this between two readings means the machine slept.
constexpr double SLEEP_GAP = 5.0;
} // namespace

double Schedule::intervalLead() const {
    return std::max(static_cast<double>(prefs.intervalMin()) * 60.0, MIN_LEAD);
}

double Schedule::cycleLead() const {
    const double minutes =
        static_cast<double>(prefs.intervalMin()) + static_cast<double>(prefs.breakSec()) / 60.0;
    return std::max(minutes * 60.0, MIN_LEAD);
}

void Schedule::restart(Instant now) {
    scheduledWith = {prefs.enabled(), prefs.intervalMin()};
    pausedUntil.reset();
    away = false;
    idleRead.reset();
    if (prefs.enabled()) {
        nextBreak = now + Seconds{intervalLead()};
    } else {
        nextBreak.reset();
    }
}

void Schedule::resume(Instant now, std::optional<Instant> carriedBreak,
                      std::optional<Instant> carriedPause) {
    if (carriedPause && *carriedPause > now) {
        pausedUntil = carriedPause;
        nextBreak.reset();
    } else if (carriedBreak && nextBreak && *carriedBreak < *nextBreak) {
        nextBreak = carriedBreak;
    }
}

void Schedule::settingsChanged(Instant now) {
    if (std::pair{prefs.enabled(), prefs.intervalMin()} != scheduledWith) restart(now);
}

bool Schedule::needsIdleTime() const {
    return prefs.enabled() && !pausedUntil;
}

Schedule::Due Schedule::tick(Instant now, double idleSeconds) {
    Due due;
    if (!prefs.enabled()) return due;
    if (pausedUntil) {
        if (now >= *pausedUntil) {
            restart(now);
            due.pauseEnded = true;
        }
        return due;
    }
    due.counting = true;
    idleRead = IdleReading{now, idleSeconds};

    if (prefs.idleReset() && idleSeconds >= IDLE_SECS) {
        away = true;
    } else if (away && idleSeconds < BACK_AFTER_IDLE) {
        away = false;
        nextBreak = now + Seconds{intervalLead()};
    }

    if (nextBreak && now >= *nextBreak) {
        nextBreak = now + Seconds{cycleLead()};
        due.showBreak = !away && !locked;
    }
    return due;
}

void Schedule::togglePause(Instant now) {
    if (pauseInForce(now)) {
        restart(now);
    } else {
        pausedUntil = now + Seconds{PAUSE_SECS};
        nextBreak.reset();
    }
}

void Schedule::breakNow(Instant now) {
    pausedUntil.reset();
    if (prefs.enabled()) nextBreak = now + Seconds{cycleLead()};
}

void Schedule::snooze(Instant now) {
    nextBreak = now + Seconds{std::max(SNOOZE_MIN * 60.0, MIN_LEAD)};
}

bool Schedule::slept(Seconds timeAsleep) {
    const bool gap = (timeAsleep - asleepSeen).count() > SLEEP_GAP;
    asleepSeen = timeAsleep;
    return gap;
}

bool Schedule::restartUnlessPaused(Instant now) {
    if (pauseInForce(now)) return false;
    restart(now);
    return true;
}

bool Schedule::tickSawSleep(Instant now, Seconds timeAsleep) {
    if (!slept(timeAsleep)) return false;
    wakeSeenByTick = true;
    return restartUnlessPaused(now);
}

bool Schedule::wake(Instant now, Seconds timeAsleep) {
    if (std::exchange(wakeSeenByTick, false)) return false;
    slept(timeAsleep);
    return restartUnlessPaused(now);
}

void Schedule::unlock(Instant now) {
    locked = false;
    if (pauseInForce(now) || !prefs.enabled()) return;
    nextBreak = now + Seconds{intervalLead()};
}

std::optional<Instant> Schedule::nextIdleLook(Instant now) const {
    // Idleness grows no faster than the clock: until IDLE_SECS minus the
    // last reading has passed, nobody can have become away.
    if (!idleRead || idleRead->at > now) return now; // none yet, or the clock went back
    if (away) return idleRead->at + Seconds{BACK_LOOK_SECS};
    if (!prefs.idleReset()) return std::nullopt;
    return idleRead->at + Seconds{IDLE_SECS - idleRead->seconds};
}

std::optional<Instant> Schedule::nextTick(Instant now, bool crossingsTold) const {
    if (!prefs.enabled()) return std::nullopt;
    if (pausedUntil) return pausedUntil;
    const auto look = crossingsTold ? std::nullopt : nextIdleLook(now);
    return earliest(nextBreak, look);
}

std::optional<Instant> Schedule::comingBreak() const {
    if (!prefs.enabled() || away || locked) return std::nullopt;
    if (pausedUntil) return *pausedUntil + Seconds{intervalLead()};
    return nextBreak;
}

} // namespace lumio
