#pragma once

#include <QSocketNotifier>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace lumio {

// One end of the private channel between Lumio and its break helper: a
// connected stream socket that carries lines of text each way (what they say
// is channel/BreakProtocol.h's business). Everything happens on the main
// thread; reading is driven by the event loop.
class LineChannel final {
  public:
    // Takes fd over (it is closed with the channel). onLine gets each line
    // received, without its newline; onClosed runs once, from the event loop,
    // when the other end has gone, a write failed, or the other end sent more
    // than maxLine bytes without a newline (no peer of ours does).
    LineChannel(int fd, std::size_t maxLine, std::function<void(std::string_view)> onLine,
                std::function<void()> onClosed);
    ~LineChannel();
    LineChannel(const LineChannel&) = delete;
    LineChannel& operator=(const LineChannel&) = delete;

    // Never blocks: what the socket cannot take now is kept and written as
    // the peer reads. A peer that lets more than MAX_BACKLOG pile up is taken
    // as gone. Returns whether the line was sent or kept.
    bool send(std::string_view line);

    static constexpr qsizetype MAX_BACKLOG = qsizetype{8} << 20;

  private:
    void readable();
    void flush();
    void close();

    int fd;
    const std::size_t maxLine;
    QSocketNotifier notifier;
    QSocketNotifier writable;
    std::string pending;
    QByteArray backlog; // written once the socket has room
    std::function<void(std::string_view)> onLine;
    std::function<void()> onClosed;
};

} // namespace lumio
