#pragma once

namespace lumio {

// For benchmarks only: LUMIO_TIME_SCALE=<factor> makes the program's clock
// and its timers run that many times faster, so hundreds of breaks fit in
// minutes. 1 when unset; a value that is not a number from 1 to 10000 is
// said on stderr and ignored.
double timeScaleFromEnvironment();

} // namespace lumio
