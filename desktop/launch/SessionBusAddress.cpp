#include "desktop/launch/SessionBusAddress.h"

#include "files/Diagnostics.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace lumio {

void settleSessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) return;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::filesystem::path folder =
        runtime && *runtime == '/' ? runtime : "/run/user/" + std::to_string(::getuid());
    const auto bus = folder / "bus";
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + bus.string()).c_str(), 1);
    struct stat info {};
    if (::stat(bus.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) return;
    diagnose("no session bus (DBUS_SESSION_BUS_ADDRESS is not set and " + bus.string() +
             " is not there); running without D-Bus");
}

} // namespace lumio
