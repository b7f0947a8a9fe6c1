#pragma once

#include <ctime>
#include <optional>

namespace lumio {

// The calendar time of t in the user's time zone as it is now: a zone file changed under us (a
// user who travels) counts from the next call, even one that TZ names. nullopt when the C
// library cannot convert t. Thread: main (it may set TZ for a moment).
std::optional<std::tm> localTime(std::time_t t);

} // namespace lumio
