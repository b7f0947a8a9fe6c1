#include "files/LocalTime.h"

#include "files/FileStamp.h"

#include <cstdlib>
#include <string>

namespace lumio {
namespace {

// The zone file in force: the one TZ names, else the system's.
std::string zoneFile() {
    const char* tz = std::getenv("TZ");
    if (tz == nullptr) return "/etc/localtime";
    std::string name = tz[0] == ':' ? tz + 1 : tz;
    if (name.empty() || name.front() == '/') return name;
    const char* dir = std::getenv("TZDIR");
    return std::string(dir != nullptr && *dir != '\0' ? dir : "/usr/share/zoneinfo") + "/" + name;
}

// The C library reads the zone again when TZ changes or, with TZ unset, when /etc/localtime
// changes; a file named by TZ it reads only once. A changed file is made to count by unsetting
// TZ for a moment.
void followTimeZone() {
    static std::optional<FileStamp> seen;
    const auto now = stampOf(zoneFile());
    if (const char* tz = std::getenv("TZ"); tz != nullptr && seen && now && now != seen) {
        const std::string kept = tz;
        ::unsetenv("TZ");
        ::tzset();
        ::setenv("TZ", kept.c_str(), 1);
    }
    seen = now;
    ::tzset();
}

} // namespace

std::optional<std::tm> localTime(std::time_t t) {
    followTimeZone();
    std::tm local{};
    if (::localtime_r(&t, &local) == nullptr) return std::nullopt;
    return local;
}

} // namespace lumio
