#include "desktop/launch/DisplayWait.h"

#include "files/UniqueFd.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <xcb/xcb.h>

namespace lumio {

namespace {

constexpr auto RETRY = std::chrono::milliseconds(250);

std::string_view environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string_view() : std::string_view(value);
}

bool xServerAnswers() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool answered = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answered;
}

// The compositor's socket: $WAYLAND_DISPLAY itself when absolute, else in
// $XDG_RUNTIME_DIR, as libwayland finds it.
bool compositorAnswers() {
    std::filesystem::path socketPath(environment("WAYLAND_DISPLAY"));
    if (socketPath.is_relative()) socketPath = environment("XDG_RUNTIME_DIR") / socketPath;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const auto text = socketPath.string();
    if (text.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    const UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    return fd.valid() &&
           ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

} // namespace

std::optional<std::string> waitForDisplay(std::chrono::milliseconds patience) {
    const auto platform = environment("QT_QPA_PLATFORM");
    const bool anyPlatform = platform.empty();
    const bool x11 = anyPlatform || platform.starts_with("xcb");
    const bool wayland = anyPlatform || platform.starts_with("wayland");
    // Offscreen and other platforms need no display.
    if (!x11 && !wayland) return std::nullopt;

    const auto display = environment("DISPLAY");
    const auto compositor = environment("WAYLAND_DISPLAY");
    const bool named = (x11 && !display.empty()) || (wayland && !compositor.empty());
    if (!named) {
        return std::string("no display: ") + (x11 ? "DISPLAY" : "WAYLAND_DISPLAY") +
               (x11 && wayland ? " and WAYLAND_DISPLAY are" : " is") +
               " not set; Lumio needs a desktop session";
    }
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (x11 && !display.empty() && xServerAnswers()) return std::nullopt;
        if (wayland && !compositor.empty() && compositorAnswers()) return std::nullopt;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(RETRY);
    }
    const std::string name(x11 && !display.empty() ? display : compositor);
    return "cannot open the display " + name + "; is the desktop session running?";
}

} // namespace lumio
