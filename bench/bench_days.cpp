// Long "archive/days" replies of one camera to a shown control panel, with the real log file written as the
// client writes it: 690,000 elements whose "date" is no time (8.3 MB), and 100,000 days over 40,000 dates asked
// again on each of 10 turns of the calendar's page. For each: the longest stall of the GUI thread (a 10 ms
// heartbeat) from the first request until the last reply is marked, the peak memory above what the process held
// before, the memory still held after the last reply, the lines and bytes the log got, and how often the
// calendar's cells were painted: the calendar is open before the first reply comes, and its pages are turned as
// the user turns them. The fake server runs in a thread of its own and sends a reply made before the
// clock starts. Each case runs in a process of its own, so that no memory another one left behind hides its peak.
#include "application/Log.h"
#include "gui/playback/CalendarCells.h"
#include "gui/playback/controls/ControlPanel.h"
#include "gui/playback/widgets/ArchivePanel.h"
#include "gui/playback/widgets/CalendarWidget.h"
#include "peer/FakeVideoServer.h"
#include "support/ChildRuns.h"
#include "support/Heartbeat.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>

#include <malloc.h>

#include <atomic>
#include <cstdio>

using namespace QuorvelClient;
using TestSupport::FakeVideoServer;

namespace {

const QString kPassword = QStringLiteral("bench");
const int kTurns = 10;

std::atomic<int> g_replies{0};

// The client's own handler, with the replies handled counted; the offscreen platform's notes stay out.
void countReplies(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (message.startsWith(QLatin1String("Days list received")))
        ++g_replies;
    messageHandler(type, context, message);
}

// A line of /proc/self/status in KiB; VmHWM since the last reset, which starts the peak at the present size.
long statusKib(const char* field, bool reset = false)
{
    if (reset) {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
    }
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// Elements whose "date" is a negative number of seconds, each one skipped.
QByteArray badDates(int count)
{
    QByteArray body = "[";
    body.reserve(count * 12 + 2);
    for (int i = 0; i < count; ++i)
        body += i == 0 ? "{\"date\":-1}" : ",{\"date\":-1}";
    return body + ']';
}

// `count` days, one of `distinct` dates each, from 1980 on.
QByteArray manyDays(int count, int distinct)
{
    const qint64 first = QDate(1980, 1, 1).startOfDay().toSecsSinceEpoch();
    QByteArray body = "[";
    body.reserve(count * 40);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            body += ',';
        body += "{\"date\":" + QByteArray::number(first + qint64(i % distinct) * 86400 + 3600) +
                ",\"recordsCount\":" + QByteArray::number(i % 7 + 1) + '}';
    }
    return body + ']';
}

class PaintCounter : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
    int count = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        TestSupport::runPartsApart(argv[0], 2);
        return 0;
    }
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    QTemporaryDir work;
    QDir::setCurrent(work.path());

    FakeVideoServer server;
    if (!server.start())
        return 1;
    server.setPassword(kPassword);
    server.setCameras({{1, QStringLiteral("Cam 1")}});
    const QString serverId = QStringLiteral("127.0.0.1:%1").arg(server.port());

    const int which = qBound(0, QByteArray(argv[1]).toInt(), 1);
    const QByteArray body = which == 0 ? badDates(690000) : manyDays(100000, 40000);
    const int turns = which == 0 ? 0 : kTurns;
    const char* const names[] = {"690,000 elements of no date", "100,000 days over 40,000 dates, 10 page turns"};

    server.failCommand(QStringLiteral("archive/days"), TestSupport::PeerReply::json(body));
    GUI::ControlPanel panel;
    panel.resize(1200, 100);
    panel.show();
    if (!QTest::qWaitForWindowExposed(&panel))
        return 1;
    PaintCounter paints;

    Application::openLog();
    qInstallMessageHandler(countReplies);
    malloc_trim(0);
    const long before = statusKib("VmHWM:", true);
    const long residentBefore = statusKib("VmRSS:");
    TestSupport::Heartbeat beat(10);
    QElapsedTimer clock;
    clock.start();
    Core::CameraPtr camera = TestSupport::localCamera(1, serverId);
    camera->setPassword(kPassword);
    panel.addCamera(camera);
    QDate page = QDate::currentDate();
    // The calendar opens as soon as the camera is open, before its days come, and is turned as the user turns it.
    GUI::CalendarWidget* calendar = TestSupport::openCalendar(panel.findChild<GUI::ArchivePanel*>());
    if (!calendar)
        return 1;
    calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"))
        ->viewport()
        ->installEventFilter(&paints);
    for (int turn = 0; turn <= turns && clock.elapsed() < 120000; ++turn) {
        if (turn > 0) {
            page = page.addMonths(-1);
            calendar->setCurrentPage(page.year(), page.month());
        }
        while (g_replies <= turn && clock.elapsed() < 120000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    const double longestMs = beat.longestGapMs();
    const double elapsedMs = clock.nsecsElapsed() / 1e6;
    const long peak = statusKib("VmHWM:");
    // Memory freed but kept by the allocator is not held.
    malloc_trim(0);
    const long resident = statusKib("VmRSS:");
    const int replies = g_replies;
    qInstallMessageHandler(nullptr);
    QFile log(QStringLiteral("quorvel_client_log.txt"));
    log.open(QIODevice::ReadOnly);
    const QByteArray written = log.readAll();
    std::printf("%s (%.1f MB): longest gap %.1f ms, all marked after %.1f ms, peak +%.1f MiB, held +%.1f MiB, "
                "%lld log lines (%.1f MiB), %d paints of the cells, %d of %d replies\n",
                names[which], body.size() / 1e6, longestMs, elapsedMs, (peak - before) / 1024.0,
                (resident - residentBefore) / 1024.0, qlonglong(written.count('\n')), written.size() / 1048576.0,
                paints.count, replies, turns + 1);
    panel.removeAllCameras();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
