#include "desktop/launch/DesktopScale.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <xcb/xcb.h>

namespace lumio {

namespace {

// A reader of the XSETTINGS wire format: numbers in the byte order the
// property's first byte names, strings padded to four bytes.
class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> bytes)
        : bytes(bytes), bigEndian(!bytes.empty() && bytes[0] != 0) {}

    bool skip(std::size_t count) {
        if (bytes.size() - at < count) return false;
        at += count;
        return true;
    }
    std::optional<std::uint32_t> number(std::size_t size) {
        if (bytes.size() - at < size) return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            const std::size_t index = bigEndian ? at + i : at + size - 1 - i;
            value = (value << 8) | bytes[index];
        }
        at += size;
        return value;
    }
    std::optional<std::string_view> padded(std::size_t length) {
        if (bytes.size() - at < length) return std::nullopt;
        const std::string_view text(reinterpret_cast<const char*>(bytes.data() + at), length);
        if (!skip(length + (4 - length % 4) % 4)) return std::nullopt;
        return text;
    }

  private:
    std::span<const std::uint8_t> bytes;
    bool bigEndian;
    std::size_t at = 0;
};

enum SettingType : std::uint32_t { INTEGER = 0, STRING = 1, COLOR = 2 };

template <typename Reply> using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

std::optional<int> fromServer() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> closing(connection,
                                                                               xcb_disconnect);
    if (xcb_connection_has_error(connection) != 0) return std::nullopt;
    const auto atom = [connection](const std::string& name) {
        const Owned<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection,
                                  xcb_intern_atom(connection, 0,
                                                  static_cast<std::uint16_t>(name.size()),
                                                  name.c_str()),
                                  nullptr),
            std::free);
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    };
    const Owned<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(
            connection,
            xcb_get_selection_owner(connection,
                                    atom("_XSETTINGS_S" + std::to_string(screenNumber))),
            nullptr),
        std::free);
    if (!owner || owner->owner == XCB_WINDOW_NONE) return std::nullopt;
    const auto settingsAtom = atom("_XSETTINGS_SETTINGS");
    const Owned<xcb_get_property_reply_t> property(
        xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, owner->owner, settingsAtom, settingsAtom, 0, 1 << 16),
            nullptr),
        std::free);
    if (!property || property->format != 8) return std::nullopt;
    const auto* data = static_cast<const std::uint8_t*>(xcb_get_property_value(property.get()));
    return windowScalingFactor(
        {data, static_cast<std::size_t>(xcb_get_property_value_length(property.get()))});
}

bool userChose(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

} // namespace

std::optional<int> windowScalingFactor(std::span<const std::uint8_t> settings) {
    Reader reader(settings);
    if (!reader.skip(8)) return std::nullopt; // byte order, padding, serial
    const auto count = reader.number(4);
    if (!count) return std::nullopt;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto type = reader.number(1);
        const auto nameLength = reader.skip(1) ? reader.number(2) : std::nullopt;
        const auto name = nameLength ? reader.padded(*nameLength) : std::nullopt;
        if (!type || !name || !reader.skip(4)) return std::nullopt; // last-change serial
        if (*type == INTEGER) {
            const auto value = reader.number(4);
            if (!value) return std::nullopt;
            if (*name == "Gdk/WindowScalingFactor") return static_cast<std::int32_t>(*value);
        } else if (*type == STRING) {
            const auto length = reader.number(4);
            if (!length || !reader.padded(*length)) return std::nullopt;
        } else if (*type != COLOR || !reader.skip(8)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

void followDesktopScale() {
    // A Wayland compositor scales its clients itself, the break helper's
    // layer surfaces included.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool x11 = !userChose("WAYLAND_DISPLAY") &&
                     (platform == nullptr || std::string_view(platform).starts_with("xcb"));
    if (!x11 || userChose("QT_SCALE_FACTOR") || userChose("QT_SCREEN_SCALE_FACTORS")) return;
    if (const auto factor = fromServer(); factor && *factor > 1)
        ::setenv("QT_SCALE_FACTOR", std::to_string(*factor).c_str(), 1);
}

} // namespace lumio
