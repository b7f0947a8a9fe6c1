#pragma once

namespace lumio {

// Makes sure Lumio and its helper use the session's own bus or none: with
// DBUS_SESSION_BUS_ADDRESS unset, libdbus would otherwise launch a bus of
// its own (dbus-launch and a dbus-daemon) that outlives Lumio. The address
// is then the user's bus in $XDG_RUNTIME_DIR, as systemd sessions have it,
// whether or not it is there; when it is not, one line on stderr says what
// goes without a bus. Main thread, before anything connects to a bus.
void settleSessionBusAddress();

} // namespace lumio
