#include "channel/BreakProtocol.h"

namespace lumio::channel {

int version() {
#ifdef LUMIO_NEXT_BREAK_PROTOCOL
    // The build of an upgrade test: what the next change to the channel will speak.
    return 2;
#else
    return 1;
#endif
}

} // namespace lumio::channel
