#pragma once
#include <optional>
#include <string>

namespace lumio {

// The entry that starts Lumio when the user logs in (an XDG autostart file).
// Main thread.
class AutostartEntry {
  public:
    virtual ~AutostartEntry() = default;

    // install() writes Lumio's entry afresh, remove() takes it away (an
    // entry of the user's own that starts something else stays); each
    // returns nullopt, or leaves things as they were and returns why not, in
    // words for the user (the system's own description of the failure).
    // Removing what is not there succeeds.
    virtual std::optional<std::string> install() = 0;
    virtual std::optional<std::string> remove() = 0;

    // Whether an entry that starts Lumio at login is there now; also true
    // for one the user made by other means, false when it is hidden.
    virtual bool isInstalled() const = 0;
};

} // namespace lumio
