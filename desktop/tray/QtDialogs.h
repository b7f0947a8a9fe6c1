#pragma once

#include "ports/Dialogs.h"

#include <filesystem>

namespace lumio {

// Modal message boxes titled "Lumio".
class QtDialogs final : public Dialogs {
  public:
    explicit QtDialogs(std::filesystem::path resources) : resources(std::move(resources)) {}
    std::optional<std::size_t> ask(const MessageDialog& dialog) override;

  private:
    std::filesystem::path resources;
};

} // namespace lumio
