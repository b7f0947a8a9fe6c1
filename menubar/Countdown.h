#pragma once

#include <string>

namespace lumio {

// Seconds to the countdown text "m:ss"; minutes are not capped at 59.
std::string countdownText(double seconds);

} // namespace lumio
