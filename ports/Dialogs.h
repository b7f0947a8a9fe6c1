#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace lumio {

struct MessageDialog {
    std::optional<std::string> iconName; // an image resource; nullopt: the program's icon
    std::string text;
    std::string informativeText;
    std::vector<std::string> buttons; // empty: one button that closes the dialog
};

// Modal dialogs. Main thread.
class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // Shows the dialog in front of other windows and waits for the user. The
    // main loop keeps running meanwhile (ticks, timers, D-Bus calls), so
    // anything may have changed by the time it returns. Returns the index of
    // the button chosen; Escape and the window's close button choose the last
    // one, so the first is only ever chosen by the user's explicit click
    // (unless it is the only one). nullopt when no button was chosen because
    // the program is quitting.
    virtual std::optional<std::size_t> ask(const MessageDialog& dialog) = 0;
};

} // namespace lumio
