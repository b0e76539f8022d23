#define QTEST_QPA_MOUSE_HANDLING

#include "core/media/Vlc.h"
#include "gui/video/Overlay.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "peer/FlvStreamSource.h"
#include "support/Heartbeat.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"
#include "utils/Intervals.h"
#include "utils/Settings.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>

#include <functional>

#include <vlc/vlc.h>

using QuorvelClient::Core::CameraPtr;
using QuorvelClient::Core::QualitySettings;
using QuorvelClient::Core::Vlc;
using QuorvelClient::GUI::VideoContainer;
using QuorvelClient::GUI::VideoPlayer;
using QuorvelClient::GUI::VideoWidget;
using QuorvelClient::GUI::Internal::Overlay;

class tst_VideoContainer : public QObject
{
    Q_OBJECT
private slots:
    void layouts_data();
    void layouts();
    void limitAndDuplicates();
    void activationAndSinglePlayerLook();
    void closingThroughTheCloseControl();
    void removingCameras();
    void commandsReachThePlayingWidgets();
    void erringPlayersAreRetried();
    void stalledServerFreezesNothing();
};

namespace {

using TestSupport::localCamera;

// Shows the container at that size with cameras 1 to `count` of one local server.
void fill(VideoContainer& container, const QSize& size, int count, const QString& server = "127.0.0.1:9")
{
    container.resize(size);
    container.show();
    QVERIFY(QTest::qWaitForWindowExposed(&container));
    for (int i = 1; i <= count; ++i)
        QVERIFY(container.addCamera(localCamera(i, server)));
}

QList<QRect> geometries(const VideoContainer& container)
{
    QList<QRect> result;
    for (VideoPlayer* player : container.players())
        result.append(player->geometry());
    return result;
}

Overlay* overlayOf(VideoPlayer* player)
{
    return player->findChild<Overlay*>();
}

// The container's events in the order they came, as "active <camera>" and "closed <camera>".
void record(VideoContainer& container, QStringList* events)
{
    QObject::connect(&container, &VideoContainer::activeCameraChanged, &container,
                     [events](CameraPtr cam) { events->append("active " + cam->name()); });
    QObject::connect(&container, &VideoContainer::cameraClosed, &container,
                     [events](VideoWidget* widget) { events->append("closed " + widget->camera()->name()); });
}

} // namespace

void tst_VideoContainer::layouts_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QRect>>("cells");
    QTest::newRow("tile 5") << 0 << QSize(1000, 600)
                            << QList<QRect>{{0, 0, 333, 300},
                                            {333, 0, 333, 300},
                                            {666, 0, 333, 300},
                                            {0, 300, 333, 300},
                                            {333, 300, 333, 300}};
    QTest::newRow("perimeter 6") << 1 << QSize(900, 600)
                                 << QList<QRect>{{1, 1, 600, 400},     {0, 400, 300, 200}, {300, 400, 300, 200},
                                                 {600, 400, 300, 200}, {600, 0, 300, 200}, {600, 200, 300, 200}};
    // Past the ring the cells repeat and then leave the container.
    QTest::newRow("perimeter 8") << 1 << QSize(1000, 601)
                                 << QList<QRect>{{1, 1, 666, 400},     {0, 400, 333, 200},  {333, 400, 333, 200},
                                                 {666, 400, 333, 200}, {666, 0, 333, 200},  {666, 200, 333, 200},
                                                 {666, 400, 333, 200}, {666, 600, 333, 200}};
}

void tst_VideoContainer::layouts()
{
    QFETCH(int, mode);
    QFETCH(QSize, size);
    QFETCH(QList<QRect>, cells);
    VideoContainer container;
    container.setMode(VideoContainer::Mode(mode));
    fill(container, size, cells.size());
    QVERIFY(!container.findChild<QLabel*>("placeholder")->isVisible());
    QCOMPARE(geometries(container), cells);
    for (VideoPlayer* player : container.players())
        QVERIFY(player->isVisible() && player->videoWidget()->size() == player->size());

    // A change of mode through the property, and a resize, lay the grid out again.
    QVERIFY(container.setProperty("mode", 1 - mode));
    QVERIFY(geometries(container) != cells);
    container.resize(size * 2);
    container.setProperty("mode", mode);
    container.resize(size);
    QCOMPARE(geometries(container), cells);
}

void tst_VideoContainer::limitAndDuplicates()
{
    VideoContainer container;
    fill(container, QSize(1280, 720), 16);
    QCOMPARE(container.players().at(14)->geometry(), QRect(640, 540, 320, 180));
    // A 17th camera or player is refused.
    QCOMPARE(container.addCamera(localCamera(17)), nullptr);
    VideoPlayer stray(new VideoWidget(localCamera(18)));
    container.addWidget(&stray);
    QCOMPARE(stray.parentWidget(), nullptr);

    // A camera already shown gets no second player: its player blinks.
    QCOMPARE(container.addCamera(localCamera(5)), nullptr);
    QVERIFY(overlayOf(container.players().at(4))->isBlinking());
    QCOMPARE(container.players().size(), 16);

    // Cameras are found by server id and number together; once one has gone there is room again.
    QCOMPARE(container.findWidget(qMakePair(QString("127.0.0.1:8"), 7)), nullptr);
    container.removeCamera(qMakePair(QString("127.0.0.1:9"), 2));
    QVERIFY(container.addCamera(localCamera(17)));
    QCOMPARE(container.players().size(), 16);
}

void tst_VideoContainer::activationAndSinglePlayerLook()
{
    VideoContainer container;
    QStringList events;
    record(container, &events);
    fill(container, QSize(800, 600), 1);
    VideoWidget* first = container.activeWidget();
    VideoPlayer* firstPlayer = container.players().first();
    // One player: active, without a border, and a stopped archive shows no text.
    QCOMPARE(events, QStringList{"active Cam 1"});
    QVERIFY(!overlayOf(firstPlayer)->isShown() && overlayOf(firstPlayer)->isActive());
    container.setArchiveMode();
    QCOMPARE(first->statusText(), QString());

    // Two: borders on both, the first stays active, and neither has the single-player look.
    VideoWidget* second = container.addCamera(localCamera(2));
    VideoPlayer* secondPlayer = container.players().at(1);
    QVERIFY(overlayOf(firstPlayer)->isShown() && overlayOf(secondPlayer)->isShown());
    QVERIFY(!overlayOf(secondPlayer)->isActive());
    container.setArchiveMode();
    QCOMPARE(second->statusText(), QString("No archive"));
    first->play(); // polls the state without a stream
    QTRY_COMPARE(first->statusText(), QString("No archive"));

    // A click on the picture makes a player active, and a click on the active one reports it again.
    TestSupport::click(&container, QPoint(600, 300));
    QVERIFY(overlayOf(secondPlayer)->isActive() && !overlayOf(firstPlayer)->isActive());
    QTest::mouseClick(&container, Qt::LeftButton, Qt::NoModifier, QPoint(600, 300));
    QCOMPARE(events, QStringList({"active Cam 1", "active Cam 2", "active Cam 2"}));

    // Back to one: the survivor is active and has the single-player look again.
    container.removeCamera(second->camera()->globalId());
    QCOMPARE(events.mid(3), QStringList({"active Cam 1", "closed Cam 2"}));
    QVERIFY(!overlayOf(firstPlayer)->isShown());
    QTRY_COMPARE(first->statusText(), QString());
    QCOMPARE(geometries(container), QList<QRect>{QRect(0, 0, 800, 600)});
    first->stop();
}

void tst_VideoContainer::closingThroughTheCloseControl()
{
    VideoContainer container;
    fill(container, QSize(900, 300), 3);
    const QList<QPointer<VideoPlayer>> players(container.players().cbegin(), container.players().cend());
    QPointer<VideoWidget> third = players.at(2)->videoWidget();
    // Three players take three cells of a 2 x 2 grid: the third is at the bottom left.
    TestSupport::click(&container, QPoint(200, 225));
    QCOMPARE(container.activeWidget(), third.data());

    // While cameraClosed is delivered the widget and its player are alive and out of the list.
    QStringList events;
    record(container, &events);
    bool aliveDuringSignal = false;
    connect(&container, &VideoContainer::cameraClosed, this, [&](VideoWidget* widget) {
        aliveDuringSignal = widget == third && !players.at(2).isNull() &&
                            !container.players().contains(players.at(2)) &&
                            container.findWidget(widget->camera()->globalId()) == nullptr;
    });
    // The close control of the active (third) player sits at its top right corner.
    TestSupport::click(&container, QPoint(450 - 4 - 8, 150 + 12));
    QCOMPARE(events, QStringList({"active Cam 1", "closed Cam 3"}));
    QVERIFY(aliveDuringSignal);
    // It goes once the click has been handled, with its widget, and nothing of the grid points at it.
    QTRY_VERIFY(players.at(2).isNull() && third.isNull());
    QVERIFY(overlayOf(players.at(0))->isActive());
    QCOMPARE(geometries(container), QList<QRect>({QRect(0, 0, 450, 300), QRect(450, 0, 450, 300)}));

    // Closing an inactive player emits no activation.
    events.clear();
    TestSupport::click(&container, QPoint(900 - 4 - 8, 12));
    QCOMPARE(events, QStringList{"closed Cam 2"});
    QTRY_VERIFY(players.at(1).isNull());
}

void tst_VideoContainer::removingCameras()
{
    auto container = std::make_unique<VideoContainer>();
    fill(*container, QSize(800, 600), 4);
    QStringList events;
    record(*container, &events);
    const QList<QPointer<VideoPlayer>> players(container->players().cbegin(), container->players().cend());

    // All go, in list order; the first is active throughout until none is left, which emits no activation.
    // They are deleted only once control is back in the event loop.
    container->removeAllCameras();
    QCOMPARE(events, QStringList({"active Cam 2", "closed Cam 1", "active Cam 3", "closed Cam 2", "active Cam 4",
                                  "closed Cam 3", "closed Cam 4"}));
    QVERIFY(!players.first().isNull());
    QCOMPARE(container->activeWidget(), nullptr);
    QVERIFY(container->findChild<QLabel*>("placeholder")->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(players, QList<QPointer<VideoPlayer>>(4));

    // Closing the container closes its players the same way; players left at destruction go silently.
    container->addCamera(localCamera(5));
    container->addCamera(localCamera(6));
    events.clear();
    container->close();
    QCOMPARE(events, QStringList({"active Cam 6", "closed Cam 5", "closed Cam 6"}));
    QVERIFY(container->players().isEmpty());
    container->addCamera(localCamera(7));
    QPointer<VideoPlayer> last = container->players().first();
    events.clear();
    container.reset();
    QVERIFY(last.isNull() && events.isEmpty());
}

void tst_VideoContainer::commandsReachThePlayingWidgets()
{
    TestSupport::FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer));
    VideoContainer container;
    // Nothing to act on without an active player.
    QVERIFY(!container.saveCurrentFrame(TestSupport::workDir() + "/nothing.jpg"));
    QCOMPARE(container.currentTime(), container.baseTime());

    container.setVolume(180);
    container.setSound(true);
    fill(container, QSize(960, 240), 3, peer.hostAndPort());
    QList<VideoWidget*> widgets;
    for (VideoPlayer* player : container.players()) {
        widgets.append(player->videoWidget());
        widgets.last()->playLive(container.quality());
    }
    const auto allPlaying = [&] {
        return std::all_of(widgets.cbegin(), widgets.cend(),
                           [](VideoWidget* w) { return w->playerState() == VideoWidget::Playing; });
    };
    const auto audio = [&](int (*get)(libvlc_media_player_t*)) {
        QList<int> result;
        for (VideoWidget* widget : widgets)
            result.append(get(widget->mediaPlayer()));
        return result;
    };
    QTRY_VERIFY_WITH_TIMEOUT(allPlaying(), 20000);
    QVERIFY(container.isPlaying());
    // Only the active player sounds, at the volume the container had when they came (up to 200 %).
    QCOMPARE(audio(libvlc_audio_get_mute), QList<int>({0, 1, 1}));
    QCOMPARE(audio(libvlc_audio_get_volume), QList<int>(3, 180));

    // Another player made active (the third, bottom left of a 2 x 2 grid) takes the sound with it.
    TestSupport::click(&container, QPoint(240, 180));
    QCOMPARE(audio(libvlc_audio_get_mute), QList<int>({1, 1, 0}));
    container.setSound(false);
    QCOMPARE(audio(libvlc_audio_get_mute), QList<int>({1, 1, 1}));
    container.setSound(true);
    // Closing the sounding player hands the sound to the new active one; the closed one stops at once.
    QPointer<VideoWidget> closed = widgets.takeLast();
    container.removeCamera(closed->camera()->globalId());
    QCOMPARE(audio(libvlc_audio_get_mute), QList<int>({0, 1}));
    QVERIFY(closed && !closed->isPlaying());

    // A quality is passed on only when it changes.
    const int requests = peer.requestCount();
    container.setQuality(QualitySettings::High);
    container.setQuality(QualitySettings::Middle);
    QTRY_COMPARE_WITH_TIMEOUT(peer.requestCount(), requests + 2, 10000);
    QCOMPARE(peer.requests().last().query.queryItemValue("q"), QString("1"));
    QTRY_VERIFY_WITH_TIMEOUT(allPlaying(), 20000);
    QCOMPARE(peer.requestCount(), requests + 2);

    // Rotation acts on the active player only.
    container.rotateRight();
    container.rotateRight();
    Utils::Settings* settings = Utils::Settings::instance();
    QCOMPARE(settings->value("cameras/" + peer.hostAndPort() + "/1", 0).toDouble(), 180.0);
    QCOMPARE(settings->value("cameras/" + peer.hostAndPort() + "/2", 0).toDouble(), 0.0);

    // The clock is the earliest picture of the playing widgets, and stopping keeps it.
    widgets.at(1)->setCurrentTime(QDateTime::currentDateTime().addSecs(-300));
    const QDateTime earliest = widgets.at(1)->currentTime();
    QCOMPARE(container.currentTime(), earliest);
    container.stopPlayback(true);
    QVERIFY(!container.isPlaying());
    QCOMPARE(container.currentTime(), earliest);
    // Continuing repeats every widget's last request.
    const int beforeRepeat = peer.requestCount();
    container.continuePlayback();
    QTRY_COMPARE_WITH_TIMEOUT(peer.requestCount(), beforeRepeat + 2, 10000);
    container.removeAllCameras();
}

void tst_VideoContainer::erringPlayersAreRetried()
{
    TestSupport::FlvStreamSource good;
    TestSupport::FlvStreamSource bad;
    QVERIFY(TestSupport::serveClip(good) && TestSupport::serveClip(bad));
    bad.setAnswer(TestSupport::FlvStreamSource::Answer::NotFound);
    TestSupport::MessageCapture log;
    auto retries = [&log] { return log.messages().filter("Retry request for camera: \"Yard-Cam 1\"").size(); };
    VideoContainer container;
    fill(container, QSize(640, 240), 0);
    VideoWidget* failing = container.addCamera(localCamera(1, bad.hostAndPort()));
    VideoWidget* playing = container.addCamera(localCamera(2, good.hostAndPort()));
    failing->playLive(container.quality());
    playing->playLive(container.quality());
    // The check runs every 10 s from the first player on.
    auto* timer = container.findChild<QTimer*>("errorTimer");
    QVERIFY(timer->isActive() && !timer->isSingleShot());
    QCOMPARE(timer->interval(), 10000);

    // The widget gives up by itself after its own three retries; each check re-requests whatever is in error at
    // that moment, however often it failed before, and leaves the playing widget alone.
    QTRY_VERIFY_WITH_TIMEOUT(retries() == 3 && failing->playerState() == VideoWidget::Error, 9000);
    QTRY_COMPARE_WITH_TIMEOUT(playing->playerState(), VideoWidget::Playing, 9000);
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
    QTRY_VERIFY_WITH_TIMEOUT(retries() == 6 && failing->playerState() == VideoWidget::Error, 9000);
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
    QCOMPARE(retries(), 7);
    QCOMPARE(good.requestCount(), 1);

    container.removeAllCameras();
    QVERIFY(!timer->isActive());
}

// A server that stops sending in the middle of a stream's head keeps the engine waiting in a lock that other
// players need to start and to stop: a camera opened after it stays opening, and stopping any decoding player
// waits. Closing them must not hold up the window.
void tst_VideoContainer::stalledServerFreezesNothing()
{
    // The stalled stream is not given up while this test runs.
    Utils::setIntervalForTesting(Utils::Interval::StalledStream, 600000);
    const auto restore = qScopeGuard([] { Utils::setIntervalForTesting(Utils::Interval::StalledStream, 0); });
    TestSupport::FlvStreamSource healthy;
    TestSupport::FlvStreamSource stalled;
    QVERIFY(TestSupport::serveClip(healthy) && TestSupport::serveClip(stalled));
    // Should the window wait for the stalled server after all, the server gives up by itself in a while.
    stalled.setStallAfter(40000, 10000);
    // The players of the tests before are released by now.
    QTRY_COMPARE_WITH_TIMEOUT(Vlc::playerCount(), 0, 10000);
    VideoContainer container;
    fill(container, QSize(640, 480), 0);
    VideoWidget* playing = container.addCamera(localCamera(1, healthy.hostAndPort()));
    playing->playLive(container.quality());
    QTRY_COMPARE_WITH_TIMEOUT(playing->playerState(), VideoWidget::Playing, 20000);
    VideoWidget* stuck = container.addCamera(localCamera(2, stalled.hostAndPort()));
    stuck->playLive(container.quality());
    QTRY_COMPARE_WITH_TIMEOUT(stalled.stalledStreams(), 1, 10000);
    VideoWidget* opening = container.addCamera(localCamera(3, healthy.hostAndPort()));
    opening->playLive(container.quality());
    QTRY_COMPARE_WITH_TIMEOUT(healthy.requestCount(), 2, 10000);
    // It would play within this time, were the engine free.
    QTest::qWait(1500);
    QCOMPARE(opening->playerState(), VideoWidget::Opening);
    QCOMPARE(stuck->playerState(), VideoWidget::Opening);
    QCOMPARE(Vlc::playerCount(), 3);
    // Asked again, the opening camera's new request waits behind its stop, which the stalled server holds up;
    // meanwhile it counts as opening, as its start will leave it.
    opening->playLive(container.quality());
    QVERIFY(opening->isPlaying());
    QTest::qWait(400);
    QCOMPARE(opening->playerState(), VideoWidget::Opening);

    // The window is kept from running no longer than 100 ms by a close and the deletions that follow it.
    const auto closing = [](const std::function<void()>& close) {
        const int interval = 5;
        TestSupport::Heartbeat beat(interval);
        close();
        QTest::qWait(50);
        return beat.longestGapMs() - interval;
    };
    const double closingPlaying = closing([&] { container.removeCamera(playing->camera()->globalId()); });
    QVERIFY2(closingPlaying <= 100, qPrintable(QString::number(closingPlaying)));
    QTRY_COMPARE_WITH_TIMEOUT(Vlc::playerCount(), 2, 10000);
    // The opening camera's player waits for the stalled server to be stopped and released, and goes once it
    // closes.
    const double closingOpening = closing([&] { container.removeCamera(opening->camera()->globalId()); });
    QVERIFY2(closingOpening <= 100, qPrintable(QString::number(closingOpening)));
    QTest::qWait(250);
    QCOMPARE(Vlc::playerCount(), 2);
    stalled.cutStreams();
    QTRY_COMPARE_WITH_TIMEOUT(Vlc::playerCount(), 1, 10000);
    const double closingAll = closing([&] { container.removeAllCameras(); });
    QVERIFY2(closingAll <= 100, qPrintable(QString::number(closingAll)));
    QTRY_COMPARE_WITH_TIMEOUT(Vlc::playerCount(), 0, 10000);
}

QUORVEL_TEST_MAIN(tst_VideoContainer)
#include "tst_VideoContainer.moc"
