// Very long names from the peers, shown offscreen at the dock's size. A fake local server whose one camera is named
// with 1,000,000 and then 8,000,000 letters, polled by the roster: the poll until the row is in, drawing the row (the
// tree expanded and painted) and hovering its tooltip (wall time, the GUI thread's longest stall as the longest gap
// of a 1 ms heartbeat, heap growth and peak memory growth). Then an account roster of five servers named with
// 1,000,000 letters each, one camera each: the first fill. Last, the video cell of a camera with each of the two
// names: its first paint.
#include "core/SessionManager.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/RosterWidget.h"
#include "gui/video/VideoWidget.h"
#include "peer/FakeNetwork.h"
#include "peer/FakeVideoServer.h"
#include "support/EventLoopRuns.h"
#include "support/Heartbeat.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"
#include "support/Widgets.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHelpEvent>
#include <QLoggingCategory>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <cstdio>
#include <functional>
#include <malloc.h>

using namespace QuorvelClient;
using TestSupport::rowsOf;
using TestSupport::runFor;
using TestSupport::runUntil;

namespace {

const char kPassword[] = "bench pw";

double heapMb()
{
    return mallinfo2().uordblks / 1048576.0;
}

// The process's peak resident memory so far, from /proc/self/status.
double peakMb()
{
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

struct Step
{
    double wallMs = 0;
    double longestGapMs = 0;
    double heapMb = 0;
    double peakMb = 0;
};

// Runs work() and then the loop until done() holds and 300 ms more; the wall time is taken when done() holds.
Step measure(const std::function<void()>& work, const std::function<bool()>& done)
{
    const double heap = heapMb();
    const double peak = peakMb();
    TestSupport::Heartbeat heartbeat(1);
    QElapsedTimer wall;
    wall.start();
    work();
    runUntil(done, 1);
    const double wallMs = wall.nsecsElapsed() / 1e6;
    runFor(300);
    return Step{wallMs, heartbeat.longestGapMs(), heapMb() - heap, peakMb() - peak};
}

void print(const char* what, const Step& step)
{
    std::printf("  %-28s %8.0f ms, longest stall %8.0f ms, heap %+8.1f MB, peak %+8.1f MB\n", what, step.wallMs,
                step.longestGapMs, step.heapMb, step.peakMb);
    std::fflush(stdout);
}

QString longName(int letters)
{
    QString name;
    name.reserve(letters + 16);
    for (int i = 0; name.size() < letters; ++i)
        name += QString("Hall %1, ").arg(i);
    name.truncate(letters);
    return name;
}

QWidget* shownToolTip()
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == "qtooltip_label" && top->isVisible())
            return top;
    }
    return nullptr;
}

void localCamera(TestSupport::FakeNetwork& net, int letters)
{
    TestSupport::FakeVideoServer server;
    server.setPassword(kPassword);
    server.setCameras({{1, longName(letters)}});
    if (!server.start())
        return;
    net.proxy.map("127.0.0.1", server.port(), QHostAddress::LocalHost, server.port());
    QFile file("local_roster.txt");
    file.open(QIODevice::WriteOnly);
    file.write(QString("[{\"ip\":\"127.0.0.1\",\"name\":\"Lab\",\"password\":\"%1\",\"port\":%2}]")
                   .arg(kPassword)
                   .arg(server.port())
                   .toUtf8());
    file.close();

    std::printf("a local camera named with %d letters:\n", letters);
    auto* roster = new GUI::RosterWidget;
    roster->resize(250, 780);
    roster->show();
    runFor(300);
    auto* tree = roster->findChild<QTreeWidget*>("treeWidget");
    print("poll until the row is in",
          measure([&] { roster->init(true); }, [&] { return rowsOf(tree, GUI::CameraTreeItem::Type) == 1; }));
    roster->findChild<QTimer*>("localPollTimer")->stop();
    print("drawing the row", measure(
                                 [&] {
                                     tree->expandAll();
                                     tree->viewport()->repaint();
                                 },
                                 [] { return true; }));
    QTreeWidgetItem* row = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if ((*it)->type() == GUI::CameraTreeItem::Type)
            row = *it;
    }
    const QPoint spot = tree->visualItemRect(row).center();
    print("hovering its tooltip", measure(
                                      [&] {
                                          QHelpEvent help(QEvent::ToolTip, spot, tree->viewport()->mapToGlobal(spot));
                                          QCoreApplication::sendEvent(tree->viewport(), &help);
                                      },
                                      [] { return shownToolTip() != nullptr; }));
    std::printf("  tooltip %d letters\n", int(row->toolTip(0).size()));
    QToolTip::hideText();
    roster->deinit();
    delete roster;
    runFor(300);
    QFile::remove("local_roster.txt");
}

void accountServers(TestSupport::FakeNetwork& net, int servers, int letters)
{
    QVariantMap roster = TestSupport::FakeService::generatedRoster(servers, 1);
    for (QVariant& server : roster) {
        QVariantMap object = server.toMap();
        object.insert("name", longName(letters));
        server = object;
    }
    net.service.setRoster(roster);
    std::printf("an account roster of %d servers named with %d letters each:\n", servers, letters);
    auto* widget = new GUI::RosterWidget;
    widget->resize(250, 780);
    widget->show();
    runFor(300);
    auto* tree = widget->findChild<QTreeWidget*>("treeWidget");
    print("first fill",
          measure([&] { widget->init(false); }, [&] { return rowsOf(tree, GUI::CameraTreeItem::Type) == servers; }));
    widget->findChild<QTimer*>("rosterRequestTimer")->stop();
    widget->findChild<QTimer*>("localPollTimer")->stop();
    print("all expanded", measure([&] { widget->expandAll(); }, [] { return true; }));
    widget->deinit();
    delete widget;
    runFor(300);
}

void videoCell(int letters)
{
    Core::CameraPtr camera = TestSupport::localCamera(1, "127.0.0.1:9", QSize(640, 480), Core::Camera::Offline);
    camera->setName(longName(letters));
    GUI::VideoWidget widget(camera);
    widget.resize(400, 300);
    widget.show();
    std::printf("the video cell of a camera named with %d letters:\n", letters);
    print("first paint", measure([&] { widget.repaint(); }, [] { return true; }));
}

} // namespace

int main(int argc, char* argv[])
{
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    TestSupport::FakeNetwork net;
    if (!net.start()) {
        std::printf("cannot start the fake peers\n");
        return 1;
    }
    net.service.addAccount("bench@quorvel.example", "bench");
    net.useProxy();
    Core::SessionManager::create("bench@quorvel.example", "bench");
    QEventLoop signIn;
    QObject::connect(Core::SessionManager::instance(), &Core::SessionManager::newSessionId, &signIn, &QEventLoop::quit);
    Core::SessionManager::instance()->requestSessionId();
    signIn.exec();

    localCamera(net, 1000000);
    localCamera(net, 8000000);
    accountServers(net, 5, 1000000);
    videoCell(1000000);
    videoCell(8000000);
    TestSupport::cleanupEnvironment();
    return 0;
}
