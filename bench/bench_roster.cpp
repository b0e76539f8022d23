// The roster signed in to the fake service (whose peers run on a thread of their own) and filled from generated
// account rosters of 2,000 (100 x 20), 10,000 (250 x 40) and 40,000 (1,000 x 40; the client reads no larger reply)
// cameras, shown offscreen at the dock's size. For each size: the first fill (wall time until every row is in, the
// GUI thread's CPU time, its longest stall as the longest gap of a 1 ms heartbeat, heap growth per camera row with
// its record, and the widgets made), expanding every server, a refresh equal to the last reply and one that turns
// every camera offline or back online; the medians of five rounds for the first two sizes. Then a local server list
// file of 130,000 servers read at start and shown. The last lines compare 10,000 cameras with 2,000.
#include "core/SessionManager.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/LocalServerTreeItem.h"
#include "gui/roster/RosterWidget.h"
#include "peer/FakeNetwork.h"
#include "peer/FakeVideoServer.h"
#include "support/EventLoopRuns.h"
#include "support/Heartbeat.h"
#include "support/ObjectCensus.h"
#include "support/TestEnvironment.h"
#include "support/Widgets.h"
#include "utils/ServiceHosts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <vector>

using namespace QuorvelClient;
using TestSupport::rowsOf;
using TestSupport::runFor;
using TestSupport::runUntil;
using TestSupport::threadCpuMs;

namespace {

struct Peers
{
    TestSupport::FakeNetwork net;
    TestSupport::FakeVideoServer streamer;

    bool start()
    {
        if (!net.start() || !streamer.start())
            return false;
        net.service.addAccount("bench@quorvel.example", "bench");
        streamer.setSessionCheck([](const QString&) { return true; });
        QList<TestSupport::FakeCamera> cameras;
        for (int c = 1; c <= 40; ++c)
            cameras << TestSupport::FakeCamera{c, QString("Camera %1").arg(c)};
        streamer.setCameras(cameras);
        net.proxy.map(Utils::ServiceHosts::streamerHost, 80, QHostAddress::LocalHost, streamer.port());
        return true;
    }
};

double heapMb()
{
    return mallinfo2().uordblks / 1048576.0;
}

struct Step
{
    double wallMs = 0;
    double cpuMs = 0;
    double longestGapMs = 0;
};

// Runs the loop from start() until done() holds and 300 ms more; the wall time is taken when done() holds.
Step measure(const std::function<void()>& start, const std::function<bool()>& done)
{
    TestSupport::Heartbeat heartbeat(1);
    QElapsedTimer wall;
    wall.start();
    const double cpu = threadCpuMs();
    start();
    // Counting objects is not free: checked every 20 ms.
    runUntil(done, 20);
    const double wallMs = wall.nsecsElapsed() / 1e6;
    runFor(300);
    return Step{wallMs, threadCpuMs() - cpu, heartbeat.longestGapMs()};
}

QVariantMap allOffline(QVariantMap roster)
{
    for (QVariant& server : roster) {
        QVariantMap object = server.toMap();
        QVariantMap cameras = object.value("cameras").toMap();
        for (QVariant& camera : cameras) {
            QVariantMap map = camera.toMap();
            map.insert("online", false);
            camera = map;
        }
        object.insert("cameras", cameras);
        server = object;
    }
    return roster;
}

struct Sizes
{
    Step fill;
    Step unchanged;
    Step changed;
};

// Measures from start() until the roster's request is answered, its REST client released, and done() holds.
Step measureRequest(const std::function<void()>& start, const std::function<bool()>& done)
{
    // Made for the step alone: it keeps every object made meanwhile, and asking it walks them all.
    TestSupport::ObjectCensus census;
    return measure(start, [&] { return census.alive("QuorvelClient::Core::RestClient") == 0 && done(); });
}

Step median(std::vector<Step> steps)
{
    std::sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) { return a.wallMs < b.wallMs; });
    return steps[steps.size() / 2];
}

// Each step is measured `rounds` times and its median taken: the first fill each time in a new roster, the
// refreshes in the last one.
Sizes account(Peers& peers, int servers, int camerasEach, int rounds)
{
    const int cameras = servers * camerasEach;
    const QVariantMap roster = TestSupport::FakeService::generatedRoster(servers, camerasEach);
    const QVariantMap offline = allOffline(roster);
    auto setRoster = [&](const QVariantMap& reply) { peers.net.service.setRoster(reply); };
    setRoster(roster);
    GUI::RosterWidget* widget = nullptr;
    std::vector<Step> fills;
    double perRow = 0;
    int widgetsBefore = 0;
    int widgets = 0;
    for (int round = 0; round < rounds; ++round) {
        if (widget) {
            widget->deinit();
            delete widget;
        }
        widget = new GUI::RosterWidget;
        widget->resize(250, 780);
        widget->show();
        runFor(300);
        auto* tree = widget->findChild<QTreeWidget*>("treeWidget");
        const double heap = heapMb();
        widgetsBefore = QApplication::allWidgets().size();
        fills.push_back(measureRequest([&] { widget->init(false); },
                                       [&] { return rowsOf(tree, GUI::CameraTreeItem::Type) == cameras; }));
        perRow = (heapMb() - heap) * 1048576.0 / cameras;
        widgets = QApplication::allWidgets().size() - widgetsBefore;
        widget->findChild<QTimer*>("rosterRequestTimer")->stop();
        widget->findChild<QTimer*>("localPollTimer")->stop();
    }
    Sizes sizes;
    sizes.fill = median(fills);
    std::printf("%6d cameras, first fill: %6.0f ms, GUI CPU %6.0f ms, longest stall %5.0f ms; heap %5.0f bytes per "
                "camera row, %d widgets\n",
                cameras, sizes.fill.wallMs, sizes.fill.cpuMs, sizes.fill.longestGapMs, perRow, widgets);

    const Step expand = measure([&] { widget->expandAll(); }, [] { return true; });
    std::printf("%6d cameras, all expanded: longest stall %5.0f ms, %d widgets\n", cameras, expand.longestGapMs,
                int(QApplication::allWidgets().size() - widgetsBefore));

    // Unchanged, and every camera going offline or coming back.
    std::vector<Step> unchanged, changed;
    for (int round = 0; round < rounds; ++round) {
        const auto refresh = [&] {
            return measureRequest([&] { QMetaObject::invokeMethod(widget, "requestServerList"); }, [] { return true; });
        };
        unchanged.push_back(refresh());
        setRoster(round % 2 == 0 ? offline : roster);
        changed.push_back(refresh());
    }
    sizes.unchanged = median(unchanged);
    sizes.changed = median(changed);
    std::printf("%6d cameras, refresh: unchanged %5.0f ms (GUI CPU %5.0f ms, longest stall %5.0f ms), every camera "
                "changed %5.0f ms (GUI CPU %5.0f ms, longest stall %5.0f ms)\n",
                cameras, sizes.unchanged.wallMs, sizes.unchanged.cpuMs, sizes.unchanged.longestGapMs,
                sizes.changed.wallMs, sizes.changed.cpuMs, sizes.changed.longestGapMs);
    std::fflush(stdout);
    widget->deinit();
    delete widget;
    runFor(300);
    return sizes;
}

void localList(int servers)
{
    QFile file("local_roster.txt");
    file.open(QIODevice::WriteOnly);
    file.write("[");
    for (int i = 0; i < servers; ++i) {
        file.write(QString("%1{\"ip\":\"10.%2.%3.%4\",\"name\":\"Local %5\",\"password\":\"pw\",\"port\":80}")
                       .arg(i ? "," : "")
                       .arg(i / 65536)
                       .arg(i / 256 % 256)
                       .arg(i % 256)
                       .arg(i)
                       .toUtf8());
    }
    file.write("]");
    file.close();
    const double heap = heapMb();
    const int widgetsBefore = QApplication::allWidgets().size();
    GUI::RosterWidget* widget = nullptr;
    const Step load = measure(
        [&] {
            widget = new GUI::RosterWidget;
            widget->resize(250, 780);
            widget->show();
        },
        [] { return true; });
    auto* tree = widget->findChild<QTreeWidget*>("treeWidget");
    std::printf("%d local servers in the list file: read and shown in %.0f ms, GUI CPU %.0f ms, longest stall %.0f "
                "ms, heap %.0f bytes per server, %d rows, %d widgets\n",
                servers, load.wallMs, load.cpuMs, load.longestGapMs, (heapMb() - heap) * 1048576.0 / servers,
                rowsOf(tree, GUI::LocalServerTreeItem::Type), int(QApplication::allWidgets().size() - widgetsBefore));
    delete widget;
    QFile::remove("local_roster.txt");
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
    Core::SessionManager::create("bench@quorvel.example", "bench");
    QEventLoop signIn;
    QObject::connect(Core::SessionManager::instance(), &Core::SessionManager::newSessionId, &signIn, &QEventLoop::quit);
    Core::SessionManager::instance()->requestSessionId();
    signIn.exec();

    const Sizes small = account(peers, 100, 20, 5);
    const Sizes large = account(peers, 250, 40, 5);
    account(peers, 1000, 40, 1);
    localList(130000);
    std::printf("10,000 / 2,000 cameras: first fill %.2f (GUI CPU %.2f), unchanged refresh %.2f (GUI CPU %.2f), "
                "changed refresh %.2f (GUI CPU %.2f)\n",
                large.fill.wallMs / small.fill.wallMs, large.fill.cpuMs / small.fill.cpuMs,
                large.unchanged.wallMs / small.unchanged.wallMs, large.unchanged.cpuMs / small.unchanged.cpuMs,
                large.changed.wallMs / small.changed.wallMs, large.changed.cpuMs / small.changed.cpuMs);
    std::printf("ratio: %.2f\n", large.fill.wallMs / small.fill.wallMs);
    std::fflush(stdout);
    TestSupport::cleanupEnvironment();
    return 0;
}
