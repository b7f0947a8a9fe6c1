#include "desktop/system/IdleSourceChooser.h"

#include "files/Diagnostics.h"

#include <algorithm>

namespace lumio {

IdleSourceChooser::IdleSourceChooser(std::vector<std::unique_ptr<IdleSource>> sources) {
    std::ranges::stable_partition(sources, [](const auto& s) { return s->tellsEvents(); });
    for (auto& source : sources)
        entries.push_back({.source = std::move(source)});
}

void IdleSourceChooser::watch(double idleThreshold, std::function<void()> onCrossing) {
    threshold = idleThreshold;
    crossed = std::move(onCrossing);
}

std::optional<double> IdleSourceChooser::ask(Entry& entry, double now) {
    if (now < entry.restAfterFailureUntil) return std::nullopt;
    if (!entry.started) entry.started = entry.source->start(threshold, crossed);
    const auto seconds = entry.started ? entry.source->idleSeconds() : std::nullopt;
    if (!seconds) {
        entry.started = false;
        entry.restAfterFailureUntil = now + RETRY_SECS;
    }
    return seconds;
}

double IdleSourceChooser::idleSeconds(double now) {
    for (auto& entry : entries) {
        const auto seconds = ask(entry, now);
        if (!seconds) continue;
        if (reportedNone) {
            diagnose("idle time now comes from " + entry.source->name());
        }
        reportedNone = false;
        answeredByEvents = entry.source->tellsEvents();
        return std::max(*seconds, 0.0);
    }
    if (!reportedNone) {
        diagnose("no idle-time source on this desktop; breaks are never skipped for being away "
                 "until one answers");
        reportedNone = true;
    }
    answeredByEvents = false;
    return 0.0;
}

} // namespace lumio
