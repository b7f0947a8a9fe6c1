#pragma once

#include <QJsonValue>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

namespace lumio {

// The page's end of the conversation: `window.webkit.messageHandlers.lumio
// .postMessage(body)` in the page reaches onMessage over Qt WebChannel, with
// a body that is not a string arriving as nullopt.
class PageBridge final : public QObject {
    Q_OBJECT

  public:
    using Handler = std::function<void(const std::optional<std::string>&)>;

    void setHandler(Handler handler) { onMessage = std::move(handler); }

    // Called by the page through the channel; the name is what the page script uses.
    Q_INVOKABLE void postMessage(const QJsonValue& body);

    // The name the bridge is registered under on the channel.
    static QString channelName() { return QStringLiteral("lumio"); }

    // The script to run in the page's main world before any of its own: it
    // defines window.webkit.messageHandlers.lumio and keeps what the page posts
    // until the channel is up, so no message is lost.
    static QString script();

  private:
    Handler onMessage;
};

} // namespace lumio
