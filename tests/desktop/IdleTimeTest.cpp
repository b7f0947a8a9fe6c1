#include "desktop/system/IdleTime.h"

#include "ServicesTestSupport.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>

namespace lumio {
namespace {

using namespace std::chrono_literals;
using test::EnvOverride;
using test::FakeService;

const QString TEST_PATH = QStringLiteral("/org/lumio/Test");
const std::string NO_SOURCE =
    "lumio: no idle-time source on this desktop; breaks are never skipped for being away\n";

struct IdleMonitor : FakeService {
    explicit IdleMonitor(qulonglong milliseconds)
        : FakeService(QDBusConnection::sessionBus(), QStringLiteral("fake_idle_monitor.py"),
                      {QStringLiteral("org.gnome.Mutter.IdleMonitor")},
                      {QStringLiteral("--idle-ms"), QString::number(milliseconds)}) {}

    bool hang() { return control(TEST_PATH, QStringLiteral("SetHang"), {true}); }
};

struct ScreenSaver : FakeService {
    explicit ScreenSaver(const QStringList& arguments)
        : FakeService(QDBusConnection::sessionBus(), QStringLiteral("fake_screensaver.py"),
                      {QStringLiteral("org.freedesktop.ScreenSaver"),
                       QStringLiteral("org.gnome.ScreenSaver"),
                       QStringLiteral("org.cinnamon.ScreenSaver"),
                       QStringLiteral("org.xfce.ScreenSaver")},
                      arguments) {}
};

// Moves the pointer of the X server on display, as the user would.
bool movePointer(const QString& display, int x, int y) {
    QProcess xdotool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    xdotool.setProcessEnvironment(environment);
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("mousemove"), QString::number(x), QString::number(y)});
    return xdotool.waitForFinished(5000) && xdotool.exitCode() == 0;
}

// Seconds the call took, with its answer.
std::pair<double, double> timed(DesktopIdleSource& idle) {
    QElapsedTimer clock;
    clock.start();
    const double answer = idle.secondsSinceLastInput();
    return {answer, static_cast<double>(clock.elapsed()) / 1000.0};
}

class IdleTimeTest : public testing::Test {
  protected:
    std::ostringstream log;
};

TEST_F(IdleTimeTest, X11SessionCountsFromTheLastPointerMove) {
    test::VirtualX x;
    ASSERT_TRUE(x.isUp());
    const EnvOverride display("DISPLAY", x.display.toUtf8());
    IdleMonitor mutter(999'000); // ignored while the X server answers
    ASSERT_TRUE(mutter.isReady());
    DesktopIdleSource idle(log);

    // Each answer is to the question the call before sent.
    ASSERT_TRUE(movePointer(x.display, 10, 20));
    idle.secondsSinceLastInput();
    EXPECT_LT(idle.secondsSinceLastInput(), 0.5);
    std::this_thread::sleep_for(1500ms);
    const double away = idle.secondsSinceLastInput();
    EXPECT_GE(away, 1.5) << "counted on to the call, not to the question";
    EXPECT_LT(away, 5.0);

    ASSERT_TRUE(movePointer(x.display, 300, 200));
    EXPECT_GE(idle.secondsSinceLastInput(), 1.5) << "the move shows one call late";
    EXPECT_LT(idle.secondsSinceLastInput(), 0.5);
    EXPECT_EQ(log.str(), "");
}

TEST_F(IdleTimeTest, WaylandSessionAsksMutterEvenWithXwaylandAround) {
    test::VirtualX x;
    ASSERT_TRUE(x.isUp());
    const EnvOverride display("DISPLAY", x.display.toUtf8());
    const EnvOverride wayland("WAYLAND_DISPLAY", QByteArrayLiteral("wayland-0"));
    IdleMonitor mutter(123'456);
    ASSERT_TRUE(mutter.isReady());
    ASSERT_TRUE(movePointer(x.display, 10, 20));

    DesktopIdleSource idle(log);
    EXPECT_DOUBLE_EQ(idle.secondsSinceLastInput(), 123.456);
}

TEST_F(IdleTimeTest, MutterIdleMonitorAnswersInMilliseconds) {
    IdleMonitor mutter(123'456);
    ASSERT_TRUE(mutter.isReady());
    DesktopIdleSource idle(log);

    EXPECT_DOUBLE_EQ(idle.secondsSinceLastInput(), 123.456);
    ASSERT_TRUE(mutter.control(TEST_PATH, QStringLiteral("SetIdletime"), {qulonglong{5}}));
    EXPECT_DOUBLE_EQ(idle.secondsSinceLastInput(), 0.005);
    EXPECT_EQ(log.str(), "");
}

// How a screen saver serves GetSessionIdleTime: type, path, value.
struct SessionIdleTime {
    const char* name;
    QStringList arguments;
    double seconds;

    friend void PrintTo(const SessionIdleTime& serving, std::ostream* out) { *out << serving.name; }
};

class ScreenSaverIdleTest : public IdleTimeTest,
                            public testing::WithParamInterface<SessionIdleTime> {};

TEST_P(ScreenSaverIdleTest, ScreenSaverAnswersWhenMutterIsAbsent) {
    ScreenSaver saver(GetParam().arguments);
    ASSERT_TRUE(saver.isReady());
    DesktopIdleSource idle(log);
    EXPECT_DOUBLE_EQ(idle.secondsSinceLastInput(), GetParam().seconds);
    EXPECT_EQ(log.str(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Serving, ScreenSaverIdleTest,
    testing::Values(
        SessionIdleTime{"Uint32", {QStringLiteral("--idle-ms"), QStringLiteral("4321")}, 4.321},
        SessionIdleTime{"Uint64AtTheShortPath",
                        {QStringLiteral("--idle-ms"), QStringLiteral("98765"),
                         QStringLiteral("--idle-type"), QStringLiteral("t"),
                         QStringLiteral("--idle-path"), QStringLiteral("/ScreenSaver")},
                        98.765}),
    [](const testing::TestParamInfo<SessionIdleTime>& serving) { return serving.param.name; });

TEST_F(IdleTimeTest, AScreenSaverWithoutIdleTimeIsNoSource) {
    ScreenSaver saver({});
    ASSERT_TRUE(saver.isReady());
    DesktopIdleSource idle(log);
    EXPECT_EQ(idle.secondsSinceLastInput(), 0.0);
    EXPECT_EQ(log.str(), NO_SOURCE);
}

TEST_F(IdleTimeTest, WithNoSourceTheAnswerIsZeroAndSaidOnce) {
    DesktopIdleSource idle(log);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(idle.secondsSinceLastInput(), 0.0);
    EXPECT_EQ(log.str(), NO_SOURCE);
}

TEST_F(IdleTimeTest, AStuckSourceIsDroppedForTheNextOneAfterAShortWait) {
    IdleMonitor mutter(123'456);
    ScreenSaver saver({QStringLiteral("--idle-ms"), QStringLiteral("4321")});
    ASSERT_TRUE(mutter.isReady());
    ASSERT_TRUE(saver.isReady());
    DesktopIdleSource idle(log);
    EXPECT_DOUBLE_EQ(idle.secondsSinceLastInput(), 123.456);

    ASSERT_TRUE(mutter.hang());
    const auto [fellThrough, wait] = timed(idle);
    EXPECT_DOUBLE_EQ(fellThrough, 4.321);
    EXPECT_LT(wait, 0.6);
    const auto [again, quick] = timed(idle);
    EXPECT_DOUBLE_EQ(again, 4.321);
    EXPECT_LT(quick, 0.1) << "the stuck source is not asked again";

    saver.stop();
    EXPECT_EQ(idle.secondsSinceLastInput(), 0.0);
    EXPECT_EQ(idle.secondsSinceLastInput(), 0.0);
    EXPECT_EQ(log.str(), NO_SOURCE);
}

TEST_F(IdleTimeTest, AStuckSourceDoesNotHoldUpTheStart) {
    IdleMonitor mutter(123'456);
    ASSERT_TRUE(mutter.isReady());
    ASSERT_TRUE(mutter.hang());
    QElapsedTimer clock;
    clock.start();
    DesktopIdleSource idle(log);
    EXPECT_LT(clock.elapsed(), 600);
    EXPECT_EQ(idle.secondsSinceLastInput(), 0.0);
    EXPECT_EQ(log.str(), NO_SOURCE);
}

TEST(IdleTimeWithoutABus, AnswersZeroAndSaysSoOnce) {
    EXPECT_EXIT(
        {
            qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/session_bus");
            DesktopIdleSource idle;
            const bool zero =
                idle.secondsSinceLastInput() == 0.0 && idle.secondsSinceLastInput() == 0.0;
            std::exit(zero ? 0 : 1);
        },
        testing::ExitedWithCode(0), testing::Eq(NO_SOURCE));
}

} // namespace
} // namespace lumio
