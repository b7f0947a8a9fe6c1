#include "desktop/launch/QtMainLoop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace lumio;

namespace {

void spin(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(QtMainLoop, DelayedWorkRunsInTimeOrder) {
    QtMainLoop loop;
    std::string order;
    loop.after(Seconds{0.15}, [&] { order += "c"; });
    loop.after(Seconds{0.0}, [&] { order += "a"; });
    loop.after(Seconds{0.05}, [&] { order += "b"; });
    loop.after(Seconds{-1.0}, [&] { order += "0"; });
    EXPECT_EQ(order, "");
    spin(300);
    EXPECT_EQ(order.size(), 4u);
    EXPECT_EQ(order.substr(2), "bc");
}

TEST(QtMainLoop, WorkStillPendingDiesWithTheLoop) {
    bool ran = false;
    {
        QtMainLoop loop;
        loop.after(Seconds{0.05}, [&] { ran = true; });
    }
    spin(150);
    EXPECT_FALSE(ran);
}

TEST(QtMainLoop, TheTickerKeepsTickingInsideANestedLoop) {
    QtMainLoop loop;
    int ticks = 0;
    loop.startTicker(Seconds{0.05}, Seconds{0.01}, [&] { ++ticks; });
    // A modal dialog runs its own event loop; the ticker must not stall in it.
    QEventLoop modal;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(400, &modal, &QEventLoop::quit);
        modal.exec();
    });
    spin(450);
    EXPECT_GE(ticks, 5);
}

TEST(QtMainLoop, StartingTheTickerAgainReplacesIt) {
    QtMainLoop loop;
    int first = 0;
    int second = 0;
    loop.startTicker(Seconds{0.03}, Seconds{0}, [&] { ++first; });
    loop.startTicker(Seconds{0.03}, Seconds{0}, [&] { ++second; });
    spin(200);
    EXPECT_EQ(first, 0);
    EXPECT_GE(second, 3);
}

} // namespace
