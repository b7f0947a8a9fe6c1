#pragma once

#include <optional>
#include <string>

namespace lumio {

enum class LoginItemStatus { NotRegistered = 0, Enabled = 1, RequiresApproval = 2, NotFound = 3 };

// Starting the program when the user logs in.
class LoginItem {
  public:
    virtual ~LoginItem() = default;
    // Each returns the system's description of the failure, or nullopt on success.
    virtual std::optional<std::string> registerItem() = 0;
    virtual std::optional<std::string> unregisterItem() = 0;
    virtual LoginItemStatus status() const = 0;
};

} // namespace lumio
