#pragma once

#include <memory>
#include <utility>

namespace lumio {

// Wraps work handed to the desktop (timers, handlers) so that it does nothing
// once the object holding the guard is gone.
class AliveGuard {
  public:
    template <typename F> auto operator()(F f) const {
        return [alive = std::weak_ptr<const bool>(token), f = std::move(f)](auto&&... args) {
            if (alive.lock()) f(std::forward<decltype(args)>(args)...);
        };
    }

  private:
    std::shared_ptr<const bool> token = std::make_shared<const bool>(true);
};

} // namespace lumio
