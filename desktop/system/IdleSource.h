#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>

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
    // an earlier start left. A source that tells events runs `crossed` each
    // time the user crosses the threshold, either way (possibly from within
    // this call). False when the desktop does not offer it now.
    virtual bool start(double threshold, std::function<void()> crossed) = 0;

    // Seconds since the last input (a source that tells events answers 0
    // below the threshold); nullopt once it has stopped working, until the
    // next start().
    virtual std::optional<double> idleSeconds() = 0;
};

// What a source told only when the user crosses the threshold knows, and
// whom it tells of each crossing.
class IdleCrossings {
  public:
    void tellTo(std::function<void()> crossed) {
        told = std::move(crossed);
        idleSince.reset();
    }
    void idled() {
        const bool crossing = !idleSince;
        idleSince = Clock::now();
        if (crossing && told) told();
    }
    void resumed() {
        if (!std::exchange(idleSince, std::nullopt) || !told) return;
        told();
    }
    double seconds(double threshold) const {
        if (!idleSince) return 0.0;
        return threshold + std::chrono::duration<double>(Clock::now() - *idleSince).count();
    }

  private:
    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> idleSince;
    std::function<void()> told;
};

} // namespace lumio
