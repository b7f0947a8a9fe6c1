#pragma once

#include <iosfwd>

namespace lumio {

// For benchmarks only: LUMIO_TIME_SCALE=<factor> makes the program's clock
// and its timers run that many times faster, so hundreds of breaks fit in
// minutes. 1 when unset; a value that is not a number from 1 to 10000 is
// reported on log and ignored.
double timeScaleFromEnvironment(std::ostream& log);

} // namespace lumio
