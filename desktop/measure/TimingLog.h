#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

namespace lumio {

// An opt-in record of how quickly a break reaches the screen, for
// benchmarks: LUMIO_TIMING_LOG=<file> appends one line per break the page
// (in the break helper) reports painted,
//
//   painted tick_ms=<from the instant the tick that showed it was due> script_ms=<from the show
//   script>
//
// with tick_ms "-" for a break not shown by a tick (--break-now). Off, it
// costs nothing but a null pointer check.
class TimingLog final {
  public:
    // Appends to file; nullptr, with one line on stderr, when it cannot be opened.
    static std::unique_ptr<TimingLog> open(const std::filesystem::path& file);
    // From LUMIO_TIMING_LOG; nullptr when unset or empty.
    static std::unique_ptr<TimingLog> fromEnvironment();
    explicit TimingLog(std::ofstream out) : out(std::move(out)) {}

    // A tick begins, `late` after the instant it was due.
    void tickBegan(std::chrono::system_clock::duration late);
    void tickEnded();
    void scriptSent();
    void painted();

  private:
    using Moment = std::chrono::steady_clock::time_point;

    std::ofstream out;
    std::optional<Moment> tickStart;
    std::optional<Moment> shownByTick;
    std::optional<Moment> sent;
};

} // namespace lumio
