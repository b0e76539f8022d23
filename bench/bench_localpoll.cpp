// The roster with 50 local video servers of 16 cameras each beside a generated account roster of 100 x 20 cameras,
// every row expanded, all reached through the fake proxy; the fake peers run on a thread of their own. Once all is
// filled, measures unchanged poll cycles: the GUI thread's CPU time from the cycle's start until all 100 replies
// are in and the loop has been idle for 100 ms, the tree's layout changes (sorts) and the longest gap of a 10 ms
// heartbeat; against it the same 100 requests made by bare streaming clients, their replies parsed and released.
// The last line is the ratio of the roster's cycle CPU to the bare clients'.
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
#include "utils/ServiceHosts.h"

#include <QApplication>
#include <QFile>
#include <QLoggingCategory>
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

} // namespace

int main(int argc, char* argv[])
{
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    Peers peers;
    if (!peers.start()) {
        std::printf("cannot start the fake peers\n");
        return 1;
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
    TestSupport::cleanupEnvironment();
    return 0;
}
