#include "desktop/break/PanelStack.h"

#include "desktop/break/OverlayPanel.h"
#include "files/Diagnostics.h"

#include <algorithm>

namespace lumio {

void PanelStack::add(OverlayPanel& panel) {
    panels.push_back(&panel);
}

void PanelStack::remove(const OverlayPanel& panel) {
    std::erase(panels, &panel);
}

void PanelStack::restack() const {
    auto visible = panels;
    std::erase_if(visible, [](const OverlayPanel* p) { return !p->isVisible(); });
    std::ranges::stable_sort(visible, {}, &OverlayPanel::level);
    for (OverlayPanel* panel : visible)
        panel->raise();
}

void PanelStack::shutDown(const std::string& reason) {
    if (shutDownReason) return;
    shutDownReason = reason;
    diagnose(reason + "; breaks are still counted but not shown");
    for (OverlayPanel* panel : panels)
        panel->hide();
}

} // namespace lumio
