#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace lumio {

// One of the desktop's ways of telling the user's idle time, in seconds of
// the wall clock. Main thread.
class IdleSource {
  public:
    virtual ~IdleSource() = default;

    // What the log calls it.
    virtual std::string name() const = 0;

    // Whether the desktop tells this source when idleness begins and ends,
    // rather than being asked each time.
    virtual bool tellsEvents() const = 0;

    // Starts watching for `threshold` seconds of idleness, dropping whatever
    // an earlier start left. False when the desktop does not offer it now.
    virtual bool start(double threshold) = 0;

    // Seconds since the last input (a source that tells events answers 0
    // below the threshold); nullopt once it has stopped working, until the
    // next start().
    virtual std::optional<double> idleSeconds() = 0;
};

// What a source told only when the user crosses the threshold knows.
class IdleCrossings {
  public:
    void idled() { idleSince = Clock::now(); }
    void resumed() { idleSince.reset(); }
    double seconds(double threshold) const {
        if (!idleSince) return 0.0;
        return threshold + std::chrono::duration<double>(Clock::now() - *idleSince).count();
    }

  private:
    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> idleSince;
};

} // namespace lumio
