#pragma once

#include "channel/BreakProtocol.h"
#include "desktop/break/QtOverlayToolkit.h"
#include "desktop/overlay/LineChannel.h"

#include <map>
#include <memory>

namespace lumio {

// The helper's side of the channel: makes the panels and pages Lumio asks
// for, carries out what it asks of them, and tells it what the pages say.
// Quits the application when the channel closes, or when Lumio speaks another
// version of the channel (Lumio says so; an upgrade replaced one of us).
class BreakServer final {
  public:
    // reportPaint: tell Lumio when each break has been painted.
    BreakServer(int channelFd, bool reportPaint);
    ~BreakServer();
    BreakServer(const BreakServer&) = delete;
    BreakServer& operator=(const BreakServer&) = delete;

  private:
    void received(std::string_view line);
    void tell(const channel::FromHelper& message);

    void handle(const channel::Hello& hello);
    void handle(const channel::MakePanel& make);
    void handle(const channel::MakePage& make);
    void handle(const channel::PlacePanel& place);
    void handle(const channel::ShowPanel& show);
    void handle(const channel::HidePanel& hide);
    void handle(const channel::SetOpacity& set);
    void handle(const channel::FadePanel& fade);
    void handle(const channel::ShowBreak& show);
    void handle(const channel::Ping&);
    Panel* panel(int id) const;

    QtOverlayToolkit toolkit;
    std::map<int, std::unique_ptr<Panel>> panels;
    // Each page lives in its panel, so the pages go first.
    std::map<int, std::unique_ptr<WebView>> pages;
    bool greeted = false;
    LineChannel channel;
};

} // namespace lumio
