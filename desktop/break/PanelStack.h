#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumio {

class OverlayPanel;

// The toolkit's panels, kept stacked by level, and the switch that keeps all of
// them off the screen once a break could no longer be shown properly.
class PanelStack {
  public:
    void add(OverlayPanel& panel);
    void remove(const OverlayPanel& panel);

    // Raises the visible panels so that higher levels end up on top.
    void restack() const;

    // Hides every panel for good; the first reason given goes to stderr.
    void shutDown(const std::string& reason);
    bool isShutDown() const { return shutDownReason.has_value(); }

  private:
    std::vector<OverlayPanel*> panels;
    std::optional<std::string> shutDownReason;
};

} // namespace lumio
