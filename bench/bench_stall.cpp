// What telling a stalled stream from a slow one costs while cameras open. Each poll of an opening player reads the
// process's TCP connections from the kernel: first the time of one such read with 0 and with 2,000 other
// connections open, then the longest time the event loop is kept from running while 16 cameras open on a server
// that stalls every stream after 40,000 bytes, with those 2,000 connections open and the give-up shortened to 2 s,
// so that the players are given up and re-issued throughout. Last, with the program's own bound, how long a camera
// opened after a stalled one waits to play.
#include "core/media/SocketTraffic.h"
#include "gui/video/VideoWidget.h"
#include "peer/FlvStreamSource.h"
#include "support/Heartbeat.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"
#include "utils/Intervals.h"
#include "utils/OpenFileLimit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <cstdio>
#include <memory>
#include <vector>

using QuorvelClient::Core::SocketTraffic;
using QuorvelClient::GUI::VideoWidget;

namespace {

const int kConnections = 1000;
const int kCameras = 16;
const int kRunMs = 10000;

double msPerRead()
{
    const int reads = 50;
    QElapsedTimer clock;
    clock.start();
    qsizetype found = 0;
    for (int i = 0; i < reads; ++i)
        found += SocketTraffic::connections().size();
    const double ms = clock.nsecsElapsed() / 1e6 / reads;
    std::printf("  %lld connections: %.3f ms a read\n", static_cast<long long>(found / reads), ms);
    clock.restart();
    for (int i = 0; i < reads; ++i)
        found += SocketTraffic::sockets().size();
    std::printf("  sockets only: %.3f ms a read\n", clock.nsecsElapsed() / 1e6 / reads);
    return ms;
}

} // namespace

int main(int argc, char* argv[])
{
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    Utils::raiseOpenFileLimit();

    std::printf("reading the process's connections:\n");
    msPerRead();
    // Both ends of each connection are in this process.
    QTcpServer server;
    server.setMaxPendingConnections(kConnections);
    server.listen(QHostAddress::LocalHost);
    int accepted = 0;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (server.nextPendingConnection())
            ++accepted;
    });
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < kConnections; ++i) {
        clients.push_back(std::make_unique<QTcpSocket>());
        clients.back()->connectToHost(QHostAddress::LocalHost, server.serverPort());
        // A few at a time, so that the listen queue never overflows.
        if (!QTest::qWaitFor([&] { return accepted > i; }, 10000)) {
            std::printf("only %d of %d connections were made\n", accepted, kConnections);
            return 1;
        }
    }
    msPerRead();

    Utils::setIntervalForTesting(Utils::Interval::StalledStream, 2000);
    TestSupport::FlvStreamSource stalled;
    if (!TestSupport::serveClip(stalled)) {
        std::printf("no test clip\n");
        return 1;
    }
    stalled.setStallAfter(40000);
    std::vector<std::unique_ptr<VideoWidget>> widgets;
    for (int i = 1; i <= kCameras; ++i) {
        widgets.push_back(std::make_unique<VideoWidget>(TestSupport::localCamera(i, stalled.hostAndPort())));
        widgets.back()->playLive(QuorvelClient::Core::QualitySettings::High);
    }
    TestSupport::Heartbeat beat(5);
    QTest::qWait(kRunMs);
    std::printf("%d cameras opening on a stalled server for %d s: %d requests, event loop kept at most %.1f ms\n",
                kCameras, kRunMs / 1000, stalled.requestCount(), beat.longestGapMs());
    widgets.clear();

    // With the program's own bound: how long a camera opened after a stalled one waits.
    Utils::setIntervalForTesting(Utils::Interval::StalledStream, 0);
    TestSupport::FlvStreamSource stalling;
    TestSupport::FlvStreamSource healthy;
    TestSupport::serveClip(stalling);
    TestSupport::serveClip(healthy);
    stalling.setStallAfter(40000);
    VideoWidget stuck(TestSupport::localCamera(1, stalling.hostAndPort()));
    stuck.playLive(QuorvelClient::Core::QualitySettings::High);
    if (!QTest::qWaitFor([&] { return stalling.stalledStreams() == 1; }, 10000)) {
        std::printf("the stream did not stall\n");
        return 1;
    }
    QElapsedTimer waited;
    waited.start();
    VideoWidget second(TestSupport::localCamera(2, healthy.hostAndPort()));
    second.playLive(QuorvelClient::Core::QualitySettings::High);
    const bool played = QTest::qWaitFor([&] { return second.playerState() == VideoWidget::Playing; }, 60000);
    std::printf("a camera opened after a stalled one: %s after %.1f s\n", played ? "plays" : "still opening",
                waited.elapsed() / 1000.0);
    return 0;
}
