#pragma once

#include "ports/WebView.h"

#include <QJsonValue>
#include <QObject>
#include <QString>
#include <functional>

namespace lumio {

// The page's end of the conversation: `window.webkit.messageHandlers.lumio
// .postMessage(word)` in the page reaches the handler over Qt WebChannel as a
// PageEvent; anything but the page's four words is dropped (stderr says so
// once).
class PageBridge final : public QObject {
    Q_OBJECT

  public:
    using Handler = std::function<void(PageEvent)>;

    void setHandler(Handler handler) { onMessage = std::move(handler); }
    void setOnPainted(std::function<void()> handler) { onPainted = std::move(handler); }

    // Called by the page through the channel; the name is what the page script uses.
    Q_INVOKABLE void postMessage(const QJsonValue& body);
    // Called by the page, when asked to, once a break it was told to show has
    // reached the screen.
    Q_INVOKABLE void painted();

    // The name the bridge is registered under on the channel.
    static QString channelName() { return QStringLiteral("lumio"); }

    // The script to run in the page's main world before any of its own: it
    // defines window.webkit.messageHandlers.lumio and keeps what the page posts
    // until the channel is up, so no message is lost. With reportPaint it also
    // calls painted() after the first frame of every break the page shows.
    static QString script(bool reportPaint = false);

  private:
    Handler onMessage;
    std::function<void()> onPainted;
};

} // namespace lumio
