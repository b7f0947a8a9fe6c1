#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumio {

struct Alert {
    std::optional<std::string> iconName; // an image resource; nullopt: the default icon
    std::string message;
    std::string informativeText;
    std::vector<std::string> buttons; // empty: one default button
};

inline constexpr int ALERT_FIRST_BUTTON = 1000;

class Alerts {
  public:
    virtual ~Alerts() = default;
    // Modal; ALERT_FIRST_BUTTON + n for the n-th button chosen.
    virtual int runModal(const Alert& alert) = 0;
};

} // namespace lumio
