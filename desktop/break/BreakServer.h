#pragma once

#include "desktop/break/QtOverlayToolkit.h"
#include "desktop/overlay/LineChannel.h"

#include <map>
#include <memory>

namespace lumio {

// The helper's side of the channel: makes the panels and pages Lumio asks
// for, carries out what it asks of them, and tells it what the pages say.
// Quits the application when the channel closes.
class BreakServer final {
  public:
    // reportPaint: tell Lumio when each break has been painted.
    BreakServer(int channelFd, bool reportPaint);
    ~BreakServer();
    BreakServer(const BreakServer&) = delete;
    BreakServer& operator=(const BreakServer&) = delete;

  private:
    void received(const QJsonObject& message);
    void tell(const QString& event, int id, QJsonObject fields = {});

    QtOverlayToolkit toolkit;
    std::map<int, std::unique_ptr<Panel>> panels;
    // Each page lives in its panel, so the pages go first.
    std::map<int, std::unique_ptr<WebView>> pages;
    LineChannel channel;
};

} // namespace lumio
