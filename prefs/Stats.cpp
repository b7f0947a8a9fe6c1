#include "prefs/Prefs.h"

#include <array>
#include <cmath>
#include <ctime>
#include <limits>

namespace lumio {

namespace {

constexpr std::array<std::string_view, 4> DAILY_KINDS{"shown", "done", "snoozed", "skipped"};

std::string statKey(std::string_view kind) {
    return "stat." + std::string(kind);
}

// A counter edited up to the largest integer stays there instead of wrapping.
std::int64_t plusOne(std::int64_t n) {
    return n == std::numeric_limits<std::int64_t>::max() ? n : n + 1;
}

} // namespace

std::string dayKey(Instant t) {
    // Floor, so an instant a fraction before midnight still belongs to its day.
    const auto secs = static_cast<std::time_t>(std::floor(epochSeconds(t)));
    std::tm local{};
    if (localtime_r(&secs, &local) == nullptr) return "0000-00-00";
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%d", &local);
    return text.data();
}

std::string Prefs::todayKey() const {
    return dayKey(clock.now());
}

std::int64_t Prefs::stat(std::string_view kind) const {
    const auto date = stringForKey("statsDate");
    if (!date || *date != todayKey()) return 0;
    return integerForKey(statKey(kind));
}

void Prefs::bump(std::string_view kind) {
    const auto today = todayKey();
    if (stringForKey("statsDate") != today) {
        for (const auto daily : DAILY_KINDS)
            setInteger(statKey(daily), 0);
        setString("statsDate", today);
    }
    const auto key = statKey(kind);
    setInteger(key, plusOne(integerForKey(key)));
    if (kind == "done") setInteger("totalDone", plusOne(integerForKey("totalDone")));
}

} // namespace lumio
