#pragma once

#include "desktop/system/IdleSource.h"

#include <functional>
#include <memory>
#include <vector>

namespace lumio {

// Asks the first source that works, those told of events before those asked
// each time, in the order given otherwise. A source that does not start or
// stops answering is left alone for RETRY_SECS, then tried again, and used
// again if it works: desktops restart their services, and some come up
// after this program. With none working the answer is 0, and stderr says
// so once, then once more when a source works again. Toolkit-free.
class IdleSourceChooser {
  public:
    static constexpr double RETRY_SECS = 30.0;

    explicit IdleSourceChooser(std::vector<std::unique_ptr<IdleSource>> sources);

    // The threshold every source is started with, and whom the sources that
    // tell events tell of each crossing.
    void watch(double threshold, std::function<void()> crossed);

    // Seconds since the last input; `now` is a monotonic clock in seconds.
    double idleSeconds(double now);
    // Whether the source that gave the last answer tells crossings.
    bool answersTellCrossings() const { return answeredByEvents; }

  private:
    struct Entry {
        std::unique_ptr<IdleSource> source;
        bool started = false;
        double restAfterFailureUntil = 0;
    };

    std::optional<double> ask(Entry& entry, double now);

    std::vector<Entry> entries;
    double threshold = 0;
    std::function<void()> crossed;
    bool reportedNone = false;
    bool answeredByEvents = false;
};

} // namespace lumio
