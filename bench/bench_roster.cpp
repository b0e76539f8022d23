// The roster signed in to the fake service (whose peers run on a thread of their own) and filled from generated
// account rosters of 2,000 (100 x 20), 10,000 (250 x 40) and 40,000 (1,000 x 40; the client reads no larger reply)
// cameras, shown offscreen at the dock's size. For each size: the first fill (wall time until every row is in, the
// GUI thread's CPU time, its longest stall as the longest gap of a 1 ms heartbeat, heap growth per camera row with
// its record, and the widgets made), expanding every server, a refresh equal to the last reply and one that turns
// every camera offline or back online; the medians of five rounds for the first two sizes. The same for the shapes of
// many small servers: 2,000 cameras on 1,000 servers, 10,000 on 2,000 and on 5,000, and 10,000 servers of one camera.
// Then a local server whose row is expanded before its first answer: 10,000 and 30,000 cameras coming in, going
// offline and being replaced by as many others; and seven of its cameras, shown, in a list of 60,000 entries whose
// status flips, with the log lines it writes. Then a local server list file of 130,000 servers read at start and
// shown. The last lines compare 10,000 cameras with 2,000, on few servers and on many.
#include "core/LocalVideoServer.h"
#include "core/SessionManager.h"
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
    std::printf("%6d cameras on %5d servers, first fill: %6.0f ms, GUI CPU %6.0f ms, longest stall %5.0f ms; heap "
                "%5.0f bytes per camera row, %d widgets\n",
                cameras, servers, sizes.fill.wallMs, sizes.fill.cpuMs, sizes.fill.longestGapMs, perRow, widgets);

    const Step expand = measure([&] { widget->expandAll(); }, [] { return true; });
    std::printf("%6d cameras, all expanded: longest stall %5.0f ms, %d widgets\n", cameras, expand.longestGapMs,
                int(QApplication::allWidgets().size() - widgetsBefore));
    const Step collapse = measure([&] { widget->collapseAll(); }, [] { return true; });
    widget->expandAll();
    std::printf("%6d cameras, all collapsed: longest stall %5.0f ms\n", cameras, collapse.longestGapMs);

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
    setRoster(QVariantMap());
    auto* tree = widget->findChild<QTreeWidget*>("treeWidget");
    const Step gone = measureRequest([&] { QMetaObject::invokeMethod(widget, "requestServerList"); },
                                     [&] { return rowsOf(tree, GUI::ServerTreeItem::Type) == 0; });
    std::printf("%6d cameras, every server gone: %5.0f ms (GUI CPU %5.0f ms, longest stall %5.0f ms)\n", cameras,
                gone.wallMs, gone.cpuMs, gone.longestGapMs);
    std::fflush(stdout);
    widget->deinit();
    delete widget;
    runFor(300);
    return sizes;
}

// Counts the messages written while it lives, debug messages too.
class LogCount
{
public:
    LogCount()
    {
        s_count = 0;
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=true"));
        m_previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) { ++s_count; });
    }
    ~LogCount()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    }
    int count() const { return s_count; }

private:
    static inline int s_count = 0;
    QtMessageHandler m_previous;
};

// The roster of one local server whose row is expanded before its first answer, which lists `cameras` cameras.
void localServer(Peers& peers, int cameras)
{
    TestSupport::FakeVideoServer peer;
    peer.setPassword("pw");
    QList<TestSupport::FakeCamera> list;
    for (int c = 1; c <= cameras; ++c)
        list << TestSupport::FakeCamera{c, QString("Camera %1").arg(c)};
    peer.setCameras(list);
    if (!peer.start())
        return;
    peers.net.proxy.map("127.0.0.1", peer.port(), QHostAddress::LocalHost, peer.port());
    QFile file("local_roster.txt");
    file.open(QIODevice::WriteOnly);
    file.write("[{\"ip\":\"127.0.0.1\",\"name\":\"Lab\",\"password\":\"pw\",\"port\":" +
               QByteArray::number(peer.port()) + "}]");
    file.close();
    auto* widget = new GUI::RosterWidget;
    widget->resize(250, 780);
    widget->show();
    auto* tree = widget->findChild<QTreeWidget*>("treeWidget");
    QTreeWidgetItem* row = tree->topLevelItem(0)->child(0);
    row->setExpanded(true);
    runFor(300);
    const Core::LocalVideoServerPtr server = static_cast<GUI::LocalServerTreeItem*>(row)->server();
    const auto poll = [&] { QMetaObject::invokeMethod(widget, "updateLocalServersStatuses"); };
    const auto allFlags = [&](int flags) {
        const QMap<Core::camera_id_t, Core::CameraPtr> held = server->cameras();
        return std::all_of(held.cbegin(), held.cend(), [&](const Core::CameraPtr& c) { return c->flags() == flags; });
    };

    const Step fill = measure(
        [&] {
            widget->init(true);
            widget->findChild<QTimer*>("localPollTimer")->stop();
        },
        [&] { return row->childCount() == cameras; });
    for (TestSupport::FakeCamera& camera : list)
        camera.status = 0;
    peer.setCameras(list);
    const Step offline = measure(poll, [&] { return allFlags(Core::Camera::Offline); });
    for (TestSupport::FakeCamera& camera : list)
        camera.id += cameras;
    peer.setCameras(list);
    const Step replaced =
        measure(poll, [&] { return !server->cameras().isEmpty() && server->cameras().firstKey() > cameras; });
    std::printf("local server, %6d cameras expanded: first answer %6.0f ms (GUI CPU %6.0f ms, longest stall %5.0f ms), "
                "all offline %5.0f ms (longest stall %5.0f ms), all replaced %5.0f ms (longest stall %5.0f ms)\n",
                cameras, fill.wallMs, fill.cpuMs, fill.longestGapMs, offline.wallMs, offline.longestGapMs,
                replaced.wallMs, replaced.longestGapMs);

    // Seven offline cameras, shown; then a list that flips each of them 4,285 times and leaves them online.
    if (cameras == 10000) {
        QByteArray body = "[";
        for (int id = 1; id <= 7; ++id)
            body += QByteArray(id > 1 ? "," : "") + "{\"id\":" + QByteArray::number(id) + ",\"status\":0}";
        peer.failCommand("streams/info", TestSupport::PeerReply::json(body + ']'));
        poll();
        runUntil([&] { return server->cameras().size() == 7; }, 20);
        tree->scrollToTop();
        runFor(1000);
        body = "[";
        for (int i = 0; i < 60000; ++i)
            body += QByteArray(i ? "," : "") + "{\"id\":" + QByteArray::number(1 + i % 7) +
                    ",\"status\":" + QByteArray::number((59999 - i) / 7 % 2 == 0 ? 1 : 0) + '}';
        peer.failCommand("streams/info", TestSupport::PeerReply::json(body + ']'));
        LogCount log;
        const Step repeated = measure(poll, [&] { return allFlags(0); });
        std::printf("local server, 60,000 entries over 7 ids: %5.0f ms (GUI CPU %5.0f ms, longest stall %5.0f ms), %d "
                    "log lines\n",
                    repeated.wallMs, repeated.cpuMs, repeated.longestGapMs, log.count());
    }
    std::fflush(stdout);
    widget->deinit();
    delete widget;
    QFile::remove("local_roster.txt");
    runFor(300);
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

    // Names of parts to run alone: "few" servers, "many" servers, "local" server, local server "list".
    const QStringList only = app.arguments().mid(1);
    const auto wanted = [&](const char* part) { return only.isEmpty() || only.contains(QLatin1String(part)); };
    Sizes small, large, manySmall, manyLarge;
    if (wanted("few")) {
        small = account(peers, 100, 20, 5);
        large = account(peers, 250, 40, 5);
        account(peers, 1000, 40, 1);
    }
    if (wanted("many")) {
        manySmall = account(peers, 1000, 2, 3);
        account(peers, 2000, 5, 1);
        manyLarge = account(peers, 5000, 2, 1);
        account(peers, 10000, 1, 1);
    }
    if (wanted("local")) {
        localServer(peers, 10000);
        localServer(peers, 30000);
    }
    if (wanted("list"))
        localList(130000);
    if (wanted("many")) {
        std::printf("10,000 cameras on 5,000 servers / 2,000 on 1,000: first fill %.2f (GUI CPU %.2f)\n",
                    manyLarge.fill.wallMs / manySmall.fill.wallMs, manyLarge.fill.cpuMs / manySmall.fill.cpuMs);
    }
    if (wanted("few")) {
        std::printf("10,000 / 2,000 cameras: first fill %.2f (GUI CPU %.2f), unchanged refresh %.2f (GUI CPU %.2f), "
                    "changed refresh %.2f (GUI CPU %.2f)\n",
                    large.fill.wallMs / small.fill.wallMs, large.fill.cpuMs / small.fill.cpuMs,
                    large.unchanged.wallMs / small.unchanged.wallMs, large.unchanged.cpuMs / small.unchanged.cpuMs,
                    large.changed.wallMs / small.changed.wallMs, large.changed.cpuMs / small.changed.cpuMs);
        std::printf("ratio: %.2f\n", large.fill.wallMs / small.fill.wallMs);
    }
    std::fflush(stdout);
    TestSupport::cleanupEnvironment();
    return 0;
}
