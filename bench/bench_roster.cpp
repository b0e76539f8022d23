// The roster signed in to the fake service and filled from generated account rosters of 100 x 20 and 250 x 40
// cameras, shown offscreen. Measures how long the GUI thread stalls (the longest gap of a 1 ms heartbeat) on the
// first fill, against building the same row widgets alone, and on a refresh equal to the last reply, against
// parsing that reply alone. The last line is the ratio of the expanded unchanged refresh to the parse.
#include "core/SessionManager.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/CameraWidget.h"
#include "gui/roster/RosterWidget.h"
#include "gui/roster/ServerTreeItem.h"
#include "gui/roster/ServerWidget.h"
#include "peer/FakeNetwork.h"
#include "peer/FakeVideoServer.h"
#include "support/Heartbeat.h"
#include "support/ObjectCensus.h"
#include "support/TestEnvironment.h"
#include "utils/ServiceHosts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

using namespace QuorvelClient;

namespace {

double vmRssMb()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

// Runs the event loop until done() holds and then for settleMs more, and returns the longest gap in ms between
// beats of a 1 ms timer meanwhile.
double stall(const std::function<void()>& start, const std::function<bool()>& done, int settleMs = 300)
{
    TestSupport::Heartbeat heartbeat(1);
    start();
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < settleMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return heartbeat.longestGapMs();
}

void settle(int ms = 300)
{
    stall([] {}, [] { return true; }, ms);
}

// Counts the signals of objects and models connected to it.
class SignalCounter : public QObject
{
    Q_OBJECT
public:
    int count = 0;
    void watch(QObject* object)
    {
        const QMetaMethod hit = metaObject()->method(metaObject()->indexOfSlot("hit()"));
        for (int i = 0; i < object->metaObject()->methodCount(); ++i) {
            const QMetaMethod method = object->metaObject()->method(i);
            // Previews come from the preview loader's own refresh, not from the roster reply.
            if (method.methodType() == QMetaMethod::Signal && method.name() != "destroyed" &&
                method.name() != "previewChanged")
                connect(object, method, this, hit);
        }
    }
public slots:
    void hit() { ++count; }
};

struct Bench
{
    TestSupport::FakeNetwork net;
    TestSupport::FakeVideoServer streamer;

    int rosterRequests() const
    {
        int count = 0;
        for (const TestSupport::PeerRequest& request : net.service.requests())
            count += request.path.endsWith("/public/roster");
        return count;
    }
};

int itemCount(QTreeWidget* tree, int type)
{
    int count = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        count += (*it)->type() == type;
    return count;
}

double widgetsAloneMs(int servers, int camerasEach)
{
    std::vector<std::unique_ptr<QWidget>> widgets;
    QElapsedTimer timer;
    timer.start();
    for (int s = 0; s < servers; ++s) {
        widgets.emplace_back(new ServerWidget(QString("Server %1 (%2 cameras)").arg(s).arg(camerasEach), QString()));
        for (int c = 1; c <= camerasEach; ++c)
            widgets.emplace_back(new CameraWidget(QString("Camera %1").arg(c), QString(), true));
    }
    return timer.nsecsElapsed() / 1e6;
}

// Fills a new roster from the generated roster; returns it shown and filled.
GUI::RosterWidget* firstFill(Bench& bench, int servers, int camerasEach)
{
    const int cameras = servers * camerasEach;
    bench.net.service.setRoster(TestSupport::FakeService::generatedRoster(servers, camerasEach));
    auto* roster = new GUI::RosterWidget;
    roster->resize(250, 780);
    roster->show();
    settle();
    auto* tree = roster->findChild<QTreeWidget*>("treeWidget");
    const double rssBefore = vmRssMb();
    const int widgetsBefore = QApplication::allWidgets().size();
    const double ms =
        stall([&] { roster->init(false); }, [&] { return itemCount(tree, GUI::CameraTreeItem::Type) == cameras; });
    const double rssGrowth = vmRssMb() - rssBefore;
    const int widgets = QApplication::allWidgets().size() - widgetsBefore;
    const double alone = widgetsAloneMs(servers, camerasEach);
    std::printf("first fill, %5d cameras: stall %7.0f ms, VmRSS +%5.0f MB, %6d widgets; the widgets alone %7.0f ms "
                "(%.2fx)\n",
                cameras, ms, rssGrowth, widgets, alone, ms / alone);
    return roster;
}

double unchangedMerge(Bench& bench, GUI::RosterWidget* roster)
{
    TestSupport::ObjectCensus census;
    const int asked = bench.rosterRequests();
    return stall(
        [&] { QMetaObject::invokeMethod(roster, "requestServerList"); },
        [&] { return bench.rosterRequests() > asked && census.alive("QuorvelClient::Core::RestClient") == 0; });
}

} // namespace

int main(int argc, char* argv[])
{
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    Bench bench;
    if (!bench.net.start()) {
        std::printf("cannot start the fake service\n");
        return 1;
    }
    bench.net.useProxy();
    bench.net.service.addAccount("bench@quorvel.example", "bench");
    bench.streamer.setSessionCheck([](const QString&) { return true; });
    QList<TestSupport::FakeCamera> cameras;
    for (int c = 1; c <= 40; ++c)
        cameras << TestSupport::FakeCamera{c, QString("Camera %1").arg(c)};
    bench.streamer.setCameras(cameras);
    bench.streamer.start();
    bench.net.proxy.map(Utils::ServiceHosts::streamerHost, 80, QHostAddress::LocalHost, bench.streamer.port());
    Core::SessionManager::create("bench@quorvel.example", "bench");
    QEventLoop signIn;
    QObject::connect(Core::SessionManager::instance(), &Core::SessionManager::newSessionId, &signIn, &QEventLoop::quit);
    Core::SessionManager::instance()->requestSessionId();
    signIn.exec();

    // 2,000 cameras: first fill, then a reply equal to the last one with the servers collapsed and expanded.
    GUI::RosterWidget* roster = firstFill(bench, 100, 20);
    auto* tree = roster->findChild<QTreeWidget*>("treeWidget");
    SignalCounter records;
    SignalCounter model;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if ((*it)->type() == GUI::ServerTreeItem::Type)
            records.watch(static_cast<GUI::ServerTreeItem*>(*it)->server().get());
        else if ((*it)->type() == GUI::CameraTreeItem::Type)
            records.watch(static_cast<GUI::CameraTreeItem*>(*it)->camera().get());
    }
    const QMetaMethod hit = model.metaObject()->method(model.metaObject()->indexOfSlot("hit()"));
    for (const char* signal : {"dataChanged(QModelIndex,QModelIndex,QList<int>)", "rowsInserted(QModelIndex,int,int)",
                               "rowsRemoved(QModelIndex,int,int)"}) {
        const QMetaObject* meta = tree->model()->metaObject();
        QObject::connect(tree->model(), meta->method(meta->indexOfSignal(signal)), &model, hit);
    }
    roster->collapseAll();
    settle();
    const double collapsed = unchangedMerge(bench, roster);
    roster->expandAll();
    settle(1000);
    const double expanded = unchangedMerge(bench, roster);

    const QByteArray bytes =
        TestSupport::FakeService::envelope(TestSupport::FakeService::generatedRoster(100, 20)).body;
    double parse = 1e9;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        const QVariant parsed = QJsonDocument::fromJson(bytes).toVariant();
        parse = std::min(parse, timer.nsecsElapsed() / 1e6);
    }
    std::printf("unchanged refresh, 2000 cameras: stall %.1f ms collapsed, %.1f ms expanded; parse alone %.1f ms "
                "(%d KB); record signals %d, model signals %d\n",
                collapsed, expanded, parse, int(bytes.size() / 1024), records.count, model.count);
    roster->deinit();
    delete roster;
    settle();

    // 10,000 cameras: first fill only.
    roster = firstFill(bench, 250, 40);
    roster->deinit();
    delete roster;

    std::printf("ratio: %.2f\n", expanded / parse);
    std::fflush(stdout);
    TestSupport::cleanupEnvironment();
    return 0;
}

#include "bench_roster.moc"
