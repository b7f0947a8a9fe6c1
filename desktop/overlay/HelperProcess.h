#pragma once

#include "desktop/overlay/LineChannel.h"

#include <QObject>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace lumio {

// A child program we talk to over a private channel on its stdin and stdout.
// What it writes on stderr comes back line by line through onSaid.
//
// It is sent a ping every second and must answer each; one that stays silent for
// STALL_SECS, whose channel breaks or that ends by itself is killed if need be
// and reported through onEnd, once, from the event loop. Destroying the
// HelperProcess closes the channel, which tells the child to end; it is then
// left a moment to do so before it is killed, and reaped either way, without
// blocking the caller.
class HelperProcess final {
  public:
    static constexpr int STALL_SECS = 5;

    // onEnd gets a reason in the user's language. A program that cannot be
    // started is reported the same way. The child inherits our environment
    // less the variables named in notInherited.
    HelperProcess(const std::filesystem::path& program, const QStringList& arguments,
                  const std::vector<std::string>& notInherited,
                  std::function<void(std::string_view)> onLine,
                  std::function<void(const std::string&)> onSaid,
                  std::function<void(const std::string&)> onEnd);
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    void send(std::string_view line);

  private:
    void heard();
    void pingOrGiveUp();
    void readStderr();
    void exited();
    void end(const std::string& why);

    std::function<void(std::string_view)> onLine;
    std::function<void(const std::string&)> onSaid;
    std::function<void(const std::string&)> onEnd;
    std::unique_ptr<LineChannel> channel;
    int stderrFd = -1;
    std::unique_ptr<QSocketNotifier> stderrNotifier;
    std::string said;
    pid_t child = -1;
    int pidFd = -1;
    std::unique_ptr<QSocketNotifier> exitNotifier;
    QTimer ping;
    int silentSecs = 0;
    bool ended = false;
    QObject context; // for work posted to the event loop
};

} // namespace lumio
