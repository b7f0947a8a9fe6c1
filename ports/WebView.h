#pragma once
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace lumio {

// A transparent web page filling its panel. Main thread.
//
// onFail runs at most once, on the main thread, possibly from within loadFile,
// when the page can no longer be shown (it failed to load, or whatever runs it
// ended or stopped answering). By then nothing of it or of the panels made
// with it is on screen, stderr has said why, and they stay inert; the core
// makes new ones for the next break.
class WebView {
  public:
    virtual ~WebView() = default;

    // Loads file; the page may read files under readAccessDir and nothing
    // else, and reaches no network. Call once.
    virtual void loadFile(const std::filesystem::path& file,
                          const std::filesystem::path& readAccessDir) = 0;
    // Runs script in the loaded page; before onLoaded it may be lost.
    virtual void runJavaScript(const std::string& script) = 0;
    // Once, when the page has loaded.
    virtual void setOnLoaded(std::function<void()> onLoaded) = 0;
    // For each message the page posts; a body that is not a string arrives as
    // nullopt. The page may post anything, any number of times.
    virtual void setOnMessage(std::function<void(const std::optional<std::string>&)> onMessage) = 0;
    virtual void setOnFail(std::function<void()> onFail) = 0;
};

} // namespace lumio
