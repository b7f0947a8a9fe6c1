#pragma once

#include <memory>
#include <utility>

namespace lumio {

// Wraps work handed to the desktop (timers, handlers) so that it does nothing
// once the object holding the guard is gone; work that answers then answers
// an empty value.
class AliveGuard {
  public:
    template <typename F> auto operator()(F f) const {
        return [alive = std::weak_ptr<const bool>(token), f = std::move(f)](auto&&... args) {
            using Answer = decltype(f(std::forward<decltype(args)>(args)...));
            if (!alive.lock()) return Answer();
            return f(std::forward<decltype(args)>(args)...);
        };
    }

    // From now on the work wrapped so far does nothing; for a destructor to
    // call first, before the members that work would use are gone.
    void revoke() { token.reset(); }

  private:
    std::shared_ptr<const bool> token = std::make_shared<const bool>(true);
};

} // namespace lumio
