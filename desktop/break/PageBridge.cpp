#include "desktop/break/PageBridge.h"

#include "channel/BreakProtocol.h"
#include "files/Diagnostics.h"

#include <QFile>

namespace lumio {

namespace {

// Only strings cross the channel: anything else would have to survive
// JSON.stringify, which a cyclic object does not.
constexpr auto BRIDGE = R"JS(
    var host = null;
    var early = [];
    function send(body) { host.postMessage(body); }
    var handler = Object.freeze({
        postMessage: function (body) {
            var message = typeof body === 'string' ? body : null;
            if (host) send(message); else early.push(message);
        }
    });
    Object.defineProperty(window, 'webkit', {
        value: Object.freeze({ messageHandlers: Object.freeze({ lumio: handler }) })
    });
    new QWebChannel(qt.webChannelTransport, function (channel) {
        host = channel.objects.%1;
        early.splice(0).forEach(send);
    });
)JS";

// A frame callback runs just before the frame is drawn; a task queued from it
// runs once that frame is out.
constexpr auto REPORT_PAINT = R"JS(
    document.addEventListener('DOMContentLoaded', function () {
        var show = window.__lumioShow;
        if (typeof show !== 'function') return;
        window.__lumioShow = function (options) {
            show(options);
            requestAnimationFrame(function () {
                setTimeout(function () { if (host) host.painted(); }, 0);
            });
        };
    });
)JS";

QString webChannelLibrary() {
    QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

void PageBridge::postMessage(const QJsonValue& body) {
    if (!onMessage) return;
    if (const auto event = channel::pageEvent(body.toString().toStdString())) {
        onMessage(*event);
    } else {
        diagnoseOnce("ignoring the break page's messages other than its four words");
    }
}

void PageBridge::painted() {
    if (onPainted) onPainted();
}

QString PageBridge::script(bool reportPaint) {
    // One function scope keeps QWebChannel and the queue out of the page's globals.
    return QStringLiteral("(function () {\n") + webChannelLibrary() +
           QString::fromUtf8(BRIDGE).arg(channelName()) +
           (reportPaint ? QString::fromUtf8(REPORT_PAINT) : QString()) + QStringLiteral("})();\n");
}

} // namespace lumio
