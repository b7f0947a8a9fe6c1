#include "desktop/launch/QuitOnSignal.h"

#include <QCoreApplication>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace lumio {

namespace {

// A closed terminal (SIGHUP) ends Lumio as cleanly as a request to stop.
constexpr std::array QUIT_SIGNALS{SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t writeFd = -1;

extern "C" void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(writeFd, &byte, 1);
    errno = saved;
}

} // namespace

QuitOnSignal::QuitOnSignal() {
    std::array<int, 2> fds{-1, -1};
    if (::pipe2(fds.data(), O_CLOEXEC | O_NONBLOCK) != 0) return;
    readFd = fds[0];
    writeFd = fds[1];

    notifier = std::make_unique<QSocketNotifier>(readFd, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [this] {
        std::array<char, 16> drained{};
        while (::read(readFd, drained.data(), drained.size()) > 0) {
        }
        QCoreApplication::quit();
    });

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : QUIT_SIGNALS)
        ::sigaction(signal, &action, nullptr);
}

QuitOnSignal::~QuitOnSignal() {
    if (readFd < 0) return;
    for (const int signal : QUIT_SIGNALS)
        std::signal(signal, SIG_DFL);
    notifier.reset();
    ::close(writeFd);
    writeFd = -1;
    ::close(readFd);
}

} // namespace lumio
