#pragma once

#include <QSocketNotifier>

#include <memory>

namespace lumio {

// SIGINT, SIGTERM and SIGHUP end the event loop normally, so everything is torn down
// in order. The handler only writes a byte to a pipe; the loop does the rest.
class QuitOnSignal final {
  public:
    QuitOnSignal();
    ~QuitOnSignal();
    QuitOnSignal(const QuitOnSignal&) = delete;
    QuitOnSignal& operator=(const QuitOnSignal&) = delete;

  private:
    int readFd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
};

} // namespace lumio
