// Nine local cameras, each with 1,440 one-minute records on the day before, added to a shown 1,200 px control
// panel that shows that day, without video: the longest stall of the GUI thread (a 10 ms heartbeat) from the first
// camera until all nine layers of bars are drawn and the nine days replies are handled. Against it, in the same
// run, nine bare streaming-server clients fetching the same replies at once with reply slots that do nothing: their
// stall is the JSON parsing the client does on the GUI thread. The fake server runs in a thread of its own.
#include "core/StreamerClient.h"
#include "gui/playback/controls/ControlPanel.h"
#include "gui/playback/widgets/ArchivePanel.h"
#include "gui/playback/widgets/Timeline.h"
#include "peer/FakeVideoServer.h"
#include "support/ObjectCensus.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <vector>

using namespace QuorvelClient;
using TestSupport::FakeVideoServer;

namespace {

const int kCameras = 9;
const int kRounds = 5;
const QString kPassword = QStringLiteral("bench");

std::atomic<int> g_recordsReplies{0};
std::atomic<int> g_daysReplies{0};

// Counts the replies the panel handled by its log lines and keeps the log quiet.
void countReplies(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (message.startsWith(QLatin1String("Records list received.")))
        ++g_recordsReplies;
    else if (message.startsWith(QLatin1String("Days list received for camera:")))
        ++g_daysReplies;
}

// The longest gap between ticks of a 10 ms timer on the GUI thread while `work` runs until `done`.
struct Heartbeat
{
    double longestMs = 0;
    double elapsedMs = 0;

    void run(const std::function<void()>& work, const std::function<bool()>& done)
    {
        QTimer beat;
        beat.setTimerType(Qt::PreciseTimer);
        beat.setInterval(10);
        QElapsedTimer clock;
        QElapsedTimer sinceTick;
        longestMs = 0;
        QObject::connect(&beat, &QTimer::timeout, [&] {
            longestMs = std::max(longestMs, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.start();
        });
        beat.start();
        clock.start();
        sinceTick.start();
        work();
        while (!done() && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        elapsedMs = clock.nsecsElapsed() / 1e6;
        longestMs = std::max(longestMs, sinceTick.nsecsElapsed() / 1e6);
    }
};

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
    const QDate yesterday = QDate::currentDate().addDays(-1);

    // The server answers on the peers' thread, so that its work does not count as the client's.
    FakeVideoServer server;
    if (!server.start())
        return 1;
    server.setPassword(kPassword);
    QList<TestSupport::FakeCamera> cameras;
    for (int c = 1; c <= kCameras; ++c) {
        cameras.append({c, QStringLiteral("Cam %1").arg(c)});
        QList<TestSupport::FakeRecord> records;
        for (int m = 0; m < 1440; ++m)
            records.append({m * 10, m * 10 + 9, yesterday.startOfDay().addSecs(m * 60).toMSecsSinceEpoch(), 60000, 1});
        server.setRecords(c, records);
    }
    server.setCameras(cameras);
    const QString serverId = QStringLiteral("127.0.0.1:%1").arg(server.port());
    const auto serverCounts = [&](int* requests, int* connections) {
        *requests = server.requests().size();
        *connections = server.connectionCount();
    };

    TestSupport::ObjectCensus census;
    GUI::ControlPanel panel;
    panel.resize(1200, 100);
    panel.show();
    auto* timeline = panel.findChild<GUI::Timeline*>();
    panel.findChild<GUI::ArchivePanel*>()->setCurrentDate(yesterday);
    QApplication::processEvents();
    qInstallMessageHandler(countReplies);

    std::vector<double> panelGaps, drawnAfter, bareGaps;
    int openingRequests = 0, openingConnections = 0, refreshRequests = 0;
    for (int round = 0; round < kRounds; ++round) {
        // The panel: nine cameras added one after another, as the playback window adds them.
        g_recordsReplies = 0;
        g_daysReplies = 0;
        int requestsBefore = 0, connectionsBefore = 0;
        serverCounts(&requestsBefore, &connectionsBefore);
        int drawsAtLastReply = -1;
        Heartbeat panelBeat;
        panelBeat.run(
            [&] {
                for (int c = 1; c <= kCameras; ++c) {
                    Core::CameraPtr camera = TestSupport::localCamera(c, serverId);
                    camera->setPassword(kPassword);
                    panel.addCamera(camera);
                }
            },
            [&] {
                if (g_recordsReplies < kCameras || g_daysReplies < kCameras)
                    return false;
                if (drawsAtLastReply < 0)
                    drawsAtLastReply = timeline->layerDraws();
                return timeline->layerDraws() > drawsAtLastReply;
            });
        panelGaps.push_back(panelBeat.longestMs);
        drawnAfter.push_back(panelBeat.elapsedMs);
        int requestsAfter = 0, connectionsAfter = 0;
        serverCounts(&requestsAfter, &connectionsAfter);
        openingRequests = requestsAfter - requestsBefore;
        openingConnections = connectionsAfter - connectionsBefore;

        // One refresh: every camera asks its records again.
        g_recordsReplies = 0;
        QMetaObject::invokeMethod(&panel, "updateTimeline");
        while (g_recordsReplies < kCameras)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        int requestsRefreshed = 0, unused = 0;
        serverCounts(&requestsRefreshed, &unused);
        refreshRequests = requestsRefreshed - requestsAfter;
        panel.removeAllCameras();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();

        // The peer limit: nine bare clients, the same replies, slots that do nothing.
        int answered = 0;
        Heartbeat bareBeat;
        bareBeat.run(
            [&] {
                for (int c = 1; c <= kCameras; ++c) {
                    auto* client = new Core::StreamerClient(QStringLiteral("127.0.0.1"), server.port());
                    QObject::connect(client, &Core::StreamerClient::responceReceived, [&answered, client] {
                        ++answered;
                        client->deleteLater();
                    });
                    client->request(QStringLiteral("archive/list"),
                                    {{"camera", c},
                                     {"server", serverId},
                                     {"sessionId", kPassword},
                                     {"startTime", yesterday.startOfDay().toSecsSinceEpoch()},
                                     {"endTime", QDateTime(yesterday, QTime(23, 59, 59)).toSecsSinceEpoch()}});
                }
            },
            [&] { return answered == kCameras; });
        bareGaps.push_back(bareBeat.longestMs);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    qInstallMessageHandler(nullptr);

    const double panelGap = median(panelGaps);
    const double bareGap = median(bareGaps);
    std::printf("panel: longest gap %.1f ms, all layers drawn after %.1f ms (medians of %d rounds)\n", panelGap,
                median(drawnAfter), kRounds);
    std::printf("bare clients: longest gap %.1f ms\n", bareGap);
    std::printf("requests on opening: %d over %d connections; requests per refresh: %d\n", openingRequests,
                openingConnections, refreshRequests);
    std::printf("StreamerClients alive at the end: %d\n", census.alive("QuorvelClient::Core::StreamerClient"));
    std::printf("ratio: %.2f\n", panelGap / bareGap);

    return 0;
}
