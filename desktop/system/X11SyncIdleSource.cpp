#include "desktop/system/X11SyncIdleSource.h"

#include "desktop/system/X11Session.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include <xcb/sync.h>
#include <xcb/xcb.h>

namespace lumio {

namespace {

// Replies and events xcb allocates, freed with free().
template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> XcbReply<T> owned(T* reply) {
    return {reply, &std::free};
}

std::int64_t fromSync(xcb_sync_int64_t value) {
    return static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(value.hi)) << 32) | value.lo);
}

xcb_sync_int64_t toSync(std::int64_t value) {
    const auto bits = static_cast<std::uint64_t>(value);
    return {.hi = static_cast<std::int32_t>(bits >> 32),
            .lo = static_cast<std::uint32_t>(bits & 0xffffffffU)};
}

// The listed system counter of that name. Read from the bytes: each entry is
// padded to four bytes, which xcb's iterator (1.15) does not skip.
std::optional<xcb_sync_counter_t> counterNamed(const xcb_sync_list_system_counters_reply_t& reply,
                                               std::string_view wanted) {
    const auto* bytes = reinterpret_cast<const char*>(&reply) + sizeof(reply);
    const auto* const end = bytes + std::size_t{reply.length} * 4;
    // On the wire: the counter, its resolution and the name's length.
    constexpr std::size_t HEAD = 4 + 8 + 2;
    for (std::uint32_t i = 0; i < reply.counters_len && bytes + HEAD <= end; ++i) {
        xcb_sync_systemcounter_t entry{};
        std::memcpy(&entry, bytes, HEAD);
        if (bytes + HEAD + entry.name_len > end) break;
        if (std::string_view(bytes + HEAD, entry.name_len) == wanted) return entry.counter;
        bytes += (HEAD + entry.name_len + 3) / 4 * 4;
    }
    return std::nullopt;
}

} // namespace

struct X11SyncIdleSource::Connection {
    xcb_connection_t* const xcb;
    xcb_sync_counter_t idleTime = 0;
    xcb_sync_alarm_t alarm = 0;
    std::uint8_t alarmNotify = 0; // the event code of the alarm's notifications
    std::int64_t thresholdMs = 0;
    bool idle = false; // whether the alarm waits for the user's return
    std::unique_ptr<QSocketNotifier> socket;
    IdleCrossings crossings;

    Connection() : xcb(xcb_connect(nullptr, nullptr)) {}
    ~Connection() {
        socket.reset();
        xcb_disconnect(xcb);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool broken() const { return xcb_connection_has_error(xcb) != 0; }

    bool findIdleTime() {
        const auto* extension = xcb_get_extension_data(xcb, &xcb_sync_id);
        if (extension == nullptr || extension->present == 0) return false;
        alarmNotify = static_cast<std::uint8_t>(extension->first_event + XCB_SYNC_ALARM_NOTIFY);
        // The server expects the version talk before any other request.
        owned(xcb_sync_initialize_reply(
            xcb, xcb_sync_initialize(xcb, XCB_SYNC_MAJOR_VERSION, XCB_SYNC_MINOR_VERSION),
            nullptr));
        const auto counters = owned(
            xcb_sync_list_system_counters_reply(xcb, xcb_sync_list_system_counters(xcb), nullptr));
        if (!counters) return false;
        const auto found = counterNamed(*counters, "IDLETIME");
        idleTime = found.value_or(0);
        return found.has_value();
    }

    bool open(double threshold) {
        if (broken() || !findIdleTime()) return false;
        thresholdMs = static_cast<std::int64_t>(
            std::clamp(threshold * 1000.0, 1.0,
                       static_cast<double>(std::numeric_limits<std::int32_t>::max())));
        alarm = xcb_generate_id(xcb);
        const xcb_sync_create_alarm_value_list_t values{
            .counter = idleTime,
            .valueType = XCB_SYNC_VALUETYPE_ABSOLUTE,
            .value = toSync(thresholdMs),
            .testType = XCB_SYNC_TESTTYPE_POSITIVE_COMPARISON,
            .delta = toSync(0),
            .events = 1,
        };
        const auto created = xcb_sync_create_alarm_aux_checked(
            xcb, alarm,
            XCB_SYNC_CA_COUNTER | XCB_SYNC_CA_VALUE_TYPE | XCB_SYNC_CA_VALUE |
                XCB_SYNC_CA_TEST_TYPE | XCB_SYNC_CA_DELTA | XCB_SYNC_CA_EVENTS,
            &values);
        if (owned(xcb_request_check(xcb, created))) return false;
        socket =
            std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(xcb), QSocketNotifier::Read);
        QObject::connect(socket.get(), &QSocketNotifier::activated, [this] { read(); });
        // Events read along with the replies above wait in xcb's queue.
        QTimer::singleShot(0, socket.get(), [this] { read(); });
        return true;
    }

    // Sets the alarm to fire when the counter is at or past `value` the way
    // `testType` says; a comparison with no delta fires once, then rests.
    void aim(std::int64_t value, std::uint32_t testType) {
        const xcb_sync_change_alarm_value_list_t values{
            .counter = idleTime,
            .valueType = XCB_SYNC_VALUETYPE_ABSOLUTE,
            .value = toSync(value),
            .testType = testType,
            .delta = toSync(0),
            .events = 1,
        };
        xcb_sync_change_alarm_aux(xcb, alarm, XCB_SYNC_CA_VALUE | XCB_SYNC_CA_TEST_TYPE, &values);
        xcb_flush(xcb);
    }

    void fired(const xcb_sync_alarm_notify_event_t& event) {
        if (event.alarm != alarm || event.state == XCB_SYNC_ALARMSTATE_DESTROYED) return;
        const auto counter = fromSync(event.counter_value);
        if ((counter >= thresholdMs) == idle) return;
        idle = !idle;
        if (idle) {
            // Any input sets the counter back below what it is now (the
            // comparison holds at equality too).
            aim(counter - 1, XCB_SYNC_TESTTYPE_NEGATIVE_COMPARISON);
            crossings.idled();
        } else {
            aim(thresholdMs, XCB_SYNC_TESTTYPE_POSITIVE_COMPARISON);
            crossings.resumed();
        }
    }

    void read() {
        while (auto event = owned(xcb_poll_for_event(xcb))) {
            if ((event->response_type & 0x7f) == alarmNotify)
                fired(*reinterpret_cast<const xcb_sync_alarm_notify_event_t*>(event.get()));
        }
        // A closed socket stays readable: stop watching it.
        if (broken()) socket->setEnabled(false);
    }

    std::optional<double> idleSeconds() {
        const auto reply = owned(
            xcb_sync_query_counter_reply(xcb, xcb_sync_query_counter(xcb, idleTime), nullptr));
        if (!reply) return std::nullopt;
        QTimer::singleShot(0, socket.get(), [this] { read(); });
        return static_cast<double>(fromSync(reply->counter_value)) / 1000.0;
    }
};

X11SyncIdleSource::X11SyncIdleSource() = default;
X11SyncIdleSource::~X11SyncIdleSource() = default;

bool X11SyncIdleSource::start(double threshold, std::function<void()> crossed) {
    connection.reset();
    if (!x11Session()) return false;
    auto opened = std::make_unique<Connection>();
    opened->crossings.tellTo(std::move(crossed));
    if (!opened->open(threshold)) return false;
    connection = std::move(opened);
    return true;
}

std::optional<double> X11SyncIdleSource::idleSeconds() {
    if (!connection || connection->broken()) return std::nullopt;
    return connection->idleSeconds();
}

} // namespace lumio
