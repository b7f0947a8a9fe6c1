#pragma once
#include <optional>
#include <string>

namespace lumio {

// The entry that starts Lumio when the user logs in (an XDG autostart file).
// Main thread.
class AutostartEntry {
  public:
    virtual ~AutostartEntry() = default;

    // Each makes the entry present (install) or absent (remove) and returns
    // nullopt, or leaves things as they were and returns why not, in words
    // for the user (the system's own description of the failure). Doing what
    // is already done succeeds and changes nothing.
    virtual std::optional<std::string> install() = 0;
    virtual std::optional<std::string> remove() = 0;

    // Whether an entry that starts Lumio at login is there now; also true
    // for one the user made by other means, false when it is hidden.
    virtual bool isInstalled() const = 0;
};

} // namespace lumio
