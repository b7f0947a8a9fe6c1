#pragma once

#include <string_view>

namespace lumio {

// The one way Lumio's programs speak to whoever reads their stderr: one English line each,
// prefixed with the program's name. Written through std::cerr, so that a test can catch them.

// Names the program in every line from now on ("lumio-break"); until then the name it was run
// by. Main thread, once at start, before other threads run.
void setProgramName(std::string_view name);

// Writes "<program>: <line>" and a newline to stderr. Thread: any.
void diagnose(std::string_view line);

// As diagnose, but a line said before in this process is not said again; returns whether it
// was written now. Thread: any.
bool diagnoseOnce(std::string_view line);

// As diagnoseOnce, for a line another program wrote with its own prefix: passed on as it is.
bool relayOnce(std::string_view line);

} // namespace lumio
