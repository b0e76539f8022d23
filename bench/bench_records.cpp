// Long "archive/list" replies of one camera to a shown 1,200 px control panel, as a peer may send them: a day of
// 100,000 records, 95,000 records in 8.1 MB, and three records padded with 1,000,000 empty elements. For each:
// the longest stall of the GUI thread (a 10 ms heartbeat) from the camera's opening until its bars are drawn, the
// peak memory the reply cost above what the process held before, and the lines it wrote to the log. The fake
// server runs in a thread of its own and sends a reply made before the clock starts. Each reply is measured in a
// process of its own, so that no memory another one left behind hides its peak.
#include "gui/playback/controls/ControlPanel.h"
#include "gui/playback/widgets/ArchivePanel.h"
#include "gui/playback/widgets/Timeline.h"
#include "peer/FakeVideoServer.h"
#include "support/ChildRuns.h"
#include "support/Heartbeat.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <atomic>
#include <cstdio>

using namespace QuorvelClient;
using TestSupport::FakeVideoServer;

namespace {

const QString kPassword = QStringLiteral("bench");

std::atomic<int> g_lines{0};
std::atomic<int> g_replies{0};

// Counts the lines the log would get and the replies the panel handled, and keeps the log quiet.
void countLines(QtMsgType, const QMessageLogContext&, const QString& message)
{
    ++g_lines;
    if (message.startsWith(QLatin1String("Records list received.")))
        ++g_replies;
}

// The peak resident size since the last reset, in KiB; a reset starts the peak at the present size.
long peakKib(bool reset)
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
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

QByteArray element(qint64 startMs, qint64 durationMs, int id)
{
    return "{\"duration\":" + QByteArray::number(durationMs) + ",\"endId\":" + QByteArray::number(id + 9) +
           ",\"startId\":" + QByteArray::number(id) + ",\"startTime\":" + QByteArray::number(startMs) + ",\"type\":1}";
}

// `count` records spread over the day, each `durationMs` long, ids counting up as a server's do.
QByteArray dayOfRecords(const QDate& day, int count, qint64 durationMs, int firstId)
{
    const qint64 start = day.startOfDay().toMSecsSinceEpoch();
    const qint64 step = 86390000LL / count;
    QByteArray body = "[";
    body.reserve(count * 100);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            body += ',';
        body += element(start + i * step, durationMs, firstId + i * 10);
    }
    return body + ']';
}

// Three records of the day between 1,000,000 empty elements, each of which reads as a record of 1970.
QByteArray paddedRecords(const QDate& day)
{
    const qint64 start = day.startOfDay().toMSecsSinceEpoch();
    QByteArray body = '[' + element(start + 3600000, 600000, 10);
    body.reserve(3100000);
    for (int i = 0; i < 500000; ++i)
        body += ",{}";
    body += ',' + element(start + 7200000, 600000, 20);
    for (int i = 0; i < 500000; ++i)
        body += ",{}";
    return body + ',' + element(start + 10800000, 600000, 30) + ']';
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        TestSupport::runPartsApart(argv[0], 3);
        return 0;
    }
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    const QDate yesterday = QDate::currentDate().addDays(-1);

    // The server answers on the peers' thread, so that its work does not count as the client's.
    FakeVideoServer server;
    if (!server.start())
        return 1;
    server.setPassword(kPassword);
    server.setCameras({{1, QStringLiteral("Cam 1")}});
    const QString serverId = QStringLiteral("127.0.0.1:%1").arg(server.port());

    // Only this process's reply is made.
    const int which = qBound(0, QByteArray(argv[1]).toInt(), 2);
    const char* const names[] = {"a day of 100,000 records", "95,000 records",
                                 "3 records among 1,000,000 empty elements"};
    const QByteArray body = which == 0   ? dayOfRecords(yesterday, 100000, 2000, 1000000)
                            : which == 1 ? dayOfRecords(yesterday, 95000, 60000, 1000000)
                                         : paddedRecords(yesterday);
    {
        server.failCommand(QStringLiteral("archive/list"), TestSupport::PeerReply::json(body));
        GUI::ControlPanel panel;
        panel.resize(1200, 100);
        panel.show();
        auto* timeline = panel.findChild<GUI::Timeline*>();
        panel.findChild<GUI::ArchivePanel*>()->setCurrentDate(yesterday);
        QApplication::processEvents();

        qInstallMessageHandler(countLines);
        g_lines = 0;
        g_replies = 0;
        const long before = peakKib(true);
        TestSupport::Heartbeat beat(10);
        QElapsedTimer clock;
        clock.start();
        Core::CameraPtr camera = TestSupport::localCamera(1, serverId);
        camera->setPassword(kPassword);
        panel.addCamera(camera);
        int drawsAtReply = -1;
        while (clock.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            if (g_replies > 0 && drawsAtReply < 0)
                drawsAtReply = timeline->layerDraws();
            if (drawsAtReply >= 0 && timeline->layerDraws() > drawsAtReply)
                break;
        }
        const double longestMs = beat.longestGapMs();
        const double elapsedMs = clock.nsecsElapsed() / 1e6;
        const long peak = peakKib(false);
        const int lines = g_lines;
        qInstallMessageHandler(nullptr);
        std::printf("%s (%.1f MB): longest gap %.1f ms, drawn after %.1f ms, peak +%.1f MiB, %d log lines%s\n",
                    names[which], body.size() / 1e6, longestMs, elapsedMs, (peak - before) / 1024.0, lines,
                    drawsAtReply < 0 ? " (never drawn)" : "");
        panel.removeAllCameras();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    return 0;
}
