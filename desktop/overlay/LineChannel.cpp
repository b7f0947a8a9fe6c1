#include "desktop/overlay/LineChannel.h"

#include <QTimer>
#include <array>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace lumio {

LineChannel::LineChannel(int fd, std::size_t maxLine, std::function<void(std::string_view)> onLine,
                         std::function<void()> onClosed)
    : fd(fd), maxLine(maxLine), notifier(fd, QSocketNotifier::Read),
      writable(fd, QSocketNotifier::Write), onLine(std::move(onLine)),
      onClosed(std::move(onClosed)) {
    QObject::connect(&notifier, &QSocketNotifier::activated, [this] { readable(); });
    writable.setEnabled(false);
    QObject::connect(&writable, &QSocketNotifier::activated, [this] { flush(); });
}

LineChannel::~LineChannel() {
    notifier.setEnabled(false);
    writable.setEnabled(false);
    if (fd >= 0) ::close(fd);
}

bool LineChannel::send(std::string_view line) {
    if (fd < 0) return false;
    backlog.append(line.data(), static_cast<qsizetype>(line.size()));
    backlog.append('\n');
    if (backlog.size() > MAX_BACKLOG) {
        close();
        return false;
    }
    flush();
    return fd >= 0;
}

void LineChannel::flush() {
    qsizetype sent = 0;
    while (sent < backlog.size()) {
        const auto n =
            ::send(fd, backlog.constData() + sent, static_cast<size_t>(backlog.size() - sent),
                   MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) {
            close();
            return;
        }
        sent += n;
    }
    backlog.remove(0, sent);
    writable.setEnabled(!backlog.isEmpty());
}

void LineChannel::readable() {
    std::array<char, 4096> buffer{};
    const auto n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
        close();
        return;
    }
    pending.append(buffer.data(), static_cast<size_t>(n));
    std::size_t start = 0;
    for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n', start)) {
        const std::string_view line(pending.data() + start, end - start);
        start = end + 1;
        onLine(line);
        if (fd < 0) return; // closed by what the line did
    }
    pending.erase(0, start);
    if (pending.size() > maxLine) close();
}

// Reports from the event loop, so that whoever hears of it may destroy us.
void LineChannel::close() {
    if (fd < 0) return;
    notifier.setEnabled(false);
    writable.setEnabled(false);
    backlog.clear();
    ::close(fd);
    fd = -1;
    QTimer::singleShot(0, &notifier, [this] {
        if (onClosed) onClosed();
    });
}

} // namespace lumio
