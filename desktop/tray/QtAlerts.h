#pragma once

#include "ports/Alerts.h"

#include <filesystem>

namespace lumio {

// Modal message boxes titled "Lumio".
class QtAlerts final : public Alerts {
  public:
    explicit QtAlerts(std::filesystem::path resources) : resources(std::move(resources)) {}
    int runModal(const Alert& alert) override;

  private:
    std::filesystem::path resources;
};

} // namespace lumio
