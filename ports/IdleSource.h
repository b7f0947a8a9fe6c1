#pragma once

namespace lumio {

// Seconds since the user's last input event (keyboard, pointer, anything).
// A desktop without such a source answers 0: the user never counts as away.
class IdleSource {
  public:
    virtual ~IdleSource() = default;
    virtual double secondsSinceLastInput() = 0;
};

} // namespace lumio
