#include "channel/BreakProtocol.h"

#include <nlohmann/json.hpp>

#include <array>
#include <utility>

namespace lumio::channel {

namespace {

using Json = nlohmann::json;

// nlohmann reads 1.5 as the int 1; an id or a version must be whole.
int whole(const Json& j, const char* key) {
    const auto& value = j.at(key);
    if (!value.is_number_integer()) throw std::invalid_argument(key);
    return value.get<int>();
}

// Each message's name on the wire and its fields, written and read in one place.
template <typename Message> struct Wire;

template <> struct Wire<Hello> {
    static constexpr auto NAME = "hello";
    static void write(Json& j, const Hello& m) { j["version"] = m.version; }
    static Hello read(const Json& j) { return {whole(j, "version")}; }
};
template <> struct Wire<MakePanel> {
    static constexpr auto NAME = "makePanel";
    static void write(Json& j, const MakePanel& m) {
        j["panel"] = m.panel;
        j["level"] = m.style.level;
        j["clickThrough"] = m.style.clickThrough;
        j["blackAlpha"] = m.style.blackAlpha;
    }
    static MakePanel read(const Json& j) {
        return {whole(j, "panel"),
                {.level = whole(j, "level"),
                 .clickThrough = j.at("clickThrough").get<bool>(),
                 .blackAlpha = j.at("blackAlpha").get<double>()}};
    }
};
template <> struct Wire<MakePage> {
    static constexpr auto NAME = "makePage";
    static void write(Json& j, const MakePage& m) {
        j["page"] = m.page;
        j["host"] = m.host;
        j["width"] = m.width;
        j["height"] = m.height;
        j["file"] = m.file;
        j["folder"] = m.folder;
    }
    static MakePage read(const Json& j) {
        return {whole(j, "page"),
                whole(j, "host"),
                j.at("width").get<double>(),
                j.at("height").get<double>(),
                j.at("file").get<std::string>(),
                j.at("folder").get<std::string>()};
    }
};
template <> struct Wire<PlacePanel> {
    static constexpr auto NAME = "placePanel";
    static void write(Json& j, const PlacePanel& m) {
        j["panel"] = m.panel;
        j["x"] = m.geometry.x;
        j["y"] = m.geometry.y;
        j["width"] = m.geometry.width;
        j["height"] = m.geometry.height;
    }
    static PlacePanel read(const Json& j) {
        return {whole(j, "panel"),
                {j.at("x").get<double>(), j.at("y").get<double>(), j.at("width").get<double>(),
                 j.at("height").get<double>()}};
    }
};
template <> struct Wire<ShowPanel> {
    static constexpr auto NAME = "showPanel";
    static void write(Json& j, const ShowPanel& m) { j["panel"] = m.panel; }
    static ShowPanel read(const Json& j) { return {whole(j, "panel")}; }
};
template <> struct Wire<HidePanel> {
    static constexpr auto NAME = "hidePanel";
    static void write(Json& j, const HidePanel& m) { j["panel"] = m.panel; }
    static HidePanel read(const Json& j) { return {whole(j, "panel")}; }
};
template <> struct Wire<SetOpacity> {
    static constexpr auto NAME = "setOpacity";
    static void write(Json& j, const SetOpacity& m) {
        j["panel"] = m.panel;
        j["opacity"] = m.opacity;
    }
    static SetOpacity read(const Json& j) {
        return {whole(j, "panel"), j.at("opacity").get<double>()};
    }
};
template <> struct Wire<FadePanel> {
    static constexpr auto NAME = "fadePanel";
    static void write(Json& j, const FadePanel& m) {
        j["panel"] = m.panel;
        j["opacity"] = m.opacity;
        j["seconds"] = m.seconds;
        j["fade"] = m.fade;
    }
    static FadePanel read(const Json& j) {
        return {whole(j, "panel"), j.at("opacity").get<double>(), j.at("seconds").get<double>(),
                whole(j, "fade")};
    }
};
template <> struct Wire<ShowBreak> {
    static constexpr auto NAME = "showBreak";
    static void write(Json& j, const ShowBreak& m) {
        j["page"] = m.page;
        j["animalId"] = m.shown.animalId;
        j["breakSec"] = m.shown.breakSec;
        j["snoozeMin"] = m.shown.snoozeMin;
    }
    static ShowBreak read(const Json& j) {
        return {whole(j, "page"),
                {j.at("animalId").get<std::string>(), j.at("breakSec").get<std::int64_t>(),
                 j.at("snoozeMin").get<std::int64_t>()}};
    }
};
template <> struct Wire<Ping> {
    static constexpr auto NAME = "ping";
    static void write(Json&, const Ping&) {}
    static Ping read(const Json&) { return {}; }
};
template <> struct Wire<PageLoaded> {
    static constexpr auto NAME = "pageLoaded";
    static void write(Json& j, const PageLoaded& m) { j["page"] = m.page; }
    static PageLoaded read(const Json& j) { return {whole(j, "page")}; }
};

constexpr std::array<std::pair<std::string_view, PageEvent>, 4> WORDS{{
    {"done", PageEvent::Done},
    {"skip", PageEvent::Skipped},
    {"snooze", PageEvent::Snoozed},
    {"closed", PageEvent::Closed},
}};

template <> struct Wire<PageSaid> {
    static constexpr auto NAME = "pageSaid";
    static void write(Json& j, const PageSaid& m) {
        j["page"] = m.page;
        for (const auto& [word, event] : WORDS)
            if (event == m.event) j["event"] = word;
    }
    static PageSaid read(const Json& j) {
        const auto event = pageEvent(j.at("event").get<std::string>());
        if (!event) throw std::invalid_argument("unknown page event");
        return {whole(j, "page"), *event};
    }
};
template <> struct Wire<PageFailed> {
    static constexpr auto NAME = "pageFailed";
    static void write(Json& j, const PageFailed& m) { j["page"] = m.page; }
    static PageFailed read(const Json& j) { return {whole(j, "page")}; }
};
template <> struct Wire<Faded> {
    static constexpr auto NAME = "faded";
    static void write(Json& j, const Faded& m) {
        j["panel"] = m.panel;
        j["fade"] = m.fade;
    }
    static Faded read(const Json& j) { return {whole(j, "panel"), whole(j, "fade")}; }
};
template <> struct Wire<Painted> {
    static constexpr auto NAME = "painted";
    static void write(Json&, const Painted&) {}
    static Painted read(const Json&) { return {}; }
};
template <> struct Wire<Alive> {
    static constexpr auto NAME = "alive";
    static void write(Json&, const Alive&) {}
    static Alive read(const Json&) { return {}; }
};

template <typename Variant> std::string encodeAny(const Variant& message) {
    return std::visit(
        [](const auto& m) {
            using Message = std::decay_t<decltype(m)>;
            Json j{{"type", Wire<Message>::NAME}};
            Wire<Message>::write(j, m);
            return j.dump(-1, ' ', false, Json::error_handler_t::replace);
        },
        message);
}

// The alternative of Variant named type, read from j; nullopt for a name none has.
template <typename Variant, std::size_t I = 0>
std::optional<Variant> readNamed(std::string_view type, const Json& j) {
    if constexpr (I == std::variant_size_v<Variant>) {
        return std::nullopt;
    } else {
        using Message = std::variant_alternative_t<I, Variant>;
        if (type == Wire<Message>::NAME) return Variant{Wire<Message>::read(j)};
        return readNamed<Variant, I + 1>(type, j);
    }
}

template <typename Variant> Decoded<Variant> decodeAny(std::string_view line) {
    if (line.size() > MAX_LINE) {
        return {std::nullopt, "a line of " + std::to_string(line.size()) + " bytes"};
    }
    const auto j = Json::parse(line, nullptr, false);
    if (j.is_discarded() || !j.is_object()) return {std::nullopt, "a line that is not an object"};
    const auto type = j.find("type");
    if (type == j.end() || !type->is_string()) return {std::nullopt, "a line with no type"};
    const auto name = type->get<std::string>();
    try {
        if (auto message = readNamed<Variant>(name, j)) return {std::move(message), {}};
    } catch (const std::exception&) {
        return {std::nullopt, "a \"" + name + "\" line with fields missing or wrong"};
    }
    return {std::nullopt, "a line of unknown type \"" + name + "\""};
}

} // namespace

std::string encode(const FromTray& message) {
    return encodeAny(message);
}

std::string encode(const FromHelper& message) {
    return encodeAny(message);
}

Decoded<FromTray> decodeFromTray(std::string_view line) {
    return decodeAny<FromTray>(line);
}

Decoded<FromHelper> decodeFromHelper(std::string_view line) {
    return decodeAny<FromHelper>(line);
}

std::optional<PageEvent> pageEvent(std::string_view word) {
    for (const auto& [known, event] : WORDS)
        if (word == known) return event;
    return std::nullopt;
}

} // namespace lumio::channel
