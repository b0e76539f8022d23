#include "core/VideoServer.h"
#include "support/RussianTranslator.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>

#include <functional>

using namespace QuorvelClient;
using Core::Camera;
using Core::CameraPtr;
using Core::VideoServer;
using Core::VideoServerPtr;

namespace {

VideoServerPtr makeServer(VideoServer::VideoServerFlags flags = VideoServer::VideoServerFlags())
{
    return std::make_shared<VideoServer>(flags, "srv-9", 1, 2, 3, "Office", true, true, false, false, false, true,
                                         false);
}

CameraPtr makeCamera(Core::camera_id_t id)
{
    return std::make_shared<Camera>(id, QStringLiteral("Cam %1").arg(id), "srv-9", 3, "Office", false, true, false,
                                    QSize(640, 480), "h264", Camera::CameraFlags(), QString());
}

} // namespace

class tst_VideoServer : public QObject
{
    Q_OBJECT
private slots:
    void settersSignalOnlyOnChange();
    void cameraMap();
    void flags_data();
    void flags();
    void equality();
};

void tst_VideoServer::settersSignalOnlyOnChange()
{
    VideoServerPtr server = makeServer();
    // Each setter signals only a change, with the new value, which is already stored.
    QStringList seen;
    VideoServer* s = server.get();
    connect(s, &VideoServer::flagsChanged, this, [&](VideoServer::VideoServerFlags flags) {
        seen << QString("flags %1 %2").arg(int(flags)).arg(int(s->flags()));
    });
    connect(s, &VideoServer::aliasChanged, this, [&](const QString& alias) { seen << "alias " + alias; });
    connect(s, &VideoServer::liveEnabledChanged, this, [&](bool on) { seen << QString("live %1").arg(on); });
    connect(s, &VideoServer::archiveEnabledChanged, this, [&](bool on) { seen << QString("archive %1").arg(on); });
    connect(s, &VideoServer::setupEnabledChanged, this, [&](bool on) { seen << QString("setup %1").arg(on); });
    connect(s, &VideoServer::isPublicChanged, this, [&](bool on) { seen << QString("public %1").arg(on); });
    const auto set = [s](VideoServer::VideoServerFlags flags, const QString& alias, bool live, bool archive, bool setup,
                         bool isPublic) {
        s->setFlags(flags);
        s->setAlias(alias);
        s->setLiveEnabled(live);
        s->setArchiveEnabled(archive);
        s->setSetupEnabled(setup);
        s->setPublic(isPublic);
    };
    set(VideoServer::VideoServerFlags(), "Office", true, false, false, false);
    QVERIFY(seen.isEmpty());
    set(VideoServer::Offline | VideoServer::SomeCamerasNotPaid, "Warehouse", false, true, true, true);
    QCOMPARE(seen, QStringList({"flags 9 9", "alias Warehouse", "live 0", "archive 1", "setup 1", "public 1"}));
}

void tst_VideoServer::cameraMap()
{
    VideoServerPtr server = makeServer();
    QSignalSpy added(server.get(), &VideoServer::cameraAdded);
    QSignalSpy removed(server.get(), &VideoServer::cameraRemoved);
    QSignalSpy allRemoved(server.get(), &VideoServer::camerasRemoved);

    // A camera taken over from a local server becomes an account camera.
    CameraPtr first = makeCamera(5);
    first->setServerType(1);
    server->addCamera(first);
    server->addCamera(makeCamera(2));
    QCOMPARE(added.at(0).at(0).value<CameraPtr>(), first);
    QCOMPARE(first->serverType(), 0);
    QCOMPARE(server->cameras().keys(), QList<Core::camera_id_t>({2, 5}));

    // The same number again replaces the object and announces it again.
    CameraPtr replacement = makeCamera(5);
    server->addCamera(replacement);
    QCOMPARE(added.count(), 3);
    QCOMPARE(server->cameras().value(5), replacement);
    QCOMPARE(server->cameras().size(), 2);

    // An unknown number is removed silently; removing all always announces it.
    server->removeCamera(7);
    server->removeCamera(2);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).toInt(), 2);
    server->removeAllCameras();
    server->removeAllCameras();
    QVERIFY(server->cameras().isEmpty());
    QCOMPARE(allRemoved.count(), 2);
}

void tst_VideoServer::flags_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");
    QTest::addColumn<bool>("available");
    QTest::newRow("0") << 0 << QString() << QString() << true;
    QTest::newRow("0x1") << 0x1 << QString("some cameras were not paid") << QString("некоторые камеры не оплачены")
                         << true;
    QTest::newRow("0x2") << 0x2 << QString("cameras were not paid") << QString("камеры не оплачены") << false;
    QTest::newRow("0x4") << 0x4 << QString("blocked") << QString("заблокирован") << false;
    QTest::newRow("0x8") << 0x8 << QString("offline") << QString("не в сети") << false;
    QTest::newRow("0x9") << 0x9 << QString("some cameras were not paid, offline")
                         << QString("некоторые камеры не оплачены, не в сети") << false;
    QTest::newRow("0xF") << 0xF << QString("cameras were not paid, blocked, offline")
                         << QString("камеры не оплачены, заблокирован, не в сети") << false;
}

// The text of the flags in both languages, and whether the server can be used: any server holding archive can.
void tst_VideoServer::flags()
{
    QFETCH(int, flags);
    VideoServerPtr server = makeServer(VideoServer::VideoServerFlags::fromInt(flags));
    QTEST(VideoServer::flagsToString(server->flags()), "english");
    QTEST(server->isAvailable(), "available");
    server->setHasArchive(true);
    QVERIFY(server->isAvailable());
    TestSupport::RussianTranslator russian;
    QVERIFY(russian.isLoaded());
    QTEST(VideoServer::flagsToString(server->flags()), "russian");
}

void tst_VideoServer::equality()
{
    CameraPtr camera = makeCamera(1);
    VideoServerPtr a = makeServer();
    a->addCamera(camera);

    // Owner, value3, capabilities, service status and the archive mark are not compared.
    VideoServer other(VideoServer::VideoServerFlags(), "srv-9", 1, 2, 99, "Office", false, true, false, false, false,
                      false, true);
    other.addCamera(camera);
    other.setServiceStatus("billing");
    other.setHasArchive(true);
    QVERIFY(*a == other);

    // The same number holding another object of equal content differs, as do the alias, flags, public mark and
    // an extra camera.
    const auto differs = [&a, &camera](const std::function<void(VideoServer&)>& change) {
        VideoServerPtr b = makeServer();
        b->addCamera(camera);
        change(*b);
        return *a != *b;
    };
    QVERIFY(!differs([](VideoServer&) {}));
    QVERIFY(differs([](VideoServer& b) { b.addCamera(makeCamera(1)); }));
    QVERIFY(differs([](VideoServer& b) { b.setAlias("Other"); }));
    QVERIFY(differs([](VideoServer& b) { b.setFlags(VideoServer::Offline); }));
    QVERIFY(differs([](VideoServer& b) { b.setPublic(true); }));
    QVERIFY(differs([](VideoServer& b) { b.addCamera(makeCamera(2)); }));
}

QUORVEL_TEST_MAIN(tst_VideoServer)
#include "tst_VideoServer.moc"
