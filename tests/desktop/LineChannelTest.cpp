#include "desktop/overlay/LineChannel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>

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
        ends[0], [](const QJsonObject&) {}, [&closed] { closed = true; });
    const QString body(1 << 20, QLatin1Char('x'));
    EXPECT_TRUE(channel.send({{QStringLiteral("body"), body}}));
    EXPECT_TRUE(channel.send({{QStringLiteral("body"), QStringLiteral("next")}}));

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
    EXPECT_EQ(QJsonDocument::fromJson(lines[0]).object().value(QStringLiteral("body")), body);
    EXPECT_EQ(QJsonDocument::fromJson(lines[1]).object().value(QStringLiteral("body")),
              QStringLiteral("next"));
    EXPECT_FALSE(closed);
}
