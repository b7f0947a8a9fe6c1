#include "desktop/overlay/DockStruts.h"

#include <algorithm>

namespace lumio {

namespace {

// Whether the pixels first..last (inclusive) meet [begin, end).
bool overlaps(int first, int last, int begin, int end) {
    return first < end && last >= begin;
}

} // namespace

QRect visibleArea(const QRect& monitor, QSize root, const std::vector<Strut>& struts) {
    const int monitorLeft = monitor.x(), monitorTop = monitor.y();
    const int monitorRight = monitorLeft + monitor.width();
    const int monitorBottom = monitorTop + monitor.height();
    int left = monitorLeft, top = monitorTop, right = monitorRight, bottom = monitorBottom;
    for (const Strut& s : struts) {
        // Each band runs from an edge of the root window inwards; it cuts the
        // monitor only where it reaches into it.
        const int rightBand = root.width() - s.right, bottomBand = root.height() - s.bottom;
        if (s.left > monitorLeft && overlaps(s.leftStartY, s.leftEndY, monitorTop, monitorBottom))
            left = std::max(left, s.left);
        if (rightBand < monitorRight &&
            overlaps(s.rightStartY, s.rightEndY, monitorTop, monitorBottom))
            right = std::min(right, rightBand);
        if (s.top > monitorTop && overlaps(s.topStartX, s.topEndX, monitorLeft, monitorRight))
            top = std::max(top, s.top);
        if (bottomBand < monitorBottom &&
            overlaps(s.bottomStartX, s.bottomEndX, monitorLeft, monitorRight))
            bottom = std::min(bottom, bottomBand);
    }
    if (right <= left || bottom <= top) return monitor;
    return {left, top, right - left, bottom - top};
}

} // namespace lumio
