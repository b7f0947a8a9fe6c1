#include "desktop/measure/TimeScale.h"

#include "files/Diagnostics.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

namespace lumio {

namespace {
constexpr double MAX_SCALE = 10000.0;
} // namespace

double timeScaleFromEnvironment() {
    const char* text = std::getenv("LUMIO_TIME_SCALE");
    if (!text || !*text) return 1.0;
    double scale = 0.0;
    const auto* end = text + std::strlen(text);
    const auto [rest, error] = std::from_chars(text, end, scale);
    if (error != std::errc{} || rest != end || !(scale >= 1.0 && scale <= MAX_SCALE)) {
        diagnose(std::string("ignoring LUMIO_TIME_SCALE=") + text +
                 " (a number from 1 to 10000 is needed)");
        return 1.0;
    }
    return scale;
}

} // namespace lumio
