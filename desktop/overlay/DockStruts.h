#pragma once

#include <QRect>
#include <QSize>
#include <vector>

namespace lumio {

// The space a dock (a panel, a task bar) keeps for itself along the edges of
// the whole X screen, as _NET_WM_STRUT_PARTIAL gives it: a thickness from each
// edge of the root window and, for each edge, the first and last pixel it
// covers along that edge. A zero thickness keeps nothing.
struct Strut {
    int left = 0, right = 0, top = 0, bottom = 0;
    int leftStartY = 0, leftEndY = 0, rightStartY = 0, rightEndY = 0;
    int topStartX = 0, topEndX = 0, bottomStartX = 0, bottomEndX = 0;
};

// What the docks leave free of one monitor, all in root window pixels. A dock
// cuts the side of the monitor that its reserved band reaches into; struts
// that would leave nothing of the monitor are ignored as nonsense.
QRect visibleArea(const QRect& monitor, QSize root, const std::vector<Strut>& struts);

} // namespace lumio
