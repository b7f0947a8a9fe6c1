#pragma once

#include "ports/Time.h"
#include "prefs/Prefs.h"

#include <cstdint>
#include <optional>
#include <utility>

namespace lumio {

// Minutes a snoozed break is put off; also what the page promises the user.
inline constexpr double SNOOZE_MIN = 5.0;
// Seconds without input after which the user counts as away.
inline constexpr double IDLE_SECS = 300.0;
// Seconds between two ticks of the countdown while someone watches it: the
// menu open, a break on screen.
inline constexpr double TICK_SECS = 1.0;
// Seconds between two questions of a desktop that does not tell when an
// away user is back: an input is seen well within the 5 s that count as back.
inline constexpr double BACK_LOOK_SECS = 2.0;

// When the next break comes: the countdown, the pause, the user away from the
// machine or behind a locked screen, and the machine's sleep. It reads the
// settings it needs through Prefs at every step and is told the time by its
// caller; it shows nothing itself.
class Schedule {
  public:
    // What a tick found.
    struct Due {
        bool showBreak = false;  // a break is due and the user is there to see it
        bool pauseEnded = false; // the pause ran out: the countdown started afresh
        bool counting = false;   // reminders are on and not paused: the countdown moved
    };

    explicit Schedule(const Prefs& prefs) : prefs(prefs) {}

    // Starts the countdown afresh from now: a full interval, no pause, nobody away.
    void restart(Instant now);
    // Takes up the countdown of the copy of Lumio this one took over from: its
    // pause while it lasts, else its next break, unless that lies further
    // than a full interval away (the clock was set back). Call after restart().
    void resume(Instant now, std::optional<Instant> carriedBreak,
                std::optional<Instant> carriedPause);
    // The next break is due at once (one that could not be shown is retried).
    void breakDueAt(Instant now) { nextBreak = now; }
    // One step of the countdown, given the seconds since the user's last input.
    Due tick(Instant now, double idleSeconds);
    // Restarts when reminders were switched or the interval changed since the
    // countdown began.
    void settingsChanged(Instant now);

    // Pauses for an hour, or ends a pause in force with a fresh countdown.
    void togglePause(Instant now);
    // A break the user asked for: ends any pause and counts a cycle from now.
    void breakNow(Instant now);
    // Puts the break off by the snooze.
    void snooze(Instant now);

    // The machine's sleep, from readings of the time spent asleep. A resume
    // restarts the countdown (unless paused) once, whether a tick or the
    // system notices it first; each returns whether it restarted.
    void watchSleep(Seconds timeAsleep) { asleepSeen = timeAsleep; }
    bool tickSawSleep(Instant now, Seconds timeAsleep);
    bool wake(Instant now, Seconds timeAsleep);
    void lock() { locked = true; }
    // A full interval from now, unless paused or off.
    void unlock(Instant now);

    bool pauseInForce(Instant now) const { return pausedUntil && *pausedUntil > now; }
    // Whether the next tick reads the idle time: only a running countdown does.
    bool needsIdleTime() const;
    // The next instant a break can come due, unless none can come while things
    // stay as they are (reminders off, the user away, the screen locked). A
    // pause ends with a fresh interval.
    std::optional<Instant> comingBreak() const;
    // When the countdown next needs a tick, as things stand at now: the
    // pause's end, the next break, and, where the desktop does not tell when
    // the user crosses into or out of being away (crossingsTold false), the
    // first instant that could happen. nullopt: no tick is needed until
    // something else changes. An instant not after now means at once.
    std::optional<Instant> nextTick(Instant now, bool crossingsTold) const;

    std::optional<Instant> nextBreakAt() const { return nextBreak; }
    std::optional<Instant> pausedUntilAt() const { return pausedUntil; }
    bool isAway() const { return away; }

  private:
    double intervalLead() const;
    double cycleLead() const;
    bool slept(Seconds timeAsleep);
    bool restartUnlessPaused(Instant now);
    std::optional<Instant> nextIdleLook(Instant now) const;

    const Prefs& prefs;
    std::optional<Instant> nextBreak;
    std::optional<Instant> pausedUntil;
    // What the countdown was last started from: switching reminders on or off,
    // or a new interval, starts it again.
    std::pair<bool, std::int64_t> scheduledWith{};
    bool away = false;
    bool locked = false;
    // The last idle time read by a tick, and when; none since a restart.
    struct IdleReading {
        Instant at;
        double seconds;
    };
    std::optional<IdleReading> idleRead;
    // The last reading of the time asleep, and whether a tick has handled a
    // resume the system has not announced yet.
    Seconds asleepSeen{};
    bool wakeSeenByTick = false;
};

} // namespace lumio
