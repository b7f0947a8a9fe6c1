#include "desktop/system/X11IdleSource.h"

#include "desktop/system/X11Session.h"

#include <cstdlib>

#include <xcb/screensaver.h>
#include <xcb/xcb.h>

namespace lumio {

struct X11IdleSource::Connection {
    int screenNumber = 0; // set by xcb_connect, so first
    xcb_connection_t* const xcb;
    xcb_window_t root = 0;

    Connection() : xcb(xcb_connect(nullptr, &screenNumber)) {}
    ~Connection() { xcb_disconnect(xcb); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool open() {
        if (xcb_connection_has_error(xcb) != 0) return false;
        const auto* extension = xcb_get_extension_data(xcb, &xcb_screensaver_id);
        if (extension == nullptr || extension->present == 0) return false;
        auto screens = xcb_setup_roots_iterator(xcb_get_setup(xcb));
        for (; screens.rem > 1 && screenNumber > 0; --screenNumber)
            xcb_screen_next(&screens);
        root = screens.data->root;
        return true;
    }
};

X11IdleSource::X11IdleSource() = default;
X11IdleSource::~X11IdleSource() = default;

bool X11IdleSource::start(double, std::function<void()>) {
    connection.reset();
    if (!x11Session()) return false;
    auto opened = std::make_unique<Connection>();
    if (!opened->open()) return false;
    connection = std::move(opened);
    return true;
}

std::optional<double> X11IdleSource::idleSeconds() {
    if (!connection) return std::nullopt;
    auto* reply = xcb_screensaver_query_info_reply(
        connection->xcb, xcb_screensaver_query_info(connection->xcb, connection->root), nullptr);
    if (reply == nullptr) return std::nullopt;
    const double seconds = reply->ms_since_user_input / 1000.0;
    std::free(reply);
    return seconds;
}

} // namespace lumio
