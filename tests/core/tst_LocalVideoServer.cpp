#include "core/LocalVideoServer.h"
#include "support/MessageCapture.h"
#include "support/RussianTranslator.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>

using namespace QuorvelClient;
using Core::Camera;
using Core::CameraPtr;
using Core::LocalVideoServer;
using Core::LocalVideoServerPtr;

namespace {

const QString secret = QStringLiteral("s3cr&t pass");

LocalVideoServerPtr makeServer(const QString& password = secret)
{
    return std::make_shared<LocalVideoServer>(LocalVideoServer::Offline, QStringLiteral("192.168.1.10"), 8080,
                                              QStringLiteral("Shop"), password, false, false);
}

CameraPtr makeCamera(Core::camera_id_t id)
{
    return std::make_shared<Camera>(id, QStringLiteral("Cam"), QStringLiteral("192.168.1.10:8080"), 0,
                                    QStringLiteral("Shop"), true, false, false, QSize(704, 576),
                                    QStringLiteral("mpeg4"), Camera::CameraFlags(), QString());
}

} // namespace

class tst_LocalVideoServer : public QObject
{
    Q_OBJECT
private slots:
    void constructionAndLog();
    void emptiness();
    void settersSignalOnlyOnChange();
    void camerasCopyPasswordAtAdd();
    void capabilitiesReachCameras();
    void removingCameras();
    void stateTexts_data();
    void stateTexts();
    void equality();
};

void tst_LocalVideoServer::constructionAndLog()
{
    TestSupport::MessageCapture log;
    LocalVideoServerPtr server = makeServer();
    QCOMPARE(server->id(), QStringLiteral("192.168.1.10:8080"));
    QCOMPARE(server->password(), secret);

    // One "Created" line with the state, address and name; the password is not in it.
    const QStringList created = log.messages().filter(QStringLiteral("Created"));
    QCOMPARE(created.size(), 1);
    QVERIFY2(created.first().startsWith(QStringLiteral("Created 3 \"192.168.1.10\" 8080 \"Shop\"")),
             qPrintable(created.first()));
    QVERIFY(!created.first().contains(secret));
    QVERIFY(!created.first().contains(QStringLiteral("s3cr")));

    // The id is fixed at birth; port 0 still gives a port part.
    server->setName(QStringLiteral("Renamed"));
    server->setPassword(QStringLiteral("other"));
    QCOMPARE(server->id(), QStringLiteral("192.168.1.10:8080"));
    LocalVideoServer zero(LocalVideoServer::Online, QStringLiteral("nvr.lan"), 0, QStringLiteral("N"), QString(), true,
                          true);
    QCOMPARE(zero.id(), QStringLiteral("nvr.lan:0"));
    QCOMPARE(zero.state(), LocalVideoServer::Online);
    QVERIFY(zero.isArchiveExportSupported() && zero.isArchiveSearchSupported());

    // Nothing that the record logs carries a password.
    server->addCamera(makeCamera(1));
    server->removeCamera(1);
    server->addCamera(makeCamera(2));
    server->removeAllCameras();
    for (const QString& line : log.messages())
        QVERIFY2(!line.contains(QStringLiteral("s3cr")) && !line.contains(QStringLiteral("other")), qPrintable(line));
}

void tst_LocalVideoServer::emptiness()
{
    QVERIFY(!makeServer()->isEmpty());
    QVERIFY(!makeServer(QString())->isEmpty());
    QVERIFY(LocalVideoServer(LocalVideoServer::Offline, QString(), 80, "N", "p", false, false).isEmpty());
    QVERIFY(LocalVideoServer(LocalVideoServer::Offline, "h", 0, "N", "p", false, false).isEmpty());
    QVERIFY(LocalVideoServer(LocalVideoServer::Offline, "h", 80, QString(), "p", false, false).isEmpty());
}

void tst_LocalVideoServer::settersSignalOnlyOnChange()
{
    LocalVideoServerPtr server = makeServer();
    QSignalSpy state(server.get(), &LocalVideoServer::stateChanged);
    QSignalSpy name(server.get(), &LocalVideoServer::nameChanged);

    server->setState(LocalVideoServer::Offline);
    server->setName(QStringLiteral("Shop"));
    server->setPassword(QStringLiteral("new"));
    QCOMPARE(state.count() + name.count(), 0);
    QCOMPARE(server->password(), QStringLiteral("new"));

    server->setState(LocalVideoServer::Online);
    server->setState(LocalVideoServer::Online);
    server->setState(LocalVideoServer::AccessDenied);
    QCOMPARE(state.count(), 2);
    QCOMPARE(state.at(0).at(0).value<LocalVideoServer::LocalVideoServerState>(), LocalVideoServer::Online);
    QCOMPARE(state.at(1).at(0).value<LocalVideoServer::LocalVideoServerState>(), LocalVideoServer::AccessDenied);
    QCOMPARE(server->state(), LocalVideoServer::AccessDenied);

    server->setName(QStringLiteral("Store"));
    QCOMPARE(name.count(), 1);
    QCOMPARE(name.at(0).at(0).toString(), QStringLiteral("Store"));
    QCOMPARE(server->name(), QStringLiteral("Store"));
}

void tst_LocalVideoServer::camerasCopyPasswordAtAdd()
{
    LocalVideoServerPtr server = makeServer();
    QSignalSpy added(server.get(), &LocalVideoServer::cameraAdded);

    CameraPtr early = makeCamera(1);
    server->addCamera(early);
    QCOMPARE(added.count(), 1);
    QCOMPARE(added.at(0).at(0).value<CameraPtr>(), early);
    QCOMPARE(early->serverType(), 1);
    QCOMPARE(early->serverValue(), qint64(1));
    QCOMPARE(early->password(), secret);

    // A second camera with a number already present changes nothing.
    CameraPtr duplicate = makeCamera(1);
    server->addCamera(duplicate);
    QCOMPARE(added.count(), 1);
    QCOMPARE(server->cameras().value(1), early);
    QCOMPARE(duplicate->serverType(), 0);
    QVERIFY(duplicate->password().isEmpty());

    server->setPassword(QStringLiteral("changed"));
    CameraPtr late = makeCamera(2);
    server->addCamera(late);
    QCOMPARE(late->password(), QStringLiteral("changed"));
    QCOMPARE(early->password(), secret);
    QCOMPARE(server->cameras().keys(), QList<Core::camera_id_t>({1, 2}));
    QVERIFY(server->hasCamera(2));
    QVERIFY(!server->hasCamera(3));
}

void tst_LocalVideoServer::capabilitiesReachCameras()
{
    LocalVideoServerPtr server = makeServer();
    CameraPtr a = makeCamera(1);
    CameraPtr b = makeCamera(2);
    server->addCamera(a);
    server->addCamera(b);

    server->setArchiveExportSupported(true);
    QVERIFY(server->isArchiveExportSupported());
    QVERIFY(a->isArchiveExportSupported() && b->isArchiveExportSupported());
    QVERIFY(!a->isArchiveSearchSupported());

    server->setArchiveSearchSupported(true);
    QVERIFY(a->isArchiveSearchSupported() && b->isArchiveSearchSupported());

    // A call with the stored value leaves cameras alone, even one that drifted.
    a->setArchiveExportSupported(false);
    server->setArchiveExportSupported(true);
    QVERIFY(!a->isArchiveExportSupported());

    server->setArchiveExportSupported(false);
    server->setArchiveSearchSupported(false);
    QVERIFY(!server->isArchiveExportSupported() && !server->isArchiveSearchSupported());
    QVERIFY(!b->isArchiveExportSupported() && !b->isArchiveSearchSupported());
    QVERIFY(!a->isArchiveSearchSupported());
}

void tst_LocalVideoServer::removingCameras()
{
    LocalVideoServerPtr server = makeServer();
    QSignalSpy removed(server.get(), &LocalVideoServer::cameraRemoved);
    QSignalSpy allRemoved(server.get(), &LocalVideoServer::camerasRemoved);
    TestSupport::MessageCapture log;

    server->removeAllCameras();
    server->removeCamera(1);
    QCOMPARE(removed.count() + allRemoved.count(), 0);
    QVERIFY(log.messages().filter(QStringLiteral("Local videoserver")).isEmpty());

    server->addCamera(makeCamera(1));
    server->addCamera(makeCamera(3));
    server->removeCamera(1);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).toInt(), 1);
    QCOMPARE(log.messages().filter(QStringLiteral("Local videoserver: removed camera")),
             QStringList({"Local videoserver: removed camera QPair(\"192.168.1.10:8080\",1) 1"}));

    server->removeAllCameras();
    QCOMPARE(allRemoved.count(), 1);
    QVERIFY(server->cameras().isEmpty());
    QCOMPARE(log.messages().filter(QStringLiteral("Local videoserver: removed all cameras")),
             QStringList({"Local videoserver: removed all cameras \"192.168.1.10\""}));
}

void tst_LocalVideoServer::stateTexts_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("longText");
    QTest::addColumn<QString>("shortText");
    QTest::addColumn<QString>("russianLong");
    QTest::addColumn<QString>("russianShort");
    QTest::newRow("0") << 0 << "online"
                       << ""
                       << "в сети"
                       << "";
    QTest::newRow("1") << 1 << "access denied, please check server's password"
                       << "unavailable: wrong password or old version"
                       << "доступ запрещён, проверьте пароль сервера"
                       << "недоступен: неверный пароль или старая версия";
    QTest::newRow("2") << 2 << "incorrect answer, maybe, you have old version of server or client"
                       << "old version or bad connection"
                       << "некорректный ответ, возможно, у вас старая версия сервера или клиента"
                       << "старая версия или плохое соединение";
    QTest::newRow("3") << 3 << "offline"
                       << "offline"
                       << "не в сети"
                       << "не в сети";
    QTest::newRow("7") << 7 << "unknown state"
                       << ""
                       << "неизвестное состояние"
                       << "";
    QTest::newRow("-1") << -1 << "unknown state"
                        << ""
                        << "неизвестное состояние"
                        << "";
}

void tst_LocalVideoServer::stateTexts()
{
    QFETCH(int, state);
    const auto value = LocalVideoServer::LocalVideoServerState(state);
    QTEST(LocalVideoServer::stateText(value), "longText");
    QTEST(LocalVideoServer::shortStateText(value), "shortText");
    TestSupport::RussianTranslator russian;
    QVERIFY(russian.isLoaded());
    QTEST(LocalVideoServer::stateText(value), "russianLong");
    QTEST(LocalVideoServer::shortStateText(value), "russianShort");
}

void tst_LocalVideoServer::equality()
{
    LocalVideoServerPtr a = makeServer();
    LocalVideoServerPtr b = makeServer();
    b->setState(LocalVideoServer::Online);
    b->setArchiveSearchSupported(true);
    b->addCamera(makeCamera(1));
    QVERIFY(*a == *b);
    QVERIFY(!(*a != *b));

    b->setPassword(QStringLiteral("x"));
    QVERIFY(*a != *b);
    b->setPassword(secret);
    b->setName(QStringLiteral("Other"));
    QVERIFY(*a != *b);
    QVERIFY(*a != LocalVideoServer(LocalVideoServer::Offline, "192.168.1.10", 8081, "Shop", secret, false, false));
    QVERIFY(*a != LocalVideoServer(LocalVideoServer::Offline, "192.168.1.11", 8080, "Shop", secret, false, false));
}

QUORVEL_TEST_MAIN(tst_LocalVideoServer)
#include "tst_LocalVideoServer.moc"
