#include "desktop/overlay/LineChannel.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

using namespace lumio;

// A peer slow to read holds up a long message; the channel neither drops it
// nor takes the peer for gone, and hands it over whole once the peer reads.
TEST(LineChannel, AMessageLongerThanTheSocketBufferWaitsForThePeer) {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    bool closed = false;
    LineChannel channel(
        ends[0], 100, [](std::string_view) {}, [&closed] { closed = true; });
    const QByteArray body(1 << 20, 'x');
    EXPECT_TRUE(channel.send(body.toStdString()));
    EXPECT_TRUE(channel.send("next"));

    QByteArray received;
    QElapsedTimer waited;
    waited.start();
    while (received.count('\n') < 2 && waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        char chunk[65536];
        const auto n = ::recv(ends[1], chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) received.append(chunk, n);
    }
    ::close(ends[1]);
    const auto lines = received.split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], body);
    EXPECT_EQ(lines[1], "next");
    EXPECT_FALSE(closed);
}
