#pragma once

namespace lumio {

// Given how many running copies carry our identity, the asking one included,
// whether this one must step aside (and exit with status 0, silently).
constexpr bool isSecondInstance(int runningCount) {
    return runningCount >= 2;
}

} // namespace lumio
