#pragma once

#include "ports/IdleMonitor.h"

#include <deque>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>

namespace lumio {

// The user's idle time from the first of these that answers: the X server's
// MIT-SCREEN-SAVER extension (X11 sessions only), Mutter's idle monitor, the
// freedesktop screen saver. A source that stops answering is dropped for the
// next; with none left the answer is 0 and the log says so once. The X
// server's answer is one call behind: input since the previous call shows
// at the next.
class DesktopIdleMonitor final : public IdleMonitor {
  public:
    explicit DesktopIdleMonitor(std::ostream& log = std::cerr);
    ~DesktopIdleMonitor() override;
    DesktopIdleMonitor(const DesktopIdleMonitor&) = delete;
    DesktopIdleMonitor& operator=(const DesktopIdleMonitor&) = delete;

    double secondsSinceLastInput() override;

  private:
    struct XServer;
    using Query = std::function<std::optional<double>()>;

    std::unique_ptr<XServer> xServer;
    std::deque<Query> sources; // the one in use first
    std::ostream& log;
    bool reportedNone = false;
};

} // namespace lumio
