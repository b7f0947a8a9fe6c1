#include "prefs/Prefs.h"

#include "files/LocalTime.h"

#include <array>
#include <cmath>
#include <ctime>
#include <limits>
#include <optional>
#include <string>

namespace lumio {

namespace {

// The stored names of the tallies, in the order of Tally.
constexpr std::array<std::string_view, 4> TALLY_NAMES{"shown", "done", "snoozed", "skipped"};

std::string statKey(std::string_view name) {
    return "stat." + std::string(name);
}

std::string statKey(Tally tally) {
    return statKey(TALLY_NAMES.at(static_cast<std::size_t>(tally)));
}

// A counter edited up to the largest integer stays there instead of wrapping.
std::int64_t plusOne(std::int64_t n) {
    return n == std::numeric_limits<std::int64_t>::max() ? n : n + 1;
}

// The tally's keys have no defaults: a value of another type reads as none.
std::optional<std::string> textIn(const SettingsEditor& values, std::string_view key) {
    const auto stored = values.value(key);
    if (stored && std::holds_alternative<std::string>(*stored))
        return std::get<std::string>(*stored);
    return std::nullopt;
}

std::int64_t countIn(const SettingsEditor& values, std::string_view key) {
    const auto stored = values.value(key);
    if (stored && std::holds_alternative<std::int64_t>(*stored))
        return std::get<std::int64_t>(*stored);
    return 0;
}

} // namespace

std::string dayKey(Instant t) {
    // Floor, so an instant a fraction before midnight still belongs to its day.
    const auto local = localTime(static_cast<std::time_t>(std::floor(epochSeconds(t))));
    if (!local) return "0000-00-00";
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%d", &*local);
    return text.data();
}

std::string Prefs::todayKey() const {
    return dayKey(clock.now());
}

std::int64_t Prefs::stat(Tally tally) const {
    const auto date = text("statsDate");
    if (!date || *date != todayKey()) return 0;
    return integer(statKey(tally));
}

void Prefs::bump(Tally tally) {
    // Run on the tally as stored, so that a bump made while the store could not be read adds to
    // the tally it holds instead of replacing it.
    store.update([today = todayKey(), key = statKey(tally),
                  done = tally == Tally::Done](SettingsEditor& values) {
        if (textIn(values, "statsDate") != today) {
            for (const auto name : TALLY_NAMES)
                values.setValue(statKey(name), std::int64_t{0});
            values.setValue("statsDate", today);
        }
        values.setValue(key, plusOne(countIn(values, key)));
        if (done) values.setValue("totalDone", plusOne(countIn(values, "totalDone")));
    });
}

} // namespace lumio
