#include "desktop/break/BreakServer.h"

#include <QApplication>
#include <QJsonObject>

namespace lumio {

namespace {

double number(const QJsonObject& message, const char* key) {
    return message.value(QLatin1String(key)).toDouble();
}

std::filesystem::path path(const QJsonObject& message, const char* key) {
    return message.value(QLatin1String(key)).toString().toStdString();
}

} // namespace

BreakServer::BreakServer(int channelFd, bool reportPaint)
    : toolkit({}, reportPaint
                      ? std::function<void()>([this] { tell(QStringLiteral("painted"), 0); })
                      : std::function<void()>()),
      channel(
          channelFd, [this](const QJsonObject& message) { received(message); },
          [] { QApplication::quit(); }) {}

BreakServer::~BreakServer() {
    pages.clear();
    panels.clear();
}

void BreakServer::tell(const QString& event, int id, QJsonObject fields) {
    fields.insert(QStringLiteral("ev"), event);
    fields.insert(QStringLiteral("id"), id);
    channel.send(fields);
}

void BreakServer::received(const QJsonObject& message) {
    const auto op = message.value(QStringLiteral("op")).toString();
    const int id = message.value(QStringLiteral("id")).toInt();
    if (op == QLatin1String("ping")) {
        tell(QStringLiteral("pong"), id);
        return;
    }
    if (op == QLatin1String("panel")) {
        panels[id] = toolkit.makePanel(
            {.level = message.value(QStringLiteral("level")).toInt(),
             .clickThrough = message.value(QStringLiteral("clickThrough")).toBool(),
             .blackAlpha = number(message, "blackAlpha")});
        return;
    }
    if (op == QLatin1String("web")) {
        const auto host = panels.find(message.value(QStringLiteral("host")).toInt());
        if (host == panels.end()) return;
        auto page =
            toolkit.makeWebView(*host->second, number(message, "width"), number(message, "height"));
        page->setOnLoaded([this, id] { tell(QStringLiteral("loaded"), id); });
        page->setOnMessage([this, id](const std::optional<std::string>& body) {
            tell(QStringLiteral("message"), id,
                 {{QStringLiteral("body"),
                   body ? QJsonValue(QString::fromStdString(*body)) : QJsonValue()}});
        });
        page->setOnFail([this, id] { tell(QStringLiteral("failed"), id); });
        pages[id] = std::move(page);
        return;
    }
    if (const auto page = pages.find(id); page != pages.end()) {
        if (op == QLatin1String("load")) {
            page->second->loadFile(path(message, "file"), path(message, "dir"));
        } else if (op == QLatin1String("eval")) {
            page->second->runJavaScript(
                message.value(QStringLiteral("script")).toString().toStdString());
        }
        return;
    }
    const auto found = panels.find(id);
    if (found == panels.end()) return;
    Panel& panel = *found->second;
    if (op == QLatin1String("geometry")) {
        panel.setGeometry({number(message, "x"), number(message, "y"), number(message, "width"),
                           number(message, "height")});
    } else if (op == QLatin1String("show")) {
        panel.show();
    } else if (op == QLatin1String("hide")) {
        panel.hide();
    } else if (op == QLatin1String("opacity")) {
        panel.setOpacity(number(message, "value"));
    } else if (op == QLatin1String("fade")) {
        const int fade = message.value(QStringLiteral("fade")).toInt();
        panel.fadeTo(number(message, "to"), Seconds{number(message, "seconds")}, [this, id, fade] {
            tell(QStringLiteral("faded"), id, {{QStringLiteral("fade"), fade}});
        });
    }
}

} // namespace lumio
