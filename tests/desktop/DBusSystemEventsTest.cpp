#include "desktop/system/DBusSystemEvents.h"

#include "ServicesTestSupport.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

namespace lumio {
namespace {

using test::EnvOverride;
using test::FakeService;

const QString LOGIN1 = QStringLiteral("org.freedesktop.login1");
const QString LOGIN1_PATH = QStringLiteral("/org/freedesktop/login1");
const QString TEST_PATH = QStringLiteral("/org/lumio/Test");
const QStringList SCREEN_SAVERS = {
    QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver"),
    QStringLiteral("org.cinnamon.ScreenSaver"), QStringLiteral("org.xfce.ScreenSaver")};

// What reached the handlers, in order: W wake, L lock, U unlock; and whether
// every call came on the main thread.
struct Received {
    std::string events;
    bool offMainThread = false;

    SystemEventHandlers handlers() {
        const auto record = [this](char event) {
            return [this, event] {
                events += event;
                offMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
            };
        };
        return {.onWake = record('W'), .onLock = record('L'), .onUnlock = record('U')};
    }

    bool waitFor(const std::string& expected) {
        return test::waitFor([&] { return events.size() >= expected.size(); }) &&
               events == expected;
    }
};

struct Logind : FakeService {
    explicit Logind(const QStringList& arguments)
        : FakeService(QDBusConnection::systemBus(), QStringLiteral("fake_logind.py"), {LOGIN1},
                      arguments) {}

    bool sleep(bool sleeping) {
        return control(LOGIN1_PATH, QStringLiteral("EmitPrepareForSleep"), {sleeping});
    }
    bool setLocked(const QString& session, bool locked) {
        return control(LOGIN1_PATH, QStringLiteral("SetLockedHint"), {session, locked});
    }
    bool setActive(const QString& session, bool active) {
        return control(LOGIN1_PATH, QStringLiteral("SetActive"), {session, active});
    }
};

struct ScreenSaver : FakeService {
    ScreenSaver()
        : FakeService(QDBusConnection::sessionBus(), QStringLiteral("fake_screensaver.py"),
                      SCREEN_SAVERS) {}

    bool setActive(const QString& interface, bool active) {
        return control(TEST_PATH, QStringLiteral("EmitActiveChanged"), {interface, active});
    }
};

class DBusSystemEventsTest : public testing::Test {
  protected:
    // Watching starts only once the fakes it should find are up.
    void observe() { events.observe(received.handlers()); }

    const EnvOverride sessionId{"XDG_SESSION_ID", std::nullopt};
    Received received;
    DBusSystemEvents events;
};

TEST_F(DBusSystemEventsTest, OnlyResumingFromSleepIsAWake) {
    Logind logind({QStringLiteral("--pid-session"), QStringLiteral("c7")});
    ASSERT_TRUE(logind.isReady());
    observe();

    ASSERT_TRUE(logind.sleep(true));
    ASSERT_TRUE(logind.sleep(false));
    ASSERT_TRUE(logind.sleep(true));
    ASSERT_TRUE(logind.sleep(false));
    ASSERT_TRUE(logind.setLocked(QStringLiteral("c7"), true)); // marks the end
    EXPECT_TRUE(received.waitFor("WWL")) << received.events;
    EXPECT_FALSE(received.offMainThread);
}

TEST_F(DBusSystemEventsTest, WakeStillArrivesAfterLogindRestarts) {
    {
        Logind first({});
        ASSERT_TRUE(first.isReady());
        observe();
    }
    Logind second({});
    ASSERT_TRUE(second.isReady());
    ASSERT_TRUE(second.sleep(false));
    EXPECT_TRUE(received.waitFor("W")) << received.events;
}

// How the user's logind session is found, and which one it should be.
struct SessionLookup {
    const char* name;
    std::optional<QByteArray> sessionIdVariable;
    QStringList logindArguments;
    QString ours;

    friend void PrintTo(const SessionLookup& lookup, std::ostream* out) { *out << lookup.name; }
};

class SessionLockTest : public DBusSystemEventsTest,
                        public testing::WithParamInterface<SessionLookup> {};

TEST_P(SessionLockTest, LockedHintOfOurSessionLocksAndUnlocks) {
    const EnvOverride sessionIdVariable("XDG_SESSION_ID", GetParam().sessionIdVariable);
    Logind logind(GetParam().logindArguments +
                  QStringList{QStringLiteral("--session"), QStringLiteral("other")});
    ASSERT_TRUE(logind.isReady());
    observe();
    const QString ours = GetParam().ours;

    ASSERT_TRUE(logind.setLocked(QStringLiteral("other"), true));
    ASSERT_TRUE(logind.setLocked(ours, true));
    ASSERT_TRUE(logind.setActive(ours, false));
    ASSERT_TRUE(logind.setLocked(QStringLiteral("other"), false));
    ASSERT_TRUE(logind.setLocked(ours, false));
    ASSERT_TRUE(logind.setLocked(ours, false));
    ASSERT_TRUE(logind.sleep(false)); // marks the end
    EXPECT_TRUE(received.waitFor("LUUW")) << received.events;
    EXPECT_FALSE(received.offMainThread);
}

INSTANTIATE_TEST_SUITE_P(
    FoundBy, SessionLockTest,
    testing::Values(SessionLookup{"SessionIdVariable",
                                  QByteArrayLiteral("c7"),
                                  {QStringLiteral("--session"), QStringLiteral("c7"),
                                   QStringLiteral("--pid-session"), QStringLiteral("c8")},
                                  QStringLiteral("c7")},
                    SessionLookup{"ProcessWithoutSessionIdVariable",
                                  std::nullopt,
                                  {QStringLiteral("--pid-session"), QStringLiteral("c8")},
                                  QStringLiteral("c8")},
                    SessionLookup{"ProcessWhenTheSessionIdIsUnknown",
                                  QByteArrayLiteral("gone"),
                                  {QStringLiteral("--pid-session"), QStringLiteral("c8")},
                                  QStringLiteral("c8")},
                    SessionLookup{"UsersDisplaySessionWhenOutsideAnySession",
                                  std::nullopt,
                                  {QStringLiteral("--display-session"), QStringLiteral("c9")},
                                  QStringLiteral("c9")}),
    [](const testing::TestParamInfo<SessionLookup>& lookup) { return lookup.param.name; });

TEST_F(DBusSystemEventsTest, WithoutAnySessionOnlyWakeIsWatched) {
    Logind logind({QStringLiteral("--session"), QStringLiteral("c7")});
    ASSERT_TRUE(logind.isReady());
    observe();

    ASSERT_TRUE(logind.setLocked(QStringLiteral("c7"), true));
    ASSERT_TRUE(logind.sleep(false));
    EXPECT_TRUE(received.waitFor("W")) << received.events;
}

TEST_F(DBusSystemEventsTest, EveryKnownScreenSaverLocksAndUnlocks) {
    ScreenSaver saver;
    ASSERT_TRUE(saver.isReady());
    observe();

    for (const QString& interface : SCREEN_SAVERS) {
        ASSERT_TRUE(saver.setActive(interface, true)) << interface.toStdString();
        ASSERT_TRUE(saver.setActive(interface, false)) << interface.toStdString();
    }
    EXPECT_TRUE(received.waitFor("LULULULU")) << received.events;
    EXPECT_FALSE(received.offMainThread);
}

TEST_F(DBusSystemEventsTest, ObservingAgainReplacesTheHandlers) {
    ScreenSaver saver;
    ASSERT_TRUE(saver.isReady());
    Received first;
    events.observe(first.handlers());
    observe();

    ASSERT_TRUE(saver.setActive(SCREEN_SAVERS.constFirst(), true));
    EXPECT_TRUE(received.waitFor("L")) << received.events;
    EXPECT_EQ(first.events, "");
}

TEST_F(DBusSystemEventsTest, NoServicesMeansNoEventsAndNoWait) {
    QElapsedTimer clock;
    clock.start();
    observe();
    EXPECT_LT(clock.elapsed(), 1000);
    test::settle(300);
    EXPECT_EQ(received.events, "");
}

TEST(DBusSystemEventsWithoutBuses, NothingHappensAndNothingIsSaid) {
    EXPECT_EXIT(
        {
            qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/session_bus");
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus");
            Received received;
            DBusSystemEvents events;
            events.observe(received.handlers());
            test::settle(200);
            std::exit(received.events.empty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), testing::Eq(""));
}

} // namespace
} // namespace lumio
