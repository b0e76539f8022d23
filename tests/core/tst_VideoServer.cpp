#include "core/VideoServer.h"
#include "support/RussianTranslator.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>

using namespace QuorvelClient;
using Core::Camera;
using Core::CameraPtr;
using Core::VideoServer;
using Core::VideoServerPtr;

namespace {

VideoServerPtr makeServer(VideoServer::VideoServerFlags flags = VideoServer::VideoServerFlags(),
                          const QString& alias = QStringLiteral("Office"))
{
    return std::make_shared<VideoServer>(flags, QStringLiteral("srv-9"), 1, 2, 3, alias, true, true, false, false,
                                         false, true, false);
}

CameraPtr makeCamera(Core::camera_id_t id, const QString& serverId = QStringLiteral("srv-9"))
{
    return std::make_shared<Camera>(id, QStringLiteral("Cam %1").arg(id), serverId, 3, QStringLiteral("Office"), false,
                                    true, false, QSize(640, 480), QStringLiteral("h264"), Camera::CameraFlags(),
                                    QString());
}

} // namespace

class tst_VideoServer : public QObject
{
    Q_OBJECT
private slots:
    void constructionKeepsValues();
    void settersSignalOnlyOnChange();
    void cameraMap();
    void availability_data();
    void availability();
    void flagsText_data();
    void flagsText();
    void equality();
    void camerasTravelQueued();
};

void tst_VideoServer::constructionKeepsValues()
{
    // Values in the constructor's order: the switches and capabilities are told apart by their values.
    VideoServerPtr server = makeServer(VideoServer::Offline);
    QCOMPARE(server->flags(), VideoServer::VideoServerFlags(VideoServer::Offline));
    QCOMPARE(QList<qint64>({server->value1(), server->value2(), server->value3()}), QList<qint64>({1, 2, 3}));
    QCOMPARE(
        QList<bool>({server->isOwner(), server->isLiveEnabled(), server->isArchiveEnabled(), server->isSetupEnabled(),
                     server->isPublic(), server->isSpeedPlaySupported(), server->isArchiveSearchSupported()}),
        QList<bool>({true, true, false, false, false, true, false}));
    QVERIFY(server->serviceStatus().isEmpty());
    QVERIFY(!server->hasArchive());
    QVERIFY(server->cameras().isEmpty());
}

void tst_VideoServer::settersSignalOnlyOnChange()
{
    VideoServerPtr server = makeServer();
    QSignalSpy flags(server.get(), &VideoServer::flagsChanged);
    QSignalSpy alias(server.get(), &VideoServer::aliasChanged);
    QSignalSpy live(server.get(), &VideoServer::liveEnabledChanged);
    QSignalSpy archive(server.get(), &VideoServer::archiveEnabledChanged);
    QSignalSpy setup(server.get(), &VideoServer::setupEnabledChanged);
    QSignalSpy isPublic(server.get(), &VideoServer::isPublicChanged);
    QSignalSpy invalidated(server.get(), &VideoServer::invalidated);

    // The stored values: nothing happens.
    server->setFlags(VideoServer::VideoServerFlags());
    server->setAlias(QStringLiteral("Office"));
    server->setLiveEnabled(true);
    server->setArchiveEnabled(false);
    server->setSetupEnabled(false);
    server->setPublic(false);
    QCOMPARE(flags.count() + alias.count() + live.count() + archive.count() + setup.count() + isPublic.count(), 0);

    // New values: one signal each, carrying the value, which is already stored.
    VideoServer::VideoServerFlags seen;
    connect(server.get(), &VideoServer::flagsChanged, this, [&] { seen = server->flags(); });
    server->setFlags(VideoServer::Offline | VideoServer::SomeCamerasNotPaid);
    server->setAlias(QStringLiteral("Warehouse"));
    server->setLiveEnabled(false);
    server->setArchiveEnabled(true);
    server->setSetupEnabled(true);
    server->setPublic(true);
    QCOMPARE(flags.count(), 1);
    QCOMPARE(flags.at(0).at(0).value<VideoServer::VideoServerFlags>(),
             VideoServer::Offline | VideoServer::SomeCamerasNotPaid);
    QCOMPARE(seen, VideoServer::Offline | VideoServer::SomeCamerasNotPaid);
    QCOMPARE(alias.count(), 1);
    QCOMPARE(alias.at(0).at(0).toString(), QStringLiteral("Warehouse"));
    QCOMPARE(server->alias(), QStringLiteral("Warehouse"));
    QCOMPARE(live.count(), 1);
    QCOMPARE(live.at(0).at(0).toBool(), false);
    QCOMPARE(archive.count(), 1);
    QCOMPARE(archive.at(0).at(0).toBool(), true);
    QCOMPARE(setup.count(), 1);
    QCOMPARE(isPublic.count(), 1);
    QVERIFY(server->isPublic() && server->isSetupEnabled() && server->isArchiveEnabled() && !server->isLiveEnabled());

    // Plain attributes change silently.
    server->setServiceStatus(QStringLiteral("billing"));
    server->setHasArchive(true);
    QCOMPARE(server->serviceStatus(), QStringLiteral("billing"));
    QVERIFY(server->hasArchive());

    server->invalidate();
    server->invalidate();
    QCOMPARE(invalidated.count(), 2);
    QCOMPARE(flags.count() + alias.count(), 2);
}

void tst_VideoServer::cameraMap()
{
    VideoServerPtr server = makeServer();
    QSignalSpy added(server.get(), &VideoServer::cameraAdded);
    QSignalSpy removed(server.get(), &VideoServer::cameraRemoved);
    QSignalSpy allRemoved(server.get(), &VideoServer::camerasRemoved);

    CameraPtr first = makeCamera(5);
    first->setServerType(1);
    server->addCamera(first);
    server->addCamera(makeCamera(2));
    QCOMPARE(added.count(), 2);
    QCOMPARE(added.at(0).at(0).value<CameraPtr>(), first);
    QCOMPARE(first->serverType(), 0);
    QVERIFY(server->hasCamera(5));
    QVERIFY(!server->hasCamera(3));
    QCOMPARE(server->cameras().keys(), QList<Core::camera_id_t>({2, 5}));

    // The same number again replaces the object and announces it again.
    CameraPtr replacement = makeCamera(5);
    server->addCamera(replacement);
    QCOMPARE(added.count(), 3);
    QCOMPARE(server->cameras().value(5), replacement);
    QCOMPARE(server->cameras().size(), 2);

    // The copy handed out does not follow later changes.
    const QMap<Core::camera_id_t, CameraPtr> snapshot = server->cameras();
    server->removeCamera(7);
    QCOMPARE(removed.count(), 0);
    server->removeCamera(2);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).toInt(), 2);
    QVERIFY(!server->hasCamera(2));
    QCOMPARE(snapshot.size(), 2);

    server->removeAllCameras();
    QVERIFY(server->cameras().isEmpty());
    server->removeAllCameras();
    QCOMPARE(allRemoved.count(), 2);

    // A camera outlives its server while someone holds it.
    std::weak_ptr<VideoServer> weak = server;
    server->addCamera(first);
    server.reset();
    QVERIFY(weak.expired());
    QCOMPARE(first->id(), 5);
}

void tst_VideoServer::availability_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("hasArchive");
    QTest::addColumn<bool>("available");
    QTest::newRow("online") << 0 << false << true;
    QTest::newRow("some unpaid") << 0x1 << false << true;
    QTest::newRow("all unpaid") << 0x2 << false << false;
    QTest::newRow("all unpaid, archive") << 0x2 << true << true;
    QTest::newRow("offline") << 0x8 << false << false;
    QTest::newRow("offline, archive") << 0x8 << true << true;
    QTest::newRow("offline, some unpaid") << 0x9 << false << false;
    QTest::newRow("offline, some unpaid, archive") << 0x9 << true << true;
    QTest::newRow("blocked") << 0x4 << false << false;
}

void tst_VideoServer::availability()
{
    QFETCH(int, flags);
    QFETCH(bool, hasArchive);
    VideoServerPtr server = makeServer(VideoServer::VideoServerFlags::fromInt(flags));
    server->setHasArchive(hasArchive);
    QTEST(server->isAvailable(), "available");
}

void tst_VideoServer::flagsText_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");
    QTest::newRow("0") << 0 << ""
                       << "";
    QTest::newRow("0x1") << 0x1 << "some cameras were not paid"
                         << "некоторые камеры не оплачены";
    QTest::newRow("0x2") << 0x2 << "cameras were not paid"
                         << "камеры не оплачены";
    QTest::newRow("0x3") << 0x3 << "cameras were not paid"
                         << "камеры не оплачены";
    QTest::newRow("0x4") << 0x4 << "blocked"
                         << "заблокирован";
    QTest::newRow("0x8") << 0x8 << "offline"
                         << "не в сети";
    QTest::newRow("0x9") << 0x9 << "some cameras were not paid, offline"
                         << "некоторые камеры не оплачены, не в сети";
    QTest::newRow("0xA") << 0xA << "cameras were not paid, offline"
                         << "камеры не оплачены, не в сети";
    QTest::newRow("0xC") << 0xC << "blocked, offline"
                         << "заблокирован, не в сети";
    QTest::newRow("0xF") << 0xF << "cameras were not paid, blocked, offline"
                         << "камеры не оплачены, заблокирован, не в сети";
}

void tst_VideoServer::flagsText()
{
    QFETCH(int, flags);
    const VideoServer::VideoServerFlags value = VideoServer::VideoServerFlags::fromInt(flags);
    QTEST(VideoServer::flagsToString(value), "english");
    TestSupport::RussianTranslator russian;
    QVERIFY(russian.isLoaded());
    QTEST(VideoServer::flagsToString(value), "russian");
}

void tst_VideoServer::equality()
{
    CameraPtr camera = makeCamera(1);
    VideoServerPtr a = makeServer();
    VideoServerPtr b = makeServer();
    a->addCamera(camera);
    b->addCamera(camera);
    QVERIFY(*a == *b);

    // Owner, value3, capabilities, service status and the archive mark are not compared.
    VideoServer other(VideoServer::VideoServerFlags(), QStringLiteral("srv-9"), 1, 2, 99, QStringLiteral("Office"),
                      false, true, false, false, false, false, true);
    other.addCamera(camera);
    other.setServiceStatus(QStringLiteral("billing"));
    other.setHasArchive(true);
    QVERIFY(*a == other);

    // The same number holding another object of equal content differs.
    b->addCamera(makeCamera(1));
    QVERIFY(*a != *b);
    b->addCamera(camera);
    QVERIFY(*a == *b);

    b->setAlias(QStringLiteral("Other"));
    QVERIFY(*a != *b);
    b->setAlias(QStringLiteral("Office"));
    b->setFlags(VideoServer::Offline);
    QVERIFY(*a != *b);
    b->setFlags(VideoServer::VideoServerFlags());
    b->setPublic(true);
    QVERIFY(*a != *b);
    b->setPublic(false);
    b->addCamera(makeCamera(2));
    QVERIFY(*a != *b);
    b->removeCamera(2);
    QVERIFY(*a == *b);
}

void tst_VideoServer::camerasTravelQueued()
{
    // A queued delivery of a camera keeps the very object.
    VideoServerPtr server = makeServer();
    CameraPtr camera = makeCamera(4);
    CameraPtr received;
    connect(
        server.get(), &VideoServer::cameraAdded, this, [&](Core::CameraPtr c) { received = c; }, Qt::QueuedConnection);
    server->addCamera(camera);
    QVERIFY(!received);
    QTRY_COMPARE(received, camera);
}

QUORVEL_TEST_MAIN(tst_VideoServer)
#include "tst_VideoServer.moc"
