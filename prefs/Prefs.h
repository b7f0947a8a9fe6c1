#pragma once

#include "ports/Clock.h"
#include "ports/SettingsStore.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumio {

// The day's tallies of breaks: shown, and how the user answered them.
enum class Tally { Shown, Done, Snoozed, Skipped };

// The one place that names the user's settings. Nothing is cached: every read
// goes to the store, so a change made anywhere counts at the next use.
class Prefs {
  public:
    Prefs(SettingsStore& store, const Clock& clock) : store(store), clock(clock) {}

    // Installs the defaults consulted for keys never written; they live only
    // in memory and are never stored.
    void registerDefaults();

    bool enabled() const { return flag("enabled"); }
    void setEnabled(bool on) { store.setValue("enabled", on); }
    std::int64_t intervalMin() const { return integer("intervalMin"); }
    void setIntervalMin(std::int64_t minutes) { store.setValue("intervalMin", minutes); }
    std::int64_t breakSec() const { return integer("breakSec"); }
    void setBreakSec(std::int64_t seconds) { store.setValue("breakSec", seconds); }
    bool dim() const { return flag("dim"); }
    void setDim(bool on) { store.setValue("dim", on); }
    bool sound() const { return flag("sound"); }
    void setSound(bool on) { store.setValue("sound", on); }
    bool idleReset() const { return flag("idleReset"); }
    void setIdleReset(bool on) { store.setValue("idleReset", on); }
    // The stored list, an empty one included; every animal id when the
    // stored value is not a list of strings.
    std::vector<std::string> animals() const;
    void setAnimals(std::vector<std::string> ids) { store.setValue("animals", std::move(ids)); }
    // Whether the first launch's welcome has been offered.
    bool welcomed() const { return flag("welcomed"); }
    void setWelcomed(bool on) { store.setValue("welcomed", on); }

    // Typed reads: a value of another type counts as absent, and an absent
    // key reads as its default, else as false, 0 or nothing.
    bool flag(std::string_view key) const;
    std::int64_t integer(std::string_view key) const;
    std::optional<std::string> text(std::string_view key) const;
    std::optional<std::vector<std::string>> textList(std::string_view key) const;

    // Daily statistics: today's tallies are reset lazily by the first bump
    // of a new day; stat() reports 0 for any other day. A bump is one change
    // of the store, worked out from the stored tally; a Done also adds to the
    // lifetime total.
    std::string todayKey() const;
    std::int64_t stat(Tally tally) const;
    void bump(Tally tally);

  private:
    template <typename T> std::optional<T> lookup(std::string_view key) const;

    SettingsStore& store;
    const Clock& clock;
    std::map<std::string, SettingValue, std::less<>> defaults;
};

// "yyyy-MM-dd" of an instant in the user's local time zone.
std::string dayKey(Instant t);

} // namespace lumio
