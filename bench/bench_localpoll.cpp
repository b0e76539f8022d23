// The roster with 50 local video servers of 16 cameras each beside a generated account roster of 100 x 20 cameras,
// every row expanded, all reached through the fake proxy; the fake peers run on a thread of their own. Once all is
// filled, measures unchanged poll cycles: the GUI thread's CPU time from the cycle's start until all 100 replies
// are in and the loop has been idle for 100 ms, the tree's layout changes (sorts) and the longest gap of a 10 ms
// heartbeat; against it the same 100 requests made by bare streaming clients, their replies parsed and released.
// The last line is the ratio of the roster's cycle CPU to the bare clients'.
// Then, in local-only sessions that write the client's log: 3,300 local servers that trickle (one byte every
// 100 ms, never done) listed before 700 good ones, with the local server time-out shortened to 500 ms: how long
// until the good servers are online, the longest heartbeat gap and the log lines; and 130,000 local servers that
// refuse: one whole poll cycle's log lines, time and longest gap, and the lines of the first 20 s with the 8 s
// timer running. `bench_localpoll trickle` (or `refusing`, `cycles`) runs one part only.
#include "application/Log.h"
#include "core/CameraEndpoint.h"
#include "core/PreviewLoader.h"
#include "core/SessionManager.h"
#include "core/StreamerClient.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/LocalServerTreeItem.h"
#include "gui/roster/RosterWidget.h"
#include "gui/roster/ServerTreeItem.h"
#include "peer/FakeNetwork.h"
#include "peer/FakeVideoServer.h"
#include "support/EventLoopRuns.h"
#include "support/Heartbeat.h"
#include "support/ObjectCensus.h"
#include "support/TestEnvironment.h"
#include "support/Widgets.h"
#include "utils/Intervals.h"
#include "utils/ServiceHosts.h"
#include "utils/Settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QTcpServer>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace QuorvelClient;
using TestSupport::rowsOf;
using TestSupport::runFor;
using TestSupport::runUntil;
using TestSupport::threadCpuMs;

namespace {

const int kLocalServers = 50;
const int kLocalCameras = 16;
const char kPassword[] = "bench pw";

struct Peers
{
    TestSupport::FakeNetwork net;
    TestSupport::FakeVideoServer streamer;
    std::vector<std::unique_ptr<TestSupport::FakeVideoServer>> locals;

    bool start()
    {
        if (!net.start() || !streamer.start())
            return false;
        // Previews of the account's cameras.
        streamer.setSessionCheck([](const QString&) { return true; });
        QList<TestSupport::FakeCamera> cameras;
        for (int c = 1; c <= 20; ++c)
            cameras << TestSupport::FakeCamera{c, QString("Camera %1").arg(c)};
        streamer.setCameras(cameras);
        net.proxy.map(Utils::ServiceHosts::streamerHost, 80, QHostAddress::LocalHost, streamer.port());
        net.service.addAccount("bench@quorvel.example", "bench");
        net.service.setRoster(TestSupport::FakeService::generatedRoster(100, 20));
        cameras = cameras.mid(0, kLocalCameras);
        for (int s = 0; s < kLocalServers; ++s) {
            auto server = std::make_unique<TestSupport::FakeVideoServer>();
            server->setPassword(kPassword);
            server->setCameras(cameras);
            if (!server->start())
                return false;
            net.proxy.map("127.0.0.1", server->port(), QHostAddress::LocalHost, server->port());
            locals.push_back(std::move(server));
        }
        return true;
    }
};

struct Cycle
{
    double cpuMs = 0;
    double longestGapMs = 0;
};

// Starts the requests and runs the loop until none of the streaming clients made meanwhile is left, and then
// 100 ms more.
Cycle measure(const std::function<void()>& start)
{
    // Counts only the objects made during the cycle, so that asking it is cheap.
    TestSupport::ObjectCensus census;
    TestSupport::Heartbeat heartbeat(10);
    const double cpu = threadCpuMs();
    start();
    runUntil([&] { return census.alive("QuorvelClient::Core::StreamerClient") == 0; }, 2);
    runFor(100);
    return Cycle{threadCpuMs() - cpu, heartbeat.longestGapMs()};
}

void bareClients(const std::vector<Core::LocalVideoServerPtr>& servers)
{
    for (const Core::LocalVideoServerPtr& server : servers) {
        const Core::CameraEndpoint endpoint(*server);
        for (const char* command : {"streams/info", "vs_info/"}) {
            Core::StreamerClient* client = endpoint.newClient();
            QObject::connect(client, &Core::StreamerClient::responceReceived, client, &QObject::deleteLater);
            QObject::connect(client, &Core::StreamerClient::error, client, &QObject::deleteLater);
            client->request(command, endpoint.requestParams(), true);
        }
    }
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void cycles()
{
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    Peers peers;
    if (!peers.start()) {
        std::printf("cannot start the fake peers\n");
        return;
    }
    peers.net.useProxy();
    std::vector<Core::LocalVideoServerPtr> servers;
    QByteArrayList entries;
    for (const auto& server : peers.locals) {
        servers.push_back(std::make_shared<Core::LocalVideoServer>(Core::LocalVideoServer::Offline, "127.0.0.1",
                                                                   server->port(), "Local", kPassword, false, false));
        entries << QString("{\"ip\":\"127.0.0.1\",\"name\":\"Local %1\",\"password\":\"%2\",\"port\":%1}")
                       .arg(server->port())
                       .arg(kPassword)
                       .toUtf8();
    }
    QFile file("local_roster.txt");
    file.open(QIODevice::WriteOnly);
    file.write('[' + entries.join(',') + ']');
    file.close();

    Core::SessionManager::create("bench@quorvel.example", "bench");
    QEventLoop signIn;
    QObject::connect(Core::SessionManager::instance(), &Core::SessionManager::newSessionId, &signIn, &QEventLoop::quit);
    Core::SessionManager::instance()->requestSessionId();
    signIn.exec();

    auto* roster = new GUI::RosterWidget;
    roster->resize(250, 780);
    roster->show();
    auto* tree = roster->findChild<QTreeWidget*>("treeWidget");
    roster->init(false);
    // Cycles are started by hand, and the account roster stays as it is.
    roster->findChild<QTimer*>("rosterRequestTimer")->stop();
    roster->findChild<QTimer*>("localPollTimer")->stop();
    const int cameras = 100 * 20 + kLocalServers * kLocalCameras;
    runUntil([&] { return rowsOf(tree, GUI::CameraTreeItem::Type) == cameras; }, 2);
    roster->expandAll();
    runFor(1000);
    Core::PreviewLoader::instance()->stop();
    runFor(2000);
    std::printf("filled: %d server rows, %d local server rows, %d camera rows\n",
                rowsOf(tree, GUI::ServerTreeItem::Type), rowsOf(tree, GUI::LocalServerTreeItem::Type),
                rowsOf(tree, GUI::CameraTreeItem::Type));

    int layouts = 0;
    QObject::connect(tree->model(), &QAbstractItemModel::layoutChanged, [&] { ++layouts; });
    std::vector<double> rosterCpu, bareCpu;
    for (int round = 0; round < 7; ++round) {
        layouts = 0;
        const Cycle polled = measure([&] { QMetaObject::invokeMethod(roster, "updateLocalServersStatuses"); });
        const Cycle bare = measure([&] { bareClients(servers); });
        rosterCpu.push_back(polled.cpuMs);
        bareCpu.push_back(bare.cpuMs);
        // Each sort orders the tree twice, by text and then by state.
        std::printf("cycle %d: roster %6.1f ms CPU, %d sorts, longest gap %5.1f ms; bare clients %6.1f ms CPU, "
                    "longest gap %5.1f ms\n",
                    round, polled.cpuMs, layouts / 2, polled.longestGapMs, bare.cpuMs, bare.longestGapMs);
    }
    std::printf("median: roster %.1f ms, bare clients %.1f ms\n", median(rosterCpu), median(bareCpu));

    roster->deinit();
    delete roster;
    std::printf("ratio: %.2f\n", median(rosterCpu) / median(bareCpu));
    std::fflush(stdout);
    // The local servers of the next parts are reached directly.
    Utils::Settings::instance()->setValue(QStringLiteral("proxy/useProxy"), false);
}

// A loopback address for the n-th server of a block; every 127.x.y.z reaches the peers listening on any address.
QByteArray loopback(int block, int n)
{
    return QHostAddress(quint32((127u << 24) | (quint32(block) << 16) | quint32(n))).toString().toUtf8();
}

QByteArray localEntry(const QByteArray& host, int port)
{
    return "{\"ip\":\"" + host + "\",\"name\":\"S\",\"password\":\"pw\",\"port\":" + QByteArray::number(port) + '}';
}

void writeLocalRoster(const QByteArrayList& entries)
{
    QFile file("local_roster.txt");
    file.open(QIODevice::WriteOnly);
    file.write('[' + entries.join(',') + ']');
}

// Lines and bytes of the client's log so far.
struct LogSize
{
    qint64 lines = 0;
    qint64 bytes = 0;

    static LogSize now()
    {
        QFile file("quorvel_client_log.txt");
        file.open(QIODevice::ReadOnly);
        const QByteArray text = file.readAll();
        return LogSize{text.count('\n'), text.size()};
    }
    LogSize operator-(const LogSize& other) const { return LogSize{lines - other.lines, bytes - other.bytes}; }
};

int onlineServers(GUI::RosterWidget* roster, const QByteArray& hostStart)
{
    int online = 0;
    for (QTreeWidgetItemIterator it(roster->findChild<QTreeWidget*>("treeWidget")); *it; ++it) {
        if ((*it)->type() != GUI::LocalServerTreeItem::Type)
            continue;
        const auto server = static_cast<GUI::LocalServerTreeItem*>(*it)->server();
        online += server->host().toUtf8().startsWith(hostStart) && server->state() == Core::LocalVideoServer::Online;
    }
    return online;
}

void trickling()
{
    const int kTrickling = 3300;
    const int kGood = 700;
    const int kDeadlineMs = 500;
    Utils::setIntervalForTesting(Utils::Interval::LocalServerTimeout, kDeadlineMs);
    TestSupport::FakeVideoServer slow;
    TestSupport::FakeVideoServer good;
    for (auto* peer : {&slow, &good}) {
        peer->setPassword("pw");
        peer->setListenBacklogSize(256);
        peer->start(QHostAddress::AnyIPv4);
    }
    for (const char* command : {"streams/info", "vs_info/"})
        slow.failCommand(command, TestSupport::PeerReply::trickle(
                                      100, TestSupport::PeerReply::json(QByteArray(100000, ' ') + "[]")));
    QByteArrayList entries;
    for (int i = 0; i < kTrickling; ++i)
        entries << localEntry(loopback(1, 1 + i), slow.port());
    for (int i = 0; i < kGood; ++i)
        entries << localEntry(loopback(2, 1 + i), good.port());
    writeLocalRoster(entries);

    auto* roster = new GUI::RosterWidget;
    roster->resize(250, 780);
    roster->show();
    const LogSize before = LogSize::now();
    TestSupport::Heartbeat heartbeat(10);
    QElapsedTimer clock;
    clock.start();
    roster->init(true);
    const QByteArray goodHosts = "127.2.";
    qint64 firstOnline = -1;
    runUntil(
        [&] {
            const int online = onlineServers(roster, goodHosts);
            if (online > 0 && firstOnline < 0)
                firstOnline = clock.elapsed();
            return online == kGood || clock.elapsed() > 150000;
        },
        50);
    const qint64 elapsed = clock.elapsed();
    const int online = onlineServers(roster, goodHosts);
    QMap<QByteArray, int> asked;
    for (const TestSupport::PeerRequest& request : slow.requests())
        ++asked[request.header("Host") + request.path];
    const LogSize written = LogSize::now() - before;
    std::printf("trickle: %d trickling servers before %d good ones, time-out %d ms: first good online after %lld "
                "ms, %d good online after %lld ms (%.1f time-outs); %d trickling servers asked, at most %d times "
                "each per command; longest gap %.1f ms; %lld log lines, %lld bytes\n",
                kTrickling, kGood, kDeadlineMs, firstOnline, online, elapsed, double(elapsed) / kDeadlineMs,
                int(asked.size() / 2), asked.isEmpty() ? 0 : *std::max_element(asked.cbegin(), asked.cend()),
                heartbeat.longestGapMs(), written.lines, written.bytes);
    std::fflush(stdout);
    roster->deinit();
    delete roster;
    Utils::setIntervalForTesting(Utils::Interval::LocalServerTimeout, 0);
}

void refusing()
{
    const int kRefusing = 130000;
    QTcpServer closed;
    closed.listen(QHostAddress::AnyIPv4);
    const int port = closed.serverPort();
    closed.close();
    QByteArrayList entries;
    for (int i = 0; i < kRefusing; ++i)
        entries << localEntry(loopback(3 + i / 65000, 1 + i % 65000), port);
    writeLocalRoster(entries);

    QElapsedTimer clock;
    clock.start();
    auto* roster = new GUI::RosterWidget;
    roster->resize(250, 780);
    roster->show();
    const qint64 built = clock.elapsed();
    auto* timer = roster->findChild<QTimer*>("localPollTimer");
    for (int cycle = 0; cycle < 2; ++cycle) {
        TestSupport::ObjectCensus census;
        TestSupport::Heartbeat heartbeat(10);
        const LogSize before = LogSize::now();
        clock.restart();
        if (cycle == 0) {
            roster->init(true);
            timer->stop();
        } else {
            QMetaObject::invokeMethod(roster, "updateLocalServersStatuses");
        }
        runUntil([&] { return census.alive("QuorvelClient::Core::StreamerClient") == 0; }, 20);
        runFor(100);
        const LogSize written = LogSize::now() - before;
        std::printf("refusing: %d servers (rows built in %lld ms), cycle %d: %lld ms, longest gap %.1f ms, %lld log "
                    "lines, %lld bytes\n",
                    kRefusing, built, cycle, clock.elapsed(), heartbeat.longestGapMs(), written.lines, written.bytes);
        std::fflush(stdout);
    }
    roster->deinit();
    const LogSize before = LogSize::now();
    TestSupport::Heartbeat heartbeat(10);
    roster->init(true);
    runFor(20000);
    const LogSize written = LogSize::now() - before;
    std::printf("refusing: first 20 s of a session (poll every %d ms): %lld log lines, %lld bytes, longest gap %.1f "
                "ms\n",
                Utils::intervalMs(Utils::Interval::LocalServerPoll), written.lines, written.bytes,
                heartbeat.longestGapMs());
    std::fflush(stdout);
    roster->deinit();
    TestSupport::ObjectCensus census;
    runUntil([&] { return census.alive("QuorvelClient::Core::StreamerClient") == 0; }, 20);
    delete roster;
}

} // namespace

int main(int argc, char* argv[])
{
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    const QString part = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (part.isEmpty() || part == "cycles")
        cycles();
    if (part.isEmpty() || part == "trickle" || part == "refusing") {
        QLoggingCategory::setFilterRules(QString());
        Application::openLog();
        if (part != "refusing")
            trickling();
        if (part != "trickle")
            refusing();
    }
    TestSupport::cleanupEnvironment();
    return 0;
}
