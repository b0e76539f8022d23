#include "core/CameraEndpoint.h"
#include "core/LocalVideoServer.h"
#include "core/SessionManager.h"
#include "support/TestEnvironment.h"
#include "utils/Settings.h"

#include <QTest>

using namespace QuorvelClient;
using Core::Camera;
using Core::CameraEndpoint;

class tst_CameraEndpoint : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void answersPerServerKind_data();
    void answersPerServerKind();
};

void tst_CameraEndpoint::initTestCase()
{
    Utils::Settings::instance()->setValue("streamer/host", "streams.example");
    Utils::Settings::instance()->setValue("streamer/port", 8081);
    Utils::Settings::instance()->setValue("streamer/version", "v3");
    Core::SessionManager::create(QString(), QString());
}

void tst_CameraEndpoint::answersPerServerKind_data()
{
    QTest::addColumn<int>("serverType");
    QTest::addColumn<QString>("serverId");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<QString>("hostAndPort");
    QTest::addColumn<QString>("liveUrl");
    QTest::addColumn<QString>("params");

    // Streaming commands go to "streamer/port"; the video URL names no port.
    QTest::newRow("account") << 0 << "srv-17" << true << "streams.example:8081"
                             << "http://streams.example/v3/flv/live?server=srv-17&camera=3&sessionId=localview&q=1"
                             << "camera=3 server=srv-17 sessionId=localview";
    // Video URLs carry server=1, commands the server id; the password is encoded once, "%41" included.
    QTest::newRow("local") << 1 << "127.0.0.1:8080" << true << "127.0.0.1:8080"
                           << "http://127.0.0.1:8080/flv/live?server=1&camera=3&sessionId=p%20w%3A%2541&q=1"
                           << "camera=3 server=127.0.0.1:8080 sessionId=p%20w%3A%2541";
    QTest::newRow("local without port") << 1 << "nvr.local" << false << ":0"
                                        << "http://nvr.local/flv/live?server=1&camera=3&sessionId=p%20w%3A%2541&q=1"
                                        << "camera=3 server=nvr.local sessionId=p%20w%3A%2541";
}

void tst_CameraEndpoint::answersPerServerKind()
{
    QFETCH(int, serverType);
    QFETCH(QString, serverId);
    auto camera = std::make_shared<Camera>(3, "Hall", serverId, 5, "Office", true, true, true, QSize(640, 480), "h264",
                                           Camera::CameraFlags(), QString());
    camera->setServerType(serverType);
    camera->setPassword("p w:%41");
    const CameraEndpoint endpoint(camera);

    QCOMPARE(endpoint.isLocal(), serverType == 1);
    QTEST(endpoint.isReachable(), "reachable");
    QTEST(endpoint.host() + ':' + QString::number(endpoint.port()), "hostAndPort");
    QTEST(endpoint.liveUrl(Core::QualitySettings::Middle).section("&vcodec", 0, 0), "liveUrl");
    QStringList params;
    const QVariantMap map = endpoint.requestParams();
    for (auto it = map.begin(); it != map.end(); ++it)
        params << it.key() + '=' + it.value().toString();
    QTEST(params.join(' '), "params");

    // A local server's own commands name it "1", with the same credential as its cameras.
    if (endpoint.isReachable() && endpoint.isLocal()) {
        const Core::LocalVideoServer server(Core::LocalVideoServer::Offline, "127.0.0.1", 8080, "Shop", "p w:%41",
                                            false, false);
        const QVariantMap own = CameraEndpoint(server).requestParams();
        QCOMPARE(own.keys(), QStringList({"server", "sessionId"}));
        QCOMPARE(own.value("server").toString(), QString("1"));
        QCOMPARE(own.value("sessionId"), map.value("sessionId"));
    }
}

QUORVEL_TEST_MAIN(tst_CameraEndpoint)
#include "tst_CameraEndpoint.moc"
