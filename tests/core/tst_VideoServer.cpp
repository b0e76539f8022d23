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

VideoServerPtr makeServer(VideoServer::VideoServerFlags flags = VideoServer::VideoServerFlags())
{
    return std::make_shared<VideoServer>(flags, QStringLiteral("srv-9"), 1, 2, 3, QStringLiteral("Office"), true, true,
                                         false, false, false, true, false);
}

CameraPtr makeCamera(Core::camera_id_t id)
{
    return std::make_shared<Camera>(id, QStringLiteral("Cam %1").arg(id), QStringLiteral("srv-9"), 3,
                                    QStringLiteral("Office"), false, true, false, QSize(640, 480),
                                    QStringLiteral("h264"), Camera::CameraFlags(), QString());
}

} // namespace

class tst_VideoServer : public QObject
{
    Q_OBJECT
private slots:
    void constructionAndSetters();
    void cameraMap();
    void flags_data();
    void flags();
    void equality();
};

void tst_VideoServer::constructionAndSetters()
{
    // Values in the constructor's order: the switches and capabilities are told apart by their values.
    VideoServerPtr server = makeServer();
    QCOMPARE(QList<qint64>({server->value1(), server->value2(), server->value3()}), QList<qint64>({1, 2, 3}));
    QCOMPARE(
        QList<bool>({server->isOwner(), server->isLiveEnabled(), server->isArchiveEnabled(), server->isSetupEnabled(),
                     server->isPublic(), server->isSpeedPlaySupported(), server->isArchiveSearchSupported()}),
        QList<bool>({true, true, false, false, false, true, false}));

    std::unique_ptr<QSignalSpy> spies[]{std::make_unique<QSignalSpy>(server.get(), &VideoServer::flagsChanged),
                                        std::make_unique<QSignalSpy>(server.get(), &VideoServer::aliasChanged),
                                        std::make_unique<QSignalSpy>(server.get(), &VideoServer::liveEnabledChanged),
                                        std::make_unique<QSignalSpy>(server.get(), &VideoServer::archiveEnabledChanged),
                                        std::make_unique<QSignalSpy>(server.get(), &VideoServer::setupEnabledChanged),
                                        std::make_unique<QSignalSpy>(server.get(), &VideoServer::isPublicChanged)};
    const auto set = [&server](VideoServer::VideoServerFlags flags, const QString& alias, bool live, bool archive,
                               bool setup, bool isPublic) {
        server->setFlags(flags);
        server->setAlias(alias);
        server->setLiveEnabled(live);
        server->setArchiveEnabled(archive);
        server->setSetupEnabled(setup);
        server->setPublic(isPublic);
    };
    // The stored values: nothing happens.
    set(VideoServer::VideoServerFlags(), QStringLiteral("Office"), true, false, false, false);
    for (const auto& spy : spies)
        QCOMPARE(spy->count(), 0);

    // New values: one signal each, carrying the value, which is already stored.
    VideoServer::VideoServerFlags seen;
    connect(server.get(), &VideoServer::flagsChanged, this, [&] { seen = server->flags(); });
    set(VideoServer::Offline | VideoServer::SomeCamerasNotPaid, QStringLiteral("Warehouse"), false, true, true, true);
    QCOMPARE(seen, VideoServer::Offline | VideoServer::SomeCamerasNotPaid);
    QVariantList values;
    for (const auto& spy : spies) {
        QCOMPARE(spy->count(), 1);
        values << spy->at(0).at(0);
    }
    QCOMPARE(values.at(0).value<VideoServer::VideoServerFlags>(), seen);
    QCOMPARE(values.mid(1), QVariantList({QStringLiteral("Warehouse"), false, true, true, true}));
    QVERIFY(server->isPublic() && server->isSetupEnabled() && server->isArchiveEnabled() && !server->isLiveEnabled());
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
    QCOMPARE(added.count(), 2);
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
    QCOMPARE(removed.count(), 0);
    server->removeCamera(2);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).toInt(), 2);
    QVERIFY(!server->hasCamera(2));
    server->removeAllCameras();
    QVERIFY(server->cameras().isEmpty());
    server->removeAllCameras();
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
    VideoServer other(VideoServer::VideoServerFlags(), QStringLiteral("srv-9"), 1, 2, 99, QStringLiteral("Office"),
                      false, true, false, false, false, false, true);
    other.addCamera(camera);
    other.setServiceStatus(QStringLiteral("billing"));
    other.setHasArchive(true);
    QVERIFY(*a == other);

    // The same number holding another object of equal content differs, as do the alias, flags, public mark and
    // an extra camera.
    VideoServerPtr b = makeServer();
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
}

QUORVEL_TEST_MAIN(tst_VideoServer)
#include "tst_VideoServer.moc"
