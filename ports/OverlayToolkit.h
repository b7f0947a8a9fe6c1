#pragma once
#include "ports/Panel.h"
#include "ports/Screens.h"
#include "ports/Time.h"
#include "ports/WebView.h"
#include <filesystem>
#include <memory>

namespace lumio {

// Makes the break's panels and page. They may be costly to keep (a web
// engine in a process of its own): the core makes them shortly before a
// break and drops them after it. Whatever backs them ends once the last one
// made is destroyed. Main thread.
class OverlayToolkit {
  public:
    virtual ~OverlayToolkit() = default;

    // How long before a break its panels and page should be made for the page
    // to have loaded in time, on the core's clock; zero when making them is
    // instant.
    virtual Seconds preparationTime() const = 0;
    // Never null. A panel that cannot be shown (no display) is inert.
    virtual std::unique_ptr<Panel> makePanel(const PanelStyle& style) = 0;
    // A page of width x height logical pixels inside host, which must outlive it.
    virtual std::unique_ptr<WebView> makeWebView(Panel& host, double width, double height) = 0;
    virtual const Screens& screens() const = 0;
    // The folder holding the page and its images.
    virtual std::filesystem::path resourceDirectory() const = 0;
};

} // namespace lumio
