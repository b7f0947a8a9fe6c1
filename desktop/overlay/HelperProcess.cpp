#include "desktop/overlay/HelperProcess.h"

#include "channel/BreakProtocol.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string_view>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace lumio {

namespace {

// A child told to end gets this long before it is killed.
constexpr int EXIT_WAIT_MS = 3000;
constexpr int PING_MS = 1000;

int pidfdOpen(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

std::string describe(int status) {
    if (WIFSIGNALED(status)) {
        return "was killed by signal " + std::to_string(WTERMSIG(status)) + " (" +
               strsignal(WTERMSIG(status)) + ")";
    }
    return "exited with status " + std::to_string(WEXITSTATUS(status));
}

// Waits for a child that was told to end, killing it when it takes too long,
// and reaps it. Owned by the application object, it deletes itself when done.
class Reaper final : public QObject {
  public:
    Reaper(pid_t pid, int pidFd)
        : QObject(QCoreApplication::instance()), pid(pid), pidFd(pidFd),
          notifier(pidFd, QSocketNotifier::Read) {
        connect(&notifier, &QSocketNotifier::activated, this, &Reaper::reap);
        QTimer::singleShot(EXIT_WAIT_MS, this, [this] { ::kill(this->pid, SIGKILL); });
    }
    ~Reaper() override { ::close(pidFd); }
    Reaper(const Reaper&) = delete;
    Reaper& operator=(const Reaper&) = delete;

  private:
    void reap() {
        if (::waitpid(pid, nullptr, WNOHANG) == 0) return;
        notifier.setEnabled(false);
        deleteLater();
    }

    pid_t pid;
    int pidFd;
    QSocketNotifier notifier;
};

// A child started with the channel's other end as its stdin and stdout and a
// pipe to us as its stderr, inheriting nothing else; error is errno when it
// could not be (then no fd is left open but errors, which reads as closed).
struct Spawned {
    pid_t child = -1;
    int channel = -1;
    int errors = -1;
    int error = 0;
    std::string step;
};

std::vector<char*> environmentWithout(const std::vector<std::string>& notInherited) {
    std::vector<char*> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view variable = *entry;
        const auto name = variable.substr(0, variable.find('='));
        if (std::ranges::find(notInherited, name) == notInherited.end())
            environment.push_back(*entry);
    }
    environment.push_back(nullptr);
    return environment;
}

Spawned spawn(const std::string& path, const QStringList& arguments,
              const std::vector<std::string>& notInherited) {
    int ends[2];
    int errors[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return {.error = errno, .step = "could not open its channel: "};
    if (::pipe2(errors, O_CLOEXEC) != 0) {
        const int error = errno;
        ::close(ends[0]);
        ::close(ends[1]);
        return {.error = error, .step = "could not open its channel: "};
    }
    std::vector<std::string> words{path};
    for (const auto& argument : arguments)
        words.push_back(argument.toStdString());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    auto environment = environmentWithout(notInherited);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    Spawned spawned{.channel = ends[0], .errors = errors[0], .step = {}};
    spawned.error = ::posix_spawn(&spawned.child, path.c_str(), &actions, nullptr, argv.data(),
                                  environment.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    ::close(errors[1]);
    if (spawned.error != 0) {
        ::close(std::exchange(spawned.channel, -1));
        spawned.child = -1;
        spawned.step = "could not be started from " + path + ": ";
    }
    return spawned;
}

} // namespace

HelperProcess::HelperProcess(const std::filesystem::path& program, const QStringList& arguments,
                             const std::vector<std::string>& notInherited,
                             std::function<void(std::string_view)> onLine,
                             std::function<void(const std::string&)> onSaid,
                             std::function<void(const std::string&)> onEnd)
    : onLine(std::move(onLine)), onSaid(std::move(onSaid)), onEnd(std::move(onEnd)) {
    const auto spawned = spawn(program.string(), arguments, notInherited);
    if (spawned.errors >= 0) {
        stderrFd = spawned.errors;
        stderrNotifier = std::make_unique<QSocketNotifier>(stderrFd, QSocketNotifier::Read);
        QObject::connect(stderrNotifier.get(), &QSocketNotifier::activated, &context,
                         [this] { readStderr(); });
    }
    if (spawned.error != 0) {
        end(spawned.step + std::strerror(spawned.error));
        return;
    }
    child = spawned.child;
    pidFd = pidfdOpen(child);
    if (pidFd >= 0) {
        exitNotifier = std::make_unique<QSocketNotifier>(pidFd, QSocketNotifier::Read);
        QObject::connect(exitNotifier.get(), &QSocketNotifier::activated, &context,
                         [this] { exited(); });
    }
    channel = std::make_unique<LineChannel>(
        spawned.channel, channel::MAX_LINE,
        [this](std::string_view line) {
            heard();
            this->onLine(line);
        },
        [this] {
            // A channel that broke leaves a child we can no longer talk to.
            if (child > 0) ::kill(child, SIGKILL);
            if (pidFd < 0) end("closed its channel");
        });
    QObject::connect(&ping, &QTimer::timeout, &context, [this] { pingOrGiveUp(); });
    ping.start(PING_MS);
}

void HelperProcess::pingOrGiveUp() {
    if (++silentSecs >= STALL_SECS) {
        ::kill(child, SIGKILL);
        end("did not answer for " + std::to_string(STALL_SECS) + " seconds");
        return;
    }
    channel->send(channel::encode(channel::Ping{}));
}

HelperProcess::~HelperProcess() {
    ping.stop();
    channel.reset(); // the child ends when its channel closes
    exitNotifier.reset();
    stderrNotifier.reset();
    if (stderrFd >= 0) ::close(stderrFd);
    if (child <= 0) return;
    if (pidFd >= 0) {
        new Reaper(child, pidFd); // owned by the application object
    } else {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
}

void HelperProcess::send(std::string_view line) {
    if (channel) channel->send(line);
}

void HelperProcess::readStderr() {
    std::array<char, 4096> buffer{};
    const auto n = ::read(stderrFd, buffer.data(), buffer.size());
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
        stderrNotifier->setEnabled(false);
        if (!said.empty()) onSaid(said);
        said.clear();
        return;
    }
    said.append(buffer.data(), static_cast<std::size_t>(n));
    for (auto end = said.find('\n'); end != std::string::npos; end = said.find('\n')) {
        onSaid(said.substr(0, end));
        said.erase(0, end + 1);
    }
}

void HelperProcess::heard() {
    silentSecs = 0;
}

void HelperProcess::exited() {
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) != child) return;
    exitNotifier.reset();
    ::close(pidFd);
    pidFd = -1;
    child = -1;
    end(describe(status));
}

void HelperProcess::end(const std::string& why) {
    if (ended) return;
    ended = true;
    ping.stop();
    QTimer::singleShot(0, &context, [this, why] { onEnd(why); });
}

} // namespace lumio
