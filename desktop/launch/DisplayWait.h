#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace lumio {

// Whether the display Qt is about to open answers: an X server at $DISPLAY
// (when Qt runs on xcb) or a Wayland compositor at $WAYLAND_DISPLAY (when it
// runs on wayland), either one when Qt chooses. A session that names a
// display which is not up yet (Lumio started at login just before it) is
// given up to patience to appear. Returns nullopt once it answers, else why
// not, in English. Qt aborts without a display, so this is asked first.
// Main thread, before the QApplication exists.
std::optional<std::string> waitForDisplay(std::chrono::milliseconds patience);

} // namespace lumio
