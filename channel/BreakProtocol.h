#pragma once

#include "ports/Panel.h"
#include "ports/WebView.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// The channel between lumio and lumio-break, its break helper: one JSON object per line each
// way, each with a "type". Both ends start with Hello and then send only the messages of their
// direction below. The tray ends the helper by closing the channel; a helper whose channel
// closes ends too.
//
// lumio asks for panels and a page by ids it chooses, places and fades the panels, and has the
// page show a break; lumio-break tells what became of them. An installed lumio and lumio-break
// always come from one build; the version in Hello tells a running lumio that the helper it
// started was installed since by another build (a package upgrade under it).
namespace lumio::channel {

// The version this program speaks, raised whenever a message, a field or its
// meaning changes. Defined in channel/ProtocolVersion.cpp, which each program
// compiles in itself, so that a test can build a pair that speaks the next one.
int version();

// Longest line either end accepts; the longest real one is a few hundred bytes.
inline constexpr std::size_t MAX_LINE = 16 * 1024;

struct Hello {
    int version = channel::version();
    bool operator==(const Hello&) const = default;
};

// lumio to lumio-break.
struct MakePanel {
    int panel = 0;
    PanelStyle style;
    bool operator==(const MakePanel&) const = default;
};
// A page of width x height in panel host, loading file and allowed to read folder only.
struct MakePage {
    int page = 0;
    int host = 0;
    double width = 0, height = 0;
    std::string file, folder;
    bool operator==(const MakePage&) const = default;
};
struct PlacePanel {
    int panel = 0;
    Rect geometry;
    bool operator==(const PlacePanel&) const = default;
};
struct ShowPanel {
    int panel = 0;
    bool operator==(const ShowPanel&) const = default;
};
struct HidePanel {
    int panel = 0;
    bool operator==(const HidePanel&) const = default;
};
struct SetOpacity {
    int panel = 0;
    double opacity = 0;
    bool operator==(const SetOpacity&) const = default;
};
// Answered by Faded with the same fade number unless a later fade or opacity stops it.
struct FadePanel {
    int panel = 0;
    double opacity = 0, seconds = 0;
    int fade = 0;
    bool operator==(const FadePanel&) const = default;
};
struct ShowBreak {
    int page = 0;
    BreakPage shown;
    bool operator==(const ShowBreak&) const = default;
};
// Sent every second; a helper that lets STALL_SECS pass without a line is taken as hung.
struct Ping {
    bool operator==(const Ping&) const = default;
};
using FromTray = std::variant<Hello, MakePanel, MakePage, PlacePanel, ShowPanel, HidePanel,
                              SetOpacity, FadePanel, ShowBreak, Ping>;

// lumio-break to lumio.
struct PageLoaded {
    int page = 0;
    bool operator==(const PageLoaded&) const = default;
};
// The page posted one of its words about the break it shows.
struct PageSaid {
    int page = 0;
    PageEvent event = PageEvent::Closed;
    bool operator==(const PageSaid&) const = default;
};
// The page can no longer be shown; the helper has said why on stderr.
struct PageFailed {
    int page = 0;
    bool operator==(const PageFailed&) const = default;
};
struct Faded {
    int panel = 0;
    int fade = 0;
    bool operator==(const Faded&) const = default;
};
// The first frame of a break reached the screen; only when asked for with --report-paint.
struct Painted {
    bool operator==(const Painted&) const = default;
};
// The answer to Ping.
struct Alive {
    bool operator==(const Alive&) const = default;
};
using FromHelper = std::variant<Hello, PageLoaded, PageSaid, PageFailed, Faded, Painted, Alive>;

// One line, without its newline.
std::string encode(const FromTray& message);
std::string encode(const FromHelper& message);

// A line received, or why it is not one this end understands (for a diagnostic line).
template <typename Message> struct Decoded {
    std::optional<Message> message;
    std::string problem;
};
Decoded<FromTray> decodeFromTray(std::string_view line);
Decoded<FromHelper> decodeFromHelper(std::string_view line);

// The page's words for its events: "done", "skip", "snooze", "closed".
std::optional<PageEvent> pageEvent(std::string_view word);

} // namespace lumio::channel
