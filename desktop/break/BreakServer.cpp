#include "desktop/break/BreakServer.h"

#include "files/Diagnostics.h"

#include <QApplication>

namespace lumio {

BreakServer::BreakServer(int channelFd, bool reportPaint)
    : toolkit({}, reportPaint ? std::function<void()>([this] { tell(channel::Painted{}); })
                              : std::function<void()>()),
      channel(
          channelFd, channel::MAX_LINE, [this](std::string_view line) { received(line); },
          [] { QApplication::quit(); }) {
    tell(channel::Hello{});
}

BreakServer::~BreakServer() {
    pages.clear();
    panels.clear();
}

void BreakServer::tell(const channel::FromHelper& message) {
    channel.send(channel::encode(message));
}

void BreakServer::received(std::string_view line) {
    auto decoded = channel::decodeFromTray(line);
    // Lumio from another build says so itself once it reads our hello.
    if (!greeted &&
        !(decoded.message && std::holds_alternative<channel::Hello>(*decoded.message))) {
        QApplication::exit(EXIT_FAILURE);
        return;
    }
    if (!decoded.message) {
        diagnoseOnce("ignoring " + decoded.problem + " from lumio");
        return;
    }
    std::visit([this](const auto& message) { handle(message); }, *decoded.message);
}

void BreakServer::handle(const channel::Hello& hello) {
    greeted = hello.version == channel::version();
    if (!greeted) QApplication::exit(EXIT_FAILURE);
}

void BreakServer::handle(const channel::MakePanel& make) {
    panels[make.panel] = toolkit.makePanel(make.style);
}

void BreakServer::handle(const channel::MakePage& make) {
    Panel* const host = panel(make.host);
    if (host == nullptr) return;
    auto page = toolkit.makeWebView(*host, make.width, make.height);
    const int id = make.page;
    page->setOnLoaded([this, id] { tell(channel::PageLoaded{id}); });
    page->setOnEvent([this, id](PageEvent event) { tell(channel::PageSaid{id, event}); });
    page->setOnFail([this, id](PageFailure) { tell(channel::PageFailed{id}); });
    auto& made = pages[id] = std::move(page);
    made->loadFile(make.file, make.folder);
}

void BreakServer::handle(const channel::PlacePanel& place) {
    if (Panel* const found = panel(place.panel)) found->setGeometry(place.geometry);
}

void BreakServer::handle(const channel::ShowPanel& show) {
    if (Panel* const found = panel(show.panel)) found->show();
}

void BreakServer::handle(const channel::HidePanel& hide) {
    if (Panel* const found = panel(hide.panel)) found->hide();
}

void BreakServer::handle(const channel::SetOpacity& set) {
    if (Panel* const found = panel(set.panel)) found->setOpacity(set.opacity);
}

void BreakServer::handle(const channel::FadePanel& fade) {
    Panel* const found = panel(fade.panel);
    if (found == nullptr) return;
    found->fadeTo(fade.opacity, Seconds{fade.seconds}, [this, fade] {
        tell(channel::Faded{fade.panel, fade.fade});
    });
}

void BreakServer::handle(const channel::ShowBreak& show) {
    if (const auto page = pages.find(show.page); page != pages.end())
        page->second->showBreak(show.shown);
}

void BreakServer::handle(const channel::Ping&) {
    tell(channel::Alive{});
}

Panel* BreakServer::panel(int id) const {
    const auto found = panels.find(id);
    return found == panels.end() ? nullptr : found->second.get();
}

} // namespace lumio
