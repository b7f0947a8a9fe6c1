#include "desktop/system/X11SyncIdleSource.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>

#include <xcb/xcb.h>

namespace lumio {
namespace {

// An X server of the test's own, the display the source connects to while
// it lives.
class OwnXServer {
  public:
    OwnXServer() {
        int number = 0;
        do {
            number = QRandomGenerator::global()->bounded(100, 30000);
        } while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)));
        display = QStringLiteral(":%1").arg(number);
        server.start(QStringLiteral("Xvfb"), {display, QStringLiteral("-noreset"),
                                              QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        for (std::size_t i = 0; i < VARIABLES.size(); ++i) {
            saved[i] = qgetenv(VARIABLES[i]);
            qunsetenv(VARIABLES[i]);
        }
        qputenv("DISPLAY", display.toUtf8());
        const QDeadlineTimer deadline(10000);
        while (!ready() && !deadline.hasExpired())
            server.waitForFinished(50);
    }
    ~OwnXServer() {
        server.terminate();
        server.waitForFinished(5000);
        for (std::size_t i = 0; i < VARIABLES.size(); ++i) {
            saved[i].isNull() ? qunsetenv(VARIABLES[i]) : qputenv(VARIABLES[i], saved[i]);
        }
    }
    OwnXServer(const OwnXServer&) = delete;
    OwnXServer& operator=(const OwnXServer&) = delete;

    bool ready() const {
        xcb_connection_t* connection = xcb_connect(display.toUtf8().constData(), nullptr);
        const bool connected = xcb_connection_has_error(connection) == 0;
        xcb_disconnect(connection);
        return connected;
    }

    // Input from the user, as far as the server can tell.
    void moveThePointer(int x) {
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("mousemove"), QString::number(x), QStringLiteral("10")});
    }

  private:
    QString display;
    QProcess server;
    // What says which display and session the source is in.
    static constexpr std::array VARIABLES{"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"};
    std::array<QByteArray, VARIABLES.size()> saved;
};

// Runs the event loop until `done` or the deadline.
template <typename Predicate> bool waitFor(Predicate done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

TEST(X11SyncIdleSourceTest, TellsWhenTheUserGoesAwayAndComesBackAgainAndAgain) {
    OwnXServer x;
    ASSERT_TRUE(x.ready());
    X11SyncIdleSource source;
    int crossings = 0;
    ASSERT_TRUE(source.start(1.0, [&] { ++crossings; }));
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        x.moveThePointer(10 * round);
        const int before = crossings;
        EXPECT_FALSE(waitFor([&] { return crossings > before; }, 700)) << "idle too early";
        ASSERT_TRUE(waitFor([&] { return crossings == before + 1; }, 2000));
        EXPECT_GE(source.idleSeconds().value_or(0), 1.0);
        x.moveThePointer(10 * round + 5);
        ASSERT_TRUE(waitFor([&] { return crossings == before + 2; }, 2000));
        EXPECT_LT(source.idleSeconds().value_or(9), 0.5);
    }
}

TEST(X11SyncIdleSourceTest, StopsWorkingWhenTheServerGoes) {
    auto x = std::make_unique<OwnXServer>();
    ASSERT_TRUE(x->ready());
    X11SyncIdleSource source;
    ASSERT_TRUE(source.start(1.0, [] {}));
    x.reset();
    EXPECT_FALSE(source.idleSeconds().has_value());
}

} // namespace
} // namespace lumio
