#include "core/Camera.h"
#include "core/LocalVideoServer.h"
#include "core/PreviewLoader.h"
#include "core/SessionManager.h"
#include "peer/FakeVideoServer.h"
#include "support/MessageCapture.h"
#include "support/ObjectCensus.h"
#include "support/TestEnvironment.h"
#include "utils/Settings.h"

#include <QSignalSpy>
#include <QTimer>

using namespace QuorvelClient;
using namespace TestSupport;
using Core::Camera;
using Core::CameraPtr;
using Core::PreviewLoader;

namespace {

const QString localPassword = "p&ss wörd";
const char clientClass[] = "QuorvelClient::Core::StreamerClient";

PeerReply failure(int status)
{
    PeerReply reply;
    reply.status = status;
    reply.body = "failed";
    return reply;
}

} // namespace

class tst_PreviewLoader : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void asksAtOnceAndOnEveryTick();
    void asksLocalServerWithItsPassword();
    void asksOnlyListedCamerasWhoseFlagsAreZero();
    void repeatsOnceThenClears();
    void droppedPreviewsCostTwoRequests_data();
    void droppedPreviewsCostTwoRequests();
    void refusedSessionAsksForRelogin();
    void removingDropsTheRequest();

private:
    CameraPtr cloudCamera(int id = 3, Camera::CameraFlags flags = Camera::CameraFlags());
    CameraPtr localCamera(int id = 1);
    QTimer* refreshTimer() const;
    void useLocalServer(const QString& host, int port);

    FakeVideoServer streamer;
    FakeVideoServer local;
    Core::LocalVideoServerPtr localServer;
    QList<CameraPtr> added;
};

CameraPtr tst_PreviewLoader::cloudCamera(int id, Camera::CameraFlags flags)
{
    added << std::make_shared<Camera>(id, "Gate", "S", 0, "Office", true, true, false, QSize(640, 480), "h264", flags,
                                      QString());
    return added.last();
}

CameraPtr tst_PreviewLoader::localCamera(int id)
{
    added << std::make_shared<Camera>(id, "Door", localServer->id(), 0, "Shop", true, false, false, QSize(640, 480),
                                      "h264", Camera::CameraFlags(), QString());
    localServer->addCamera(added.last());
    return added.last();
}

QTimer* tst_PreviewLoader::refreshTimer() const
{
    return PreviewLoader::instance()->findChild<QTimer*>("previewRefreshTimer");
}

void tst_PreviewLoader::useLocalServer(const QString& host, int port)
{
    localServer = std::make_shared<Core::LocalVideoServer>(Core::LocalVideoServer::Offline, host, port, "Shop",
                                                           localPassword, false, false);
}

void tst_PreviewLoader::initTestCase()
{
    QVERIFY(streamer.start());
    QVERIFY(local.start());
    streamer.setCameras({FakeCamera{3, "Gate"}, FakeCamera{4, "Yard"}});
    streamer.setSessionCheck([](const QString& session) { return session == QLatin1String("localview"); });
    local.setCameras({FakeCamera{1, "Door"}});
    local.setPassword(localPassword);
    Utils::Settings::instance()->setValue("streamer/host", "127.0.0.1");
    Utils::Settings::instance()->setValue("streamer/port", streamer.port());
    Core::SessionManager::create(QString(), QString());

    // Made at first use with its 45 s refresh already running.
    QVERIFY(refreshTimer() && refreshTimer()->isActive());
    QCOMPARE(refreshTimer()->interval(), 45000);
}

void tst_PreviewLoader::init()
{
    useLocalServer("127.0.0.1", local.port());
    refreshTimer()->start(45000);
}

void tst_PreviewLoader::cleanup()
{
    for (const CameraPtr& camera : std::as_const(added))
        PreviewLoader::instance()->removeCamera(camera->globalId());
    added.clear();
    for (FakeVideoServer* server : {&streamer, &local}) {
        server->clearScript();
        server->clearFailures();
        server->clearRequests();
    }
}

void tst_PreviewLoader::asksAtOnceAndOnEveryTick()
{
    PreviewLoader* loader = PreviewLoader::instance();
    CameraPtr camera = cloudCamera();
    QSignalSpy previews(camera.get(), &Camera::previewChanged);
    loader->addCamera(nullptr);
    loader->addCamera(camera);
    loader->addCamera(camera);
    QTRY_COMPARE(previews.count(), 1);
    QCOMPARE(camera->preview(), FakeVideoServer::previewJpeg(3));
    QCOMPARE(streamer.requests().size(), 1);
    const QByteArray line("GET /preview/live?camera=3&q=0&server=S&sessionId=localview HTTP/1.1");
    QCOMPARE(streamer.lastRequest().requestLine, line);

    // Each tick asks again; start() asks at once and runs the stopped timer again.
    refreshTimer()->setInterval(50);
    QTRY_VERIFY_WITH_TIMEOUT(previews.count() >= 3, 10000);
    loader->stop();
    QVERIFY(!refreshTimer()->isActive());
    refreshTimer()->setInterval(45000);
    QTRY_COMPARE(previews.count(), streamer.requests().size());
    const int seen = streamer.requests().size();
    loader->start();
    QVERIFY(refreshTimer()->isActive());
    QTRY_COMPARE(streamer.requests().size(), seen + 1);
    QCOMPARE(streamer.lastRequest().requestLine, line);
}

void tst_PreviewLoader::asksLocalServerWithItsPassword()
{
    CameraPtr camera = localCamera();
    QSignalSpy previews(camera.get(), &Camera::previewChanged);
    PreviewLoader::instance()->addCamera(camera);
    QTRY_COMPARE(previews.count(), 1);
    QCOMPARE(camera->preview(), FakeVideoServer::previewJpeg(1));
    // The password travels percent-encoded exactly once; the server id keeps its colon.
    QCOMPARE(local.requests().size(), 1);
    QCOMPARE(local.lastRequest().requestLine,
             "GET /preview/live?camera=1&q=0&server=127.0.0.1:" + QByteArray::number(local.port()) +
                 "&sessionId=p%26ss%20w%C3%B6rd HTTP/1.1");

    // A local server whose id does not split into host and port is not asked, and its password never goes to
    // the service's streaming server: the account camera asked after it is the only request there.
    useLocalServer("::1", local.port());
    PreviewLoader::instance()->addCamera(localCamera(2));
    CameraPtr cloud = cloudCamera();
    QSignalSpy cloudPreviews(cloud.get(), &Camera::previewChanged);
    PreviewLoader::instance()->addCamera(cloud);
    QTRY_COMPARE(cloudPreviews.count(), 1);
    QCOMPARE(streamer.requests().size(), 1);
    QCOMPARE(local.requests().size(), 1);
}

void tst_PreviewLoader::asksOnlyListedCamerasWhoseFlagsAreZero()
{
    PreviewLoader* loader = PreviewLoader::instance();
    CameraPtr offline = cloudCamera(4, Camera::Offline);
    CameraPtr online = cloudCamera(3);
    QSignalSpy onlinePreviews(online.get(), &Camera::previewChanged);
    QSignalSpy offlinePreviews(offline.get(), &Camera::previewChanged);
    loader->addCamera(offline);
    loader->addCamera(online);
    QTRY_COMPARE(onlinePreviews.count(), 1);
    QCOMPARE(streamer.requests().size(), 1);

    // The camera coming back asks the loader at once.
    offline->setFlags(Camera::CameraFlags());
    QTRY_COMPARE(offlinePreviews.count(), 1);
    QCOMPARE(streamer.requests().size(), 2);
    QCOMPARE(streamer.lastRequest().queryItem("camera"), "4");

    // Off the list, it is not asked for when it comes back; the request after it shows that nothing went out.
    loader->removeCamera(offline->globalId());
    offline->setFlags(Camera::NotPaid);
    offline->setFlags(Camera::CameraFlags());
    loader->request(online->globalId());
    QTRY_COMPARE(onlinePreviews.count(), 2);
    QCOMPARE(streamer.requests().size(), 3);
}

void tst_PreviewLoader::repeatsOnceThenClears()
{
    ObjectCensus census;
    MessageCapture log;
    PreviewLoader* loader = PreviewLoader::instance();
    CameraPtr camera = cloudCamera();
    camera->setPreview("old");
    QSignalSpy previews(camera.get(), &Camera::previewChanged);

    // One failure: the same request again at once, and its answer is taken.
    streamer.enqueueReply(failure(500));
    loader->addCamera(camera);
    QTRY_COMPARE(previews.count(), 1);
    QCOMPARE(camera->preview(), FakeVideoServer::previewJpeg(3));
    QCOMPARE(streamer.requests().size(), 2);
    QCOMPARE(streamer.requests().at(1).requestLine, streamer.requests().at(0).requestLine);

    // Two failures: the preview is cleared after the second, and no third attempt is made.
    streamer.failCommand("preview/live", failure(404));
    loader->request(camera->globalId());
    QTRY_COMPARE(previews.count(), 2);
    QVERIFY(camera->preview().isEmpty());
    QCOMPARE(streamer.requests().size(), 4);
    QTRY_COMPARE(census.alive(clientClass), 0);

    // The failed request is over: the next one goes out, and fails twice in turn.
    loader->request(camera->globalId());
    QTRY_COMPARE(log.count("Preview receive error: -3 404"), 4);
    QCOMPARE(streamer.requests().size(), 6);

    // A camera that drops out while its first request fails gets no repeat, and is asked afresh when back.
    CameraPtr door = localCamera();
    QSignalSpy doorPreviews(door.get(), &Camera::previewChanged);
    local.enqueueReply(failure(500));
    connect(
        &local, &FakeHttpServer::requestReceived, door.get(), [&door] { door->setFlags(Camera::Offline); },
        Qt::SingleShotConnection);
    loader->addCamera(door);
    QTRY_COMPARE(log.count("Preview receive error: -3 500"), 2);
    QCOMPARE(local.requests().size(), 1);
    door->setFlags(Camera::CameraFlags());
    QTRY_COMPARE(doorPreviews.count(), 1);
    QCOMPARE(door->preview(), FakeVideoServer::previewJpeg(1));
    QCOMPARE(local.requests().size(), 2);
}

void tst_PreviewLoader::droppedPreviewsCostTwoRequests_data()
{
    QTest::addColumn<PeerReply>("drop");
    for (const auto& [name, drop] : PeerReply::drops())
        QTest::newRow(name.constData()) << drop;
}

void tst_PreviewLoader::droppedPreviewsCostTwoRequests()
{
    QFETCH(PeerReply, drop);
    CameraPtr camera = localCamera();
    camera->setPreview("old");
    QSignalSpy previews(camera.get(), &Camera::previewChanged);
    local.failCommand("preview/live", drop);
    PreviewLoader::instance()->addCamera(camera);
    QTRY_COMPARE(previews.count(), 1);
    QVERIFY(camera->preview().isEmpty());
    QCOMPARE(local.requests().size(), 2);
}

void tst_PreviewLoader::refusedSessionAsksForRelogin()
{
    MessageCapture log;
    PreviewLoader* loader = PreviewLoader::instance();
    QSignalSpy relogin(loader, &PreviewLoader::relogin);
    CameraPtr camera = cloudCamera();
    camera->setPreview("old");
    streamer.failCommand("preview/live", failure(409));
    loader->addCamera(camera);
    QTRY_COMPARE(relogin.count(), 1);
    QCOMPARE(camera->preview(), QByteArray("old"));

    // The refused request stays outstanding: no way of asking again sends a second one for the camera.
    loader->request(camera->globalId());
    loader->start();
    camera->setFlags(Camera::Offline);
    camera->setFlags(Camera::CameraFlags());
    QSignalSpy ticks(refreshTimer(), &QTimer::timeout);
    refreshTimer()->setInterval(50);
    QTRY_VERIFY(ticks.count() >= 5);
    QCOMPARE(streamer.requests().size(), 1);
    QCOMPARE(relogin.count(), 1);
    // Each ask finds the request there and says so: the request, start(), the flags back to 0 and every tick.
    QCOMPARE(log.count("Request for camera QPair(\"S\",3) already exists, will not create new request"),
             3 + ticks.count());
}

void tst_PreviewLoader::removingDropsTheRequest()
{
    ObjectCensus census;
    MessageCapture log;
    PreviewLoader* loader = PreviewLoader::instance();
    local.holdReplies("preview/live");
    CameraPtr camera = localCamera();
    QSignalSpy previews(camera.get(), &Camera::previewChanged);
    loader->addCamera(camera);
    QTRY_COMPARE(local.heldCount(), 1);
    QCOMPARE(census.alive(clientClass), 1);
    loader->request(camera->globalId());
    loader->request(camera->globalId());
    QCOMPARE(log.count("already exists, will not create new request"), 2);

    // Removing releases the client; an unknown id changes nothing.
    loader->removeCamera(Core::camera_global_id_t(camera->serverId(), 99));
    QCOMPARE(census.alive(clientClass), 1);
    loader->removeCamera(camera->globalId());
    QTRY_COMPARE(census.alive(clientClass), 0);

    // Listed again, the camera is asked anew, and an ask while its new request is out says so again.
    local.holdReplies("preview/live", false);
    loader->addCamera(camera);
    loader->request(camera->globalId());
    QCOMPARE(log.count("already exists, will not create new request"), 3);
    QTRY_COMPARE(previews.count(), 1);
    QCOMPARE(local.requests().size(), 2);
}

QUORVEL_TEST_MAIN(tst_PreviewLoader)
#include "tst_PreviewLoader.moc"
