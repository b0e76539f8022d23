#include "core/Camera.h"
#include "core/SessionManager.h"
#include "gui/playback/PaintedTexts.h"
#include "gui/video/VideoWidget.h"
#include "peer/FakeHttpServer.h"
#include "peer/FlvStreamSource.h"
#include "support/MessageCapture.h"
#include "support/RussianTranslator.h"
#include "support/TestClips.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"
#include "utils/Intervals.h"
#include "utils/Settings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTimer>

#include <vlc/vlc.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using QuorvelClient::Core::Camera;
using QuorvelClient::Core::CameraPtr;
using QuorvelClient::Core::QualitySettings;
using QuorvelClient::GUI::VideoWidget;

class tst_VideoWidget : public QObject
{
    Q_OBJECT
private slots:
    void playsLiveStream_data();
    void playsLiveStream();
    void reconnectsCutLiveStream();
    void accountCameraStreamsFromStreamer();
    void failedStreamEndsInError_data();
    void failedStreamEndsInError();
    void switchWhileReconnectingKeepsRetrying_data();
    void switchWhileReconnectingKeepsRetrying();
    void stalledOpeningIsGivenUp();
    void playsArchiveUntilEndTime();
    void offlineCameraIsNotAsked();
    void rotationIsKeptPerCamera();
    void nameAndTimeNeverOverlap_data();
    void nameAndTimeNeverOverlap();
    void veryLongNameIsCut();
};

namespace {

const QString kPassword = QStringLiteral("pa ss:wörd");
// In the H.264 clip: the FLV header, the metadata tag and the codec header tag, before any sound or picture.
const qint64 kUpToCodecHeader = 340;

CameraPtr localCamera(const QString& serverId, const QSize& resolution = QSize(320, 240),
                      Camera::CameraFlags flags = Camera::CameraFlags())
{
    CameraPtr camera = TestSupport::localCamera(3, serverId, resolution, flags);
    camera->setPassword(kPassword);
    return camera;
}

// The colours of every third pixel inside the rectangle of a grab; a black or blank picture has one or two.
QSet<QRgb> colours(const QImage& image, const QRect& rect)
{
    QSet<QRgb> found;
    for (int y = rect.top(); y <= rect.bottom(); y += 3) {
        for (int x = rect.left(); x <= rect.right(); x += 3)
            found.insert(image.pixel(x, y));
    }
    return found;
}

bool isBlack(const QImage& image, const QRect& rect)
{
    const QSet<QRgb> found = colours(image, rect);
    return std::all_of(found.cbegin(), found.cend(), [](QRgb colour) { return qGray(colour) <= 8; });
}

QList<int> retryCounts(const TestSupport::MessageCapture& log, int camera = 3)
{
    QList<int> counts;
    for (const QString& message :
         log.messages().filter(QString("Retry request for camera: \"Yard-Cam %1\" ").arg(camera)))
        counts.append(message.section(' ', -1).toInt());
    return counts;
}

// Sends what the process writes to stderr into a file until restore(), which gives back what was written.
struct StderrToFile
{
    const QByteArray path = (TestSupport::workDir() + "/stderr.txt").toLocal8Bit();
    int saved = ::dup(2);

    StderrToFile()
    {
        std::fflush(stderr);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~StderrToFile() { restore(); }
    QByteArray restore()
    {
        std::fflush(stderr);
        if (saved >= 0) {
            ::dup2(saved, 2);
            ::close(saved);
            saved = -1;
        }
        QFile file(QString::fromLocal8Bit(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

} // namespace

void tst_VideoWidget::playsLiveStream_data()
{
    QTest::addColumn<int>("clip");
    QTest::newRow("h264") << int(TestSupport::Clip::H264);
    QTest::newRow("flv1") << int(TestSupport::Clip::Sorenson);
}

void tst_VideoWidget::playsLiveStream()
{
    QFETCH(int, clip);
    TestSupport::FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, TestSupport::Clip(clip)));

    TestSupport::MessageCapture log;
    StderrToFile errors;
    VideoWidget widget(localCamera(peer.hostAndPort()));
    widget.resize(400, 400);
    widget.show();
    widget.playLive(QualitySettings::High);
    QTRY_COMPARE_WITH_TIMEOUT(widget.playerState(), VideoWidget::Playing, 20000);
    // A widget outside a container stays muted.
    QCOMPARE(libvlc_audio_get_mute(widget.mediaPlayer()), 1);

    QCOMPARE(peer.requestCount("/flv/live"), 1);
    QCOMPARE(peer.requests().first().target, QByteArray("/flv/live?server=1&camera=3&sessionId=pa%20ss%3Aw%C3%B6rd&q=2"
                                                        "&vcodec=flv&vcodec=h264&vcodec=mpeg4&acodec=mp3"));
    // The password travels only in the request; the log shows it masked.
    QCOMPARE(
        log.count("Play path: \"http://" + peer.hostAndPort() + "/flv/live?server=1&camera=3&sessionId=********&q=2"),
        1);
    QVERIFY(!log.contains("pa%20ss"));
    QCOMPARE(widget.statusText(), QString());

    // The clip's picture fills the picture rectangle; the bands above and below it stay black.
    QTRY_VERIFY_WITH_TIMEOUT(colours(widget.grab().toImage(), widget.pictureRect()).size() > 20, 10000);
    const QImage shot = widget.grab().toImage();
    QVERIFY(isBlack(shot, QRect(150, 30, 100, 15)) && isBlack(shot, QRect(0, 355, 400, 45)));
    QVERIFY(qAbs(widget.currentTime().secsTo(QDateTime::currentDateTime())) < 30);

    // A still image is JPEG whatever the name says.
    const QString still = TestSupport::workDir() + "/still.png";
    widget.saveFrame(still);
    const QImage saved(still, "jpg");
    QCOMPARE(saved.size(), QSize(320, 240));
    QVERIFY(colours(saved, saved.rect()).size() > 20);

    // libvlc's complaints about hardware decoders and sound devices stay out of stderr.
    QCOMPARE(QString::fromLocal8Bit(errors.restore()), QString());
}

void tst_VideoWidget::reconnectsCutLiveStream()
{
    TestSupport::FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer));
    TestSupport::MessageCapture log;
    VideoWidget widget(localCamera(peer.hostAndPort()));
    widget.resize(320, 240);
    widget.show();
    widget.playLive(QualitySettings::High);
    QTRY_COMPARE_WITH_TIMEOUT(widget.playerState(), VideoWidget::Playing, 20000);

    // The end of the stream shows as state 0 while the re-issue waits its 500 ms.
    QElapsedTimer sinceEnd;
    connect(&widget, &VideoWidget::playerStateChanged, this, [&](VideoWidget::PlayerState state) {
        if (state == VideoWidget::NothingSpecial)
            sinceEnd.start();
    });
    // The peer reports its requests from its own thread: they reach this one queued, after the state.
    qint64 delay = -1;
    connect(&peer, &TestSupport::FlvStreamSource::requestReceived, &widget, [&] { delay = sinceEnd.elapsed(); });
    for (int round = 1; round <= 2; ++round) {
        delay = -1;
        peer.cutStreams();
        QTRY_VERIFY_WITH_TIMEOUT(delay >= 0, 15000);
        QCOMPARE(peer.requestCount(), round + 1);
        QVERIFY2(delay >= 400 && delay <= 1200, qPrintable(QString::number(delay)));
        QTRY_COMPARE_WITH_TIMEOUT(widget.playerState(), VideoWidget::Playing, 20000);
        // Playing again resets the count, so every cut starts at 1, and each end is re-issued once.
        QCOMPARE(retryCounts(log), QList<int>(round, 1));
        QTest::qWait(700);
        QCOMPARE(peer.requestCount(), round + 1);
    }

    // A stream that ends before it plays is re-issued exactly three times, then left disconnected. Each one
    // sends the FLV header, the metadata and the codec header, no picture, and closes.
    int requestsWhenPlaying = peer.requestCount();
    connect(&widget, &VideoWidget::playerStateChanged, this, [&](VideoWidget::PlayerState state) {
        if (state == VideoWidget::Playing)
            requestsWhenPlaying = peer.requestCount();
    });
    peer.cutStreams();
    peer.setStallAfter(kUpToCodecHeader, 5);
    QTRY_COMPARE_WITH_TIMEOUT(widget.statusText(), QString("Videoserver disconnected"), 20000);
    QCOMPARE(widget.playerState(), VideoWidget::Ended);
    QCOMPARE(peer.requestCount(), requestsWhenPlaying + 3);
    QTest::qWait(1500);
    QCOMPARE(peer.requestCount(), requestsWhenPlaying + 3);
}

void tst_VideoWidget::accountCameraStreamsFromStreamer()
{
    TestSupport::FakeHttpServer streamer;
    QVERIFY(streamer.start());
    TestSupport::FlvStreamSource source;
    QVERIFY(source.setLiveClip(TestSupport::clipPath(TestSupport::Clip::H264)));
    source.attachTo(&streamer, "/v3");
    Utils::Settings::instance()->setValue("streamer/host", QString("127.0.0.1:%1").arg(streamer.port()));
    Utils::Settings::instance()->setValue("streamer/version", "v3");
    QuorvelClient::Core::SessionManager::create(QString(), QString());

    auto camera = std::make_shared<Camera>(3, "Hall", "srv-17", 5, "Office", true, true, true, QSize(640, 480), "h264",
                                           Camera::CameraFlags(), QString());
    camera->setServerType(0);
    VideoWidget widget(camera);
    widget.resize(320, 240);
    widget.show();
    // Middle quality of a 640x480 camera is 320x240.
    widget.playLive(QualitySettings::Middle);
    QCOMPARE(widget.sizeHint(), QSize(320, 240));
    QTRY_COMPARE_WITH_TIMEOUT(widget.playerState(), VideoWidget::Playing, 20000);
    QCOMPARE(streamer.requests().size(), 1);
    QCOMPARE(streamer.requests().first().target,
             QByteArray("/v3/flv/live?server=srv-17&camera=3&sessionId=localview&q=1"
                        "&vcodec=flv&vcodec=h264&vcodec=mpeg4&acodec=mp3"));

    // Live resumes at the present moment: a new request, not the paused picture.
    widget.pause();
    QTRY_COMPARE_WITH_TIMEOUT(widget.playerState(), VideoWidget::Paused, 10000);
    QTest::qWait(1500);
    const QDateTime resumed = QDateTime::currentDateTime();
    widget.unPause();
    QTRY_COMPARE_WITH_TIMEOUT(streamer.requests().size(), 2, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(widget.playerState(), VideoWidget::Playing, 20000);
    // ...and its clock reads the present again, not the time the pause began: it starts again with the stream
    // and runs no faster than the wall clock, however long the engine took to start.
    QTest::qWait(400);
    const QDateTime clock = widget.currentTime();
    QVERIFY2(clock >= resumed && clock <= QDateTime::currentDateTime().addMSecs(200),
             qPrintable(clock.toString("hh:mm:ss.zzz") + " resumed " + resumed.toString("hh:mm:ss.zzz")));

    // A stream that stalls keeps its state, and stopping it does not wait for the peer.
    source.stallStreams();
    QTest::qWait(1500);
    QElapsedTimer stopping;
    stopping.start();
    widget.stop(true);
    QVERIFY2(stopping.elapsed() < 2000, qPrintable(QString::number(stopping.elapsed())));
    QTRY_COMPARE_WITH_TIMEOUT(widget.playerState(), VideoWidget::Stopped, 5000);
    QCOMPARE(widget.statusText(), QString("Stopped"));
}

void tst_VideoWidget::failedStreamEndsInError_data()
{
    QTest::addColumn<QString>("failure");
    // An HTTP error and a body that is no FLV stream fail in different layers of libvlc (access, demuxer).
    QTest::newRow("404") << "404";
    QTest::newRow("not flv") << "garbage";
    QTest::newRow("closed at once") << "close";
}

void tst_VideoWidget::failedStreamEndsInError()
{
    QFETCH(QString, failure);
    TestSupport::FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer));
    peer.setAnswer(failure == "404"       ? TestSupport::FlvStreamSource::Answer::NotFound
                   : failure == "garbage" ? TestSupport::FlvStreamSource::Answer::Garbage
                                          : TestSupport::FlvStreamSource::Answer::Close);

    TestSupport::MessageCapture log;
    VideoWidget widget(localCamera(peer.hostAndPort()));
    widget.resize(320, 240);
    widget.show();
    widget.playLive(QualitySettings::High);
    QTRY_VERIFY_WITH_TIMEOUT(widget.playerState() == VideoWidget::Error && retryCounts(log).size() == 3 &&
                                 widget.statusText() == "Error",
                             20000);
    QCOMPARE(retryCounts(log), QList<int>({1, 2, 3}));
    // libvlc's own complaints name the stream address; the password in it stays masked.
    QVERIFY(!log.contains("pa%20ss") && !log.contains(kPassword));
    // One request per try: the first and its three re-issues.
    QCOMPARE(peer.requestCount("/flv/live"), 4);
    // Nothing more is scheduled by the widget itself.
    const int requests = peer.requestCount();
    QTest::qWait(1500);
    QCOMPARE(widget.playerState(), VideoWidget::Error);
    QCOMPARE(retryCounts(log).size(), 3);
    QCOMPARE(peer.requestCount(), requests);

    // A new cycle (the container's periodic check) starts again at 1 and plays once the peer serves.
    peer.setAnswer(TestSupport::FlvStreamSource::Answer::Stream);
    widget.retryLastRequest(-1);
    QTRY_COMPARE_WITH_TIMEOUT(widget.playerState(), VideoWidget::Playing, 20000);
    QCOMPARE(retryCounts(log), QList<int>({1, 2, 3, 1}));
}

void tst_VideoWidget::switchWhileReconnectingKeepsRetrying_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("failsAtOnce");
    QTest::newRow("stopped") << "stop" << false;
    QTest::newRow("camera unavailable") << "unavailable" << false;
    QTest::newRow("timeline clicked") << "archive" << false;
    QTest::newRow("live clicked") << "live" << true;
}

// A live stream that ended is asked again 500 ms later; a player stopped or switched meanwhile drops that re-issue.
// Its next live stream that ends before it plays, or fails, is still asked again three times, one request each, and
// then shown as lost; a failed one is taken up again by the container's check.
void tst_VideoWidget::switchWhileReconnectingKeepsRetrying()
{
    QFETCH(QString, change);
    QFETCH(bool, failsAtOnce);
    TestSupport::FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer));
    TestSupport::MessageCapture log;
    CameraPtr camera = localCamera(peer.hostAndPort());
    VideoWidget widget(camera);
    widget.resize(320, 240);
    widget.show();
    widget.playLive(QualitySettings::High);
    QTRY_COMPARE_WITH_TIMEOUT(widget.playerState(), VideoWidget::Playing, 20000);

    peer.cutStreams();
    QTRY_VERIFY_WITH_TIMEOUT(widget.streamPlayer()->isRetryPending(), 20000);
    if (change == "unavailable") {
        camera->setFlags(Camera::Offline);
        widget.playLive(QualitySettings::High);
        camera->setFlags(Camera::CameraFlags());
    } else if (change != "live") {
        widget.stop();
        if (change == "archive")
            widget.setArchiveMode();
    }
    if (failsAtOnce)
        peer.setAnswer(TestSupport::FlvStreamSource::Answer::Close);
    else
        peer.setStallAfter(kUpToCodecHeader, 5);
    if (change != "live") {
        QTest::qWait(700);
        QCOMPARE(peer.requestCount(), 1);
        QVERIFY(!widget.streamPlayer()->isRetryPending());
    }

    widget.playLive(QualitySettings::High);
    const VideoWidget::PlayerState lost = failsAtOnce ? VideoWidget::Error : VideoWidget::Ended;
    QTRY_VERIFY2_WITH_TIMEOUT(
        widget.playerState() == lost && peer.requestCount() == 5,
        qPrintable(QString("state %1, %2 requests, retries %3 %4")
                       .arg(widget.playerState())
                       .arg(peer.requestCount())
                       .arg(log.messages().filter(QRegularExpression("Retry request|stalled")).join("; "))
                       .arg(widget.streamPlayer()->isRetryPending() ? "pending" : "")),
        20000);
    // An error polled again before its re-issue runs shows too: what stays once nothing more is asked counts.
    QTest::qWait(1000);
    QCOMPARE(widget.playerState(), lost);
    QCOMPARE(widget.statusText(), failsAtOnce ? QString("Error") : QString("Videoserver disconnected"));
    QCOMPARE(retryCounts(log), QList<int>({1, 2, 3}));
    QCOMPARE(peer.requestCount("/flv/live"), 5);
    if (failsAtOnce) {
        peer.setAnswer(TestSupport::FlvStreamSource::Answer::Stream);
        widget.retryLastRequest(-1);
        QTRY_COMPARE_WITH_TIMEOUT(widget.playerState(), VideoWidget::Playing, 20000);
        QCOMPARE(retryCounts(log), QList<int>({1, 2, 3, 1}));
    }
}

// While a stream's start is read, the engine holds a lock that every other player needs to start: a stream that
// stalls there is given up once it has brought nothing for a while, and fails as a stream that cannot be opened.
// One that brings bytes, however few, is only slow and keeps opening.
void tst_VideoWidget::stalledOpeningIsGivenUp()
{
    const int bound = 1500;
    Utils::setIntervalForTesting(Utils::Interval::StalledStream, bound);
    const auto restore = qScopeGuard([] { Utils::setIntervalForTesting(Utils::Interval::StalledStream, 0); });
    TestSupport::FlvStreamSource stalled;
    TestSupport::FlvStreamSource healthy;
    TestSupport::FlvStreamSource trickling;
    QVERIFY(TestSupport::serveClip(stalled) && TestSupport::serveClip(healthy) && TestSupport::serveClip(trickling));
    // Far longer than the test: only the player ends the stall.
    stalled.setStallAfter(40000, 120000);
    // Half of what the stalled stream sends, then some 100 bytes a second.
    trickling.setTrickleAfter(20000, 1);

    TestSupport::MessageCapture log;
    VideoWidget stuck(TestSupport::localCamera(1, stalled.hostAndPort(), QSize(320, 240)));
    stuck.playLive(QualitySettings::High);
    QTRY_COMPARE_WITH_TIMEOUT(stalled.stalledStreams(), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(stuck.playerState(), VideoWidget::Opening, 5000);

    // A camera opened after it plays within the bound and a few seconds more.
    VideoWidget second(TestSupport::localCamera(2, healthy.hostAndPort(), QSize(320, 240)));
    second.playLive(QualitySettings::High);
    QTRY_COMPARE_WITH_TIMEOUT(second.playerState(), VideoWidget::Playing, bound + 6000);

    // The stalled camera is re-issued three times, each stalling and given up in turn, and then shows "Error".
    QTRY_VERIFY_WITH_TIMEOUT(stuck.playerState() == VideoWidget::Error && stuck.statusText() == "Error", 30000);
    QCOMPARE(retryCounts(log, 1), QList<int>({1, 2, 3}));
    QCOMPARE(stalled.requestCount(), 4);
    QCOMPARE(log.count("Stream stalled while opening, given up: \"Yard-Cam 1\""), 4);
    QCOMPARE(second.playerState(), VideoWidget::Playing);
    QCOMPARE(healthy.requestCount(), 1);
    QTest::qWait(1000);
    QCOMPARE(stalled.requestCount(), 4);

    // A trickling stream opens for three bounds and more, and is neither given up nor asked for again.
    VideoWidget slow(TestSupport::localCamera(3, trickling.hostAndPort(), QSize(320, 240)));
    slow.playLive(QualitySettings::High);
    QTRY_COMPARE_WITH_TIMEOUT(trickling.openStreams(), 1, 10000);
    QTest::qWait(3 * bound);
    QCOMPARE(slow.playerState(), VideoWidget::Opening);
    QCOMPARE(trickling.requestCount(), 1);
    QCOMPARE(log.count("given up: \"Yard-Cam 3\""), 0);
}

void tst_VideoWidget::playsArchiveUntilEndTime()
{
    TestSupport::FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, TestSupport::Clip::H264, true));
    peer.setArchiveLoops(3);
    TestSupport::MessageCapture log;
    VideoWidget widget(localCamera(peer.hostAndPort()));
    widget.resize(320, 240);
    widget.show();

    // Factor 8: the 16 s interval is over after about 2 s of the 12 s stream; an unscaled clock never gets there.
    const qint64 from = QDateTime(QDate(2026, 3, 1), QTime(10, 0, 0)).toSecsSinceEpoch();
    // Every poll's clock (ms into the interval) and libvlc state, in the order they came.
    QList<QPair<qint64, int>> polls;
    QuorvelClient::Core::StreamPlayer* player = widget.streamPlayer();
    connect(player, &QuorvelClient::Core::StreamPlayer::polled, &widget, [&] {
        polls.append({QDateTime::fromSecsSinceEpoch(from).msecsTo(widget.currentTime()), player->polledState()});
    });
    widget.playArchive(41, 42, from, from + 16, QualitySettings::High, QuorvelClient::Core::SpeedX8);
    QTRY_COMPARE_WITH_TIMEOUT(peer.requestCount(), 1, 10000);
    QCOMPARE(peer.requests().first().target,
             QByteArray("/flv/archive?server=1&camera=3&sessionId=pa%20ss%3Aw%C3%B6rd&startId=41&endId=42&startTime=") +
                 QByteArray::number(from) + "&q=2&vcodec=flv&vcodec=h264&acodec=mp3&speed=8&vcodec=mpeg4");
    QTRY_COMPARE_WITH_TIMEOUT(widget.playerState(), VideoWidget::Playing, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(widget.playerState(), VideoWidget::Stopped, 20000);
    QCOMPARE(log.count("STOP (END TIME REACHED): currentTime ="), 1);
    // The stop comes with the first poll whose clock is more than 1 s past the end, however late the polls come,
    // and the clock stays there.
    const auto stop = std::find_if(polls.cbegin(), polls.cend(),
                                   [](const QPair<qint64, int>& poll) { return poll.second == VideoWidget::Stopped; });
    QVERIFY(stop != polls.cbegin() && stop != polls.cend());
    const qint64 reached = stop->first;
    QVERIFY2(reached > 17000 &&
                 std::all_of(polls.cbegin(), stop, [](const QPair<qint64, int>& poll) { return poll.first <= 17000; }),
             qPrintable(QString::number(reached)));
    QCOMPARE(QDateTime::fromSecsSinceEpoch(from).msecsTo(widget.currentTime()), reached);
    QCOMPARE(widget.statusText(), QString("No archive"));

    // The mode stayed archive: a retry resumes where the picture stood.
    widget.setCurrentTime(QDateTime::fromSecsSinceEpoch(from + 5));
    widget.retryLastRequest();
    QTRY_COMPARE_WITH_TIMEOUT(peer.requestCount(), 2, 10000);
    const QUrlQuery query = peer.requests().last().query;
    QCOMPARE(query.queryItemValue("startTime"), QString::number(from + 5));
    QCOMPARE(query.queryItemValue("startId"), QString("41"));
    QCOMPARE(query.queryItemValue("speed"), QString("8"));
    widget.stop();
}

void tst_VideoWidget::offlineCameraIsNotAsked()
{
    TestSupport::FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer));
    VideoWidget offline(localCamera(peer.hostAndPort(), QSize(320, 240), Camera::Offline));
    QSignalSpy states(&offline, &VideoWidget::playerStateChanged);
    offline.playLive(QualitySettings::High);
    QCOMPARE(offline.playerState(), VideoWidget::CameraUnavailable);
    QCOMPARE(offline.statusText(), QString("Camera is offline"));
    QTest::qWait(700);
    QCOMPARE(states.count(), 0);
    QCOMPARE(peer.requestCount(), 0);
    TestSupport::RussianTranslator russian;
    offline.playLive(QualitySettings::High);
    QCOMPARE(offline.statusText(), QString::fromUtf8("Камера не в сети"));
}

void tst_VideoWidget::rotationIsKeptPerCamera()
{
    CameraPtr camera = localCamera("127.0.0.1:7");
    QList<double> stored;
    {
        VideoWidget widget(camera);
        for (double step : {90, 90, 90, 90, 90, 0}) {
            widget.addRotation(step);
            stored << Utils::Settings::instance()->value("cameras/127.0.0.1:7/3").toDouble();
        }
    }
    QCOMPARE(stored, QList<double>({90, 180, 270, 360, 90, 90}));
    // A new widget of the same camera starts turned, the picture upright in the cell; another camera is not turned.
    VideoWidget widget(camera);
    VideoWidget other(TestSupport::localCamera(4, "127.0.0.1:7"));
    for (VideoWidget* shown : {&widget, &other}) {
        shown->resize(400, 400);
        shown->show();
    }
    QCOMPARE(widget.pictureRect(), QRect(QPoint(50, 0), QPoint(349, 399)));
    QCOMPARE(other.pictureRect(), QRect(QPoint(0, 50), QPoint(399, 349)));
}

void tst_VideoWidget::nameAndTimeNeverOverlap_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("short") << "L01";
    QTest::newRow("long") << "Entrance north, parking level 2";
    QTest::newRow("wide letters") << "WWWWWWWWWWWWWWWWWW";
    QTest::newRow("one letter") << QString::fromUtf8("Ж");
}

void tst_VideoWidget::nameAndTimeNeverOverlap()
{
    QFETCH(QString, name);
    const QString time = "07.12.26 05:25:49";
    CameraPtr camera = localCamera("127.0.0.1:7", QSize(320, 240), Camera::Offline);
    camera->setName(name);
    VideoWidget widget(camera);
    widget.show();
    widget.playLive(QualitySettings::High);
    widget.setCurrentTime(QDateTime(QDate(2026, 12, 7), QTime(5, 25, 49)));
    QString shownBefore;
    QStringList seen;
    for (int width : {100, 110, 130, 150, 160, 180, 200, 250, 300, 400}) {
        widget.resize(width, 100);
        QRectF timeBox, nameBox;
        QString shown;
        for (const TestSupport::PaintedText& run : TestSupport::paintedTextRuns(&widget)) {
            if (run.text == time) {
                timeBox = run.box;
                // The time keeps its size while its room takes it.
                QCOMPARE(run.pointSize == 10, width >= 160);
            } else if (run.text != widget.statusText()) {
                shown = run.text;
                nameBox = run.box;
            }
        }
        const QString at = QString("at %1 px: %2").arg(width).arg(shown);
        // The time whole, clear of the close control; the name whole, or cut with "…" after a letter at least.
        QVERIFY2(timeBox.left() >= 10 && timeBox.right() <= width - 25, qPrintable(at));
        QVERIFY2(shown.isEmpty() || shown == name ||
                     (shown.endsWith(QChar(0x2026)) && shown.size() >= 2 && name.startsWith(shown.chopped(1))),
                 qPrintable(at));
        QVERIFY2(shown.isEmpty() || nameBox.right() + 4 <= timeBox.left(), qPrintable(at));
        // A wider cell never shows less of the name.
        QVERIFY2(shown.size() >= shownBefore.size() || shown == name, qPrintable(at));
        shownBefore = shown;
        seen << shown;
    }
    QCOMPARE(seen.last(), name);
    if (name.size() > 20)
        QVERIFY2(seen.contains(QString()) && seen.filter(QChar(0x2026)).size() > 1, qPrintable(seen.join('|')));
}

// A name of a million letters is drawn cut to a few hundred, also in a cell wide enough for more.
void tst_VideoWidget::veryLongNameIsCut()
{
    CameraPtr camera = localCamera("127.0.0.1:7", QSize(320, 240), Camera::Offline);
    camera->setName(QString(1000000, 'i'));
    VideoWidget widget(camera);
    widget.resize(4000, 100);
    widget.show();
    QVERIFY2(TestSupport::paintedTexts(&widget).contains(QString(199, 'i') + QChar(0x2026)),
             qPrintable(TestSupport::paintedTexts(&widget).join('|').left(1000)));
    QCOMPARE(camera->name().size(), 1000000);
}

QUORVEL_TEST_MAIN(tst_VideoWidget)
#include "tst_VideoWidget.moc"
