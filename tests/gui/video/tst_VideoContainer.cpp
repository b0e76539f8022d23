#define QTEST_QPA_MOUSE_HANDLING

#include "core/Camera.h"
#include "gui/video/Overlay.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "peer/FlvStreamSource.h"
#include "support/MessageCapture.h"
#include "support/TestClips.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"
#include "utils/Settings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>

#include <vlc/vlc.h>

using QuorvelClient::Core::CameraPtr;
using QuorvelClient::Core::QualitySettings;
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
    void singlePlayerLook();
    void closingThroughTheCloseControl();
    void removingCameras();
    void commandsReachThePlayingWidgets();
    void erringPlayersAreRetriedEvery10s();
};

namespace {

using TestSupport::localCamera;

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

// The events of a container in the order they came, as "active <camera>" and "closed <camera>".
QStringList* record(VideoContainer& container, QStringList* events)
{
    QObject::connect(&container, &VideoContainer::activeCameraChanged, &container,
                     [events](CameraPtr cam) { events->append("active " + cam->name()); });
    QObject::connect(&container, &VideoContainer::cameraClosed, &container, [events](VideoWidget* widget) {
        events->append("closed " + (widget ? widget->camera()->name() : QString("null")));
    });
    return events;
}

} // namespace

void tst_VideoContainer::layouts_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<QRect>>("cells");

    QTest::newRow("tile 5") << 0 << QSize(1000, 600) << 5
                            << QList<QRect>{{0, 0, 333, 300},
                                            {333, 0, 333, 300},
                                            {666, 0, 333, 300},
                                            {0, 300, 333, 300},
                                            {333, 300, 333, 300}};
    QList<QRect> sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen.append(QRect((i % 4) * 320, (i / 4) * 180, 320, 180));
    QTest::newRow("tile 16") << 0 << QSize(1280, 720) << 16 << sixteen;

    const QList<QRect> ring{{1, 1, 600, 400},     {0, 400, 300, 200}, {300, 400, 300, 200},
                            {600, 400, 300, 200}, {600, 0, 300, 200}, {600, 200, 300, 200}};
    QTest::newRow("perimeter 6") << 1 << QSize(900, 600) << 6 << ring;
    // Past the ring the cells repeat and then leave the container.
    QTest::newRow("perimeter 8") << 1 << QSize(1000, 601) << 8
                                 << QList<QRect>{{1, 1, 666, 400},     {0, 400, 333, 200},  {333, 400, 333, 200},
                                                 {666, 400, 333, 200}, {666, 0, 333, 200},  {666, 200, 333, 200},
                                                 {666, 400, 333, 200}, {666, 600, 333, 200}};
}

void tst_VideoContainer::layouts()
{
    QFETCH(int, mode);
    QFETCH(QSize, size);
    QFETCH(int, count);
    QFETCH(QList<QRect>, cells);

    VideoContainer container;
    container.resize(size);
    container.show();
    QVERIFY(QTest::qWaitForWindowExposed(&container));
    auto* placeholder = container.findChild<QLabel*>("placeholder");
    QVERIFY(placeholder);
    QCOMPARE(placeholder->text(), QString("Select camera"));
    QVERIFY(placeholder->isVisible());
    container.setMode(VideoContainer::Mode(mode));
    for (int i = 1; i <= count; ++i)
        QVERIFY(container.addCamera(localCamera(i)));
    QVERIFY(!placeholder->isVisible());
    QCOMPARE(geometries(container), cells);
    for (VideoPlayer* player : container.players()) {
        QVERIFY(player->isVisible());
        QCOMPARE(player->videoWidget()->size(), player->size());
    }

    // A resize lays the grid out again, and so does a change of mode through the property.
    container.resize(size * 2);
    QVERIFY(container.players().first()->width() >= cells.first().width() * 2 - 1);
    QVERIFY(container.setProperty("mode", mode == 0 ? 1 : 0));
    QVERIFY(geometries(container) != cells);
    QVERIFY(container.setProperty("mode", mode));
    container.resize(size);
    QCOMPARE(geometries(container), cells);
}

void tst_VideoContainer::limitAndDuplicates()
{
    VideoContainer container;
    container.resize(1280, 720);
    container.show();
    QList<VideoWidget*> widgets;
    for (int i = 1; i <= 16; ++i)
        widgets.append(container.addCamera(localCamera(i)));
    QVERIFY(!widgets.contains(nullptr));

    // A 17th camera or frame is refused.
    QCOMPARE(container.addCamera(localCamera(17)), nullptr);
    auto* stray = new VideoPlayer(new VideoWidget(localCamera(18)));
    container.addWidget(stray);
    QCOMPARE(stray->parentWidget(), nullptr);
    QCOMPARE(container.players().size(), 16);
    delete stray;

    // A camera already shown gets no second player: its player blinks.
    QVERIFY(!overlayOf(container.players().at(4))->isBlinking());
    QCOMPARE(container.addCamera(localCamera(5)), nullptr);
    QVERIFY(overlayOf(container.players().at(4))->isBlinking());
    QCOMPARE(container.players().size(), 16);

    // Cameras are found by server id and number together.
    QCOMPARE(container.findPlayer(qMakePair(QString("127.0.0.1:9"), 7))->videoWidget(), widgets.at(6));
    QCOMPARE(container.findWidget(qMakePair(QString("127.0.0.1:8"), 7)), nullptr);
    container.removeCamera(qMakePair(QString("127.0.0.1:9"), 17));
    QCOMPARE(container.players().size(), 16);

    // Once one has gone, there is room again.
    container.removeCamera(qMakePair(QString("127.0.0.1:9"), 2));
    QCOMPARE(container.players().size(), 15);
    QVERIFY(container.addCamera(localCamera(17)));
    QCOMPARE(container.players().last()->videoWidget()->camera()->id(), 17);
}

void tst_VideoContainer::singlePlayerLook()
{
    VideoContainer container;
    container.resize(800, 600);
    container.show();

    // One player: active, no border, the single-player look (a stopped archive shows no text).
    QStringList events;
    record(container, &events);
    VideoWidget* first = container.addCamera(localCamera(1));
    QCOMPARE(events, QStringList{"active Cam 1"});
    QCOMPARE(container.activeWidget(), first);
    VideoPlayer* firstPlayer = container.players().first();
    QVERIFY(!overlayOf(firstPlayer)->isShown());
    QVERIFY(overlayOf(firstPlayer)->isActive());
    container.setArchiveMode();
    QCOMPARE(first->statusText(), QString());

    // Two: borders on both, the first stays active, and neither has the single-player look.
    VideoWidget* second = container.addCamera(localCamera(2));
    QCOMPARE(events, QStringList{"active Cam 1"});
    VideoPlayer* secondPlayer = container.players().at(1);
    QVERIFY(overlayOf(firstPlayer)->isShown());
    QVERIFY(overlayOf(secondPlayer)->isShown());
    QVERIFY(!overlayOf(secondPlayer)->isActive());
    container.setArchiveMode();
    QCOMPARE(second->statusText(), QString("No archive"));
    first->play(); // polls the state without a stream
    QTRY_COMPARE(first->statusText(), QString("No archive"));

    // A click on the picture makes a player active, and a click on the active one reports it again.
    TestSupport::click(&container, QPoint(600, 300));
    QCOMPARE(events, QStringList({"active Cam 1", "active Cam 2"}));
    QVERIFY(overlayOf(secondPlayer)->isActive());
    QVERIFY(!overlayOf(firstPlayer)->isActive());
    QTest::mouseClick(&container, Qt::LeftButton, Qt::NoModifier, QPoint(600, 300));
    QCOMPARE(events.mid(1), QStringList({"active Cam 2", "active Cam 2"}));

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
    container.resize(900, 300);
    container.show();
    QVERIFY(QTest::qWaitForWindowExposed(&container));
    for (int i = 1; i <= 3; ++i)
        container.addCamera(localCamera(i));
    QList<QPointer<VideoPlayer>> players;
    QList<QPointer<VideoWidget>> widgets;
    for (VideoPlayer* player : container.players()) {
        players.append(player);
        widgets.append(player->videoWidget());
    }
    // Three players take three cells of a 2 x 2 grid: the third is at the bottom left.
    TestSupport::click(&container, QPoint(200, 225));
    QCOMPARE(container.activeWidget(), widgets.at(2).data());

    // While cameraClosed is delivered the widget and its player are alive and out of the list.
    QStringList events;
    record(container, &events);
    bool aliveDuringSignal = false;
    connect(&container, &VideoContainer::cameraClosed, this, [&](VideoWidget* widget) {
        aliveDuringSignal = widget == widgets.at(2) && !players.at(2).isNull() &&
                            !container.players().contains(players.at(2)) &&
                            container.findWidget(widget->camera()->globalId()) == nullptr;
    });
    // The close control of the active (third) player sits at its top right corner.
    TestSupport::click(&container, QPoint(450 - 4 - 8, 150 + 12));
    QCOMPARE(events, QStringList({"active Cam 1", "closed Cam 3"}));
    QVERIFY(aliveDuringSignal);
    // It goes once the click has been handled, with its widget, and nothing of the grid points at it.
    QTRY_VERIFY(players.at(2).isNull());
    QVERIFY(widgets.at(2).isNull());
    QCOMPARE(container.players().size(), 2);
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
    container->resize(800, 600);
    container->show();
    for (int i = 1; i <= 4; ++i)
        container->addCamera(localCamera(i));
    QStringList events;
    record(*container, &events);
    QList<QPointer<VideoPlayer>> players;
    for (VideoPlayer* player : container->players())
        players.append(player);

    // All go, in list order; the first is active throughout until none is left, which emits no activation.
    // They are deleted only once control is back in the event loop.
    container->removeAllCameras();
    QCOMPARE(events, QStringList({"active Cam 2", "closed Cam 1", "active Cam 3", "closed Cam 2", "active Cam 4",
                                  "closed Cam 3", "closed Cam 4"}));
    QVERIFY(!players.first().isNull());
    QCOMPARE(container->activeWidget(), nullptr);
    QVERIFY(container->findChild<QLabel*>("placeholder")->isVisible());
    QVERIFY(!container->findChild<QTimer*>("errorTimer")->isActive());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (const auto& player : players)
        QVERIFY(player.isNull());

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
    QVERIFY(last.isNull());
    QCOMPARE(events, QStringList());
}

void tst_VideoContainer::commandsReachThePlayingWidgets()
{
    TestSupport::FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer));
    VideoContainer container;
    container.resize(960, 240);
    container.show();
    QVERIFY(QTest::qWaitForWindowExposed(&container));
    // Nothing to act on without an active player.
    container.saveCurrentFrame(TestSupport::workDir() + "/nothing.jpg");
    QVERIFY(!QFile::exists(TestSupport::workDir() + "/nothing.jpg"));
    QCOMPARE(container.currentTime(), container.baseTime());

    container.setVolume(180);
    container.setSound(true);
    QList<VideoWidget*> widgets;
    for (int i = 1; i <= 3; ++i) {
        widgets.append(container.addCamera(localCamera(i, peer.hostAndPort())));
        widgets.last()->playLive(container.quality());
    }
    const auto allIn = [&](VideoWidget::PlayerState state) {
        for (VideoWidget* widget : widgets) {
            if (widget->playerState() != state)
                return false;
        }
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(allIn(VideoWidget::Playing), 20000);
    QVERIFY(container.isPlaying());
    const auto muted = [&] {
        QList<int> result;
        for (VideoWidget* widget : widgets)
            result.append(libvlc_audio_get_mute(widget->mediaPlayer()));
        return result;
    };
    // Only the active player sounds, at the container's volume (up to 200 %).
    QCOMPARE(muted(), QList<int>({0, 1, 1}));
    for (VideoWidget* widget : widgets)
        QCOMPARE(libvlc_audio_get_volume(widget->mediaPlayer()), 180);
    container.setVolume(200);
    for (VideoWidget* widget : widgets)
        QCOMPARE(libvlc_audio_get_volume(widget->mediaPlayer()), 200);

    // Another player made active (the third, bottom left of a 2 x 2 grid) takes the sound with it.
    TestSupport::click(&container, QPoint(240, 180));
    QCOMPARE(muted(), QList<int>({1, 1, 0}));
    container.setSound(false);
    QCOMPARE(muted(), QList<int>({1, 1, 1}));
    container.setSound(true);
    // Closing the sounding player hands the sound to the new active one; the closed one stops at once.
    QPointer<VideoWidget> closed = widgets.takeLast();
    container.removeCamera(closed->camera()->globalId());
    QCOMPARE(muted(), QList<int>({0, 1}));
    QVERIFY(closed && !closed->isPlaying());

    // A quality is passed on only when it changes.
    const int requests = peer.requestCount();
    container.setQuality(QualitySettings::High);
    container.setQuality(QualitySettings::Middle);
    QTRY_COMPARE_WITH_TIMEOUT(peer.requestCount(), requests + 2, 10000);
    QCOMPARE(peer.requests().last().query.queryItemValue("q"), QString("1"));
    QTRY_VERIFY_WITH_TIMEOUT(allIn(VideoWidget::Playing), 20000);
    QCOMPARE(peer.requestCount(), requests + 2);

    container.pause(true);
    QTRY_VERIFY_WITH_TIMEOUT(allIn(VideoWidget::Paused), 10000);
    container.pause(false);
    QTRY_VERIFY_WITH_TIMEOUT(allIn(VideoWidget::Playing), 20000);

    // Save and rotate act on the active player only.
    const QString still = TestSupport::workDir() + "/active.png";
    QTest::qWait(300);
    container.saveCurrentFrame(still);
    QFile file(still);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(3), QByteArray("\xff\xd8\xff"));
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

void tst_VideoContainer::erringPlayersAreRetriedEvery10s()
{
    TestSupport::FlvStreamSource good;
    QVERIFY(TestSupport::serveClip(good));
    TestSupport::FlvStreamSource bad;
    QVERIFY(TestSupport::serveClip(bad));
    bad.setAnswer(TestSupport::FlvStreamSource::Answer::NotFound);

    TestSupport::MessageCapture log;
    auto retries = [&log] { return log.messages().filter("Retry request for camera: \"Yard-Cam 1\"").size(); };
    VideoContainer container;
    container.resize(640, 240);
    container.show();
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    VideoWidget* failing = container.addCamera(localCamera(1, bad.hostAndPort()));
    VideoWidget* playing = container.addCamera(localCamera(2, good.hostAndPort()));
    failing->playLive(container.quality());
    playing->playLive(container.quality());

    // The widget gives up by itself after its own three retries...
    QTRY_VERIFY_WITH_TIMEOUT(retries() == 3 && failing->playerState() == VideoWidget::Error, 9000);
    QTRY_COMPARE_WITH_TIMEOUT(playing->playerState(), VideoWidget::Playing, 9000);
    QVERIFY(sinceFirst.elapsed() < 9000);
    QCOMPARE(good.requestCount(), 1);

    // ...and the container asks again 10 s after its first player came, leaving the playing widget alone.
    QTRY_VERIFY_WITH_TIMEOUT(retries() > 3, 15000);
    const qint64 at = sinceFirst.elapsed();
    QVERIFY2(at >= 9400 && at <= 11500, qPrintable(QString::number(at)));
    // The peer's clock started before the container's first player.
    QTRY_VERIFY_WITH_TIMEOUT(bad.requests().last().elapsed >= at, 5000);
    QCOMPARE(good.requestCount(), 1);

    // Each check re-requests whatever is in error at that moment, however often it failed before.
    QTRY_VERIFY_WITH_TIMEOUT(retries() == 6 && failing->playerState() == VideoWidget::Error, 9000);
    const int again = bad.requestCount();
    QVERIFY(QMetaObject::invokeMethod(&container, "checkErrors"));
    QCOMPARE(retries(), 7);
    QTRY_VERIFY_WITH_TIMEOUT(bad.requestCount() > again, 5000);
    QCOMPARE(good.requestCount(), 1);

    container.removeAllCameras();
    QVERIFY(!container.findChild<QTimer*>("errorTimer")->isActive());
}

QUORVEL_TEST_MAIN(tst_VideoContainer)
#include "tst_VideoContainer.moc"
