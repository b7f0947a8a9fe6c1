#pragma once
#include <string>
#include <vector>

namespace lumio {

// Lumio's own files on disk, which a package upgrade can replace under the
// running program. Main thread.
class InstalledProgram {
  public:
    virtual ~InstalledProgram() = default;

    // Whether the program file this copy was started from has been replaced
    // since it started. Looks afresh at each call; false when it cannot tell.
    virtual bool wasReplaced() const = 0;

    // Ends the main loop as MainLoop::quit() does; once the program has
    // saved what it holds and let go of its lock and bus names, the installed
    // program takes over this process with arguments. If it cannot, stderr
    // says why and the program ends with a failure status. Repeated calls
    // are harmless; the last arguments count.
    virtual void relaunch(std::vector<std::string> arguments) = 0;
};

} // namespace lumio
