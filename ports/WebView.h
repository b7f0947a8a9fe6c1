#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace lumio {

// What the page shows for one break: the animal (an id of ANIMALS), how long
// the user looks away, and how long the snooze it offers lasts.
struct BreakPage {
    std::string animalId;
    std::int64_t breakSec = 0;
    std::int64_t snoozeMin = 0;
    friend bool operator==(const BreakPage&, const BreakPage&) = default;
};

// What the page says about the break it shows: the user's answer, then
// Closed once its card has finished leaving.
enum class PageEvent { Done, Skipped, Snoozed, Closed };

// Why a page can no longer be shown.
enum class PageFailure {
    // It failed to load, or whatever runs it ended or stopped answering.
    Broken,
    // What runs it was installed by another version of Lumio than this one
    // (an upgrade under the running program) and cannot show it.
    Outdated,
};

// A transparent web page filling its panel. Main thread.
//
// onFail runs at most once, on the main thread, possibly from within loadFile,
// when the page can no longer be shown. By then nothing of it or of the panels
// made with it is on screen, stderr has said why, and they stay inert; the
// core makes new ones for the next break.
class WebView {
  public:
    virtual ~WebView() = default;

    // Loads file; the page may read files under readAccessDir and nothing
    // else, and reaches no network. Call once.
    virtual void loadFile(const std::filesystem::path& file,
                          const std::filesystem::path& readAccessDir) = 0;
    // Has the loaded page show a break, in place of any it showed; before
    // onLoaded it may be lost.
    virtual void showBreak(const BreakPage& page) = 0;
    // Once, when the page has loaded.
    virtual void setOnLoaded(std::function<void()> onLoaded) = 0;
    // For each event the page tells; it may tell any of them any number of
    // times, and tell of a break long gone.
    virtual void setOnEvent(std::function<void(PageEvent)> onEvent) = 0;
    virtual void setOnFail(std::function<void(PageFailure)> onFail) = 0;
};

} // namespace lumio
