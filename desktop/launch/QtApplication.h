#pragma once

#include "ports/Desktop.h"

namespace lumio {

class QtApplication final : public Application {
  public:
    void activate() override;
    void terminate() override;
};

} // namespace lumio
