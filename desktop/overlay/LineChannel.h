#pragma once

#include <QJsonObject>
#include <QSocketNotifier>
#include <functional>
#include <string>

namespace lumio {

// One end of the private channel between Lumio and its break helper: a
// connected stream socket that carries one JSON object per line each way.
// Everything happens on the main thread; reading is driven by the event loop.
class LineChannel final {
  public:
    // Takes fd over (it is closed with the channel). onLine gets each object
    // received; onClosed runs once, from the event loop, when the other end
    // has gone or a write failed.
    LineChannel(int fd, std::function<void(const QJsonObject&)> onLine,
                std::function<void()> onClosed);
    ~LineChannel();
    LineChannel(const LineChannel&) = delete;
    LineChannel& operator=(const LineChannel&) = delete;

    // Never blocks: what the socket cannot take now is kept and written as
    // the peer reads. A peer that lets more than MAX_BACKLOG pile up is taken
    // as gone. Returns whether the line was sent or kept.
    bool send(const QJsonObject& message);

    static constexpr qsizetype MAX_BACKLOG = qsizetype{8} << 20;

  private:
    void readable();
    void flush();
    void close();

    int fd;
    QSocketNotifier notifier;
    QSocketNotifier writable;
    std::string pending;
    QByteArray backlog; // written once the socket has room
    std::function<void(const QJsonObject&)> onLine;
    std::function<void()> onClosed;
};

} // namespace lumio
