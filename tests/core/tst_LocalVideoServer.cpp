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

const QString secret = "s3cr&t pass";

LocalVideoServerPtr makeServer(const QString& host = "192.168.1.10", int port = 8080, const QString& name = "Shop",
                               const QString& password = secret)
{
    return std::make_shared<LocalVideoServer>(LocalVideoServer::Offline, host, port, name, password, false, false);
}

CameraPtr makeCamera(Core::camera_id_t id)
{
    return std::make_shared<Camera>(id, "Cam", "192.168.1.10:8080", 0, "Shop", true, false, false, QSize(704, 576),
                                    "mpeg4", Camera::CameraFlags(), QString());
}

} // namespace

class tst_LocalVideoServer : public QObject
{
    Q_OBJECT
private slots:
    void idEmptinessAndLog();
    void settersSignalOnlyOnChange();
    void camerasTakeThePasswordAndCapabilities();
    void stateTexts_data();
    void stateTexts();
    void equality();
    void removalsAtOnceAreCounted_data();
    void removalsAtOnceAreCounted();
};

void tst_LocalVideoServer::idEmptinessAndLog()
{
    TestSupport::MessageCapture log;
    LocalVideoServerPtr server = makeServer();
    QCOMPARE(makeServer("nvr.lan", 0)->id(), "nvr.lan:0");
    // Empty: no host, port 0 or no name; the password does not count.
    QVERIFY(!makeServer("h", 80, "N", QString())->isEmpty());
    for (const LocalVideoServerPtr& empty : {makeServer(QString()), makeServer("h", 0), makeServer("h", 80, QString())})
        QVERIFY(empty->isEmpty());

    // Nothing that the record logs, from its "Created" line on, carries a password.
    server->setPassword("other");
    server->addCamera(makeCamera(1));
    server->removeCamera(1);
    server->addCamera(makeCamera(2));
    server->removeAllCameras();
    QVERIFY(log.count("Created") >= 1);
    for (const QString& line : log.messages())
        QVERIFY2(!line.contains("s3cr") && !line.contains("other"), qPrintable(line));
}

void tst_LocalVideoServer::settersSignalOnlyOnChange()
{
    LocalVideoServerPtr server = makeServer();
    QSignalSpy state(server.get(), &LocalVideoServer::stateChanged);
    QSignalSpy name(server.get(), &LocalVideoServer::nameChanged);
    server->setState(LocalVideoServer::Offline);
    server->setName("Shop");
    server->setState(LocalVideoServer::AccessDenied);
    server->setState(LocalVideoServer::AccessDenied);
    server->setName("Store");
    server->setName("Store");
    QCOMPARE(state.count(), 1);
    QCOMPARE(state.at(0).at(0).value<LocalVideoServer::LocalVideoServerState>(), LocalVideoServer::AccessDenied);
    QCOMPARE(name.count(), 1);
    QCOMPARE(name.at(0).at(0).toString(), "Store");
}

void tst_LocalVideoServer::camerasTakeThePasswordAndCapabilities()
{
    LocalVideoServerPtr server = makeServer();
    QSignalSpy added(server.get(), &LocalVideoServer::cameraAdded);
    QSignalSpy removed(server.get(), &LocalVideoServer::cameraRemoved);
    QSignalSpy allRemoved(server.get(), &LocalVideoServer::camerasRemoved);
    // Nothing to remove: no signal.
    server->removeAllCameras();
    server->removeCamera(1);
    CameraPtr early = makeCamera(1);
    server->addCamera(early);
    QCOMPARE(early->serverType(), 1);
    QCOMPARE(early->password(), secret);

    // A second camera with a number already present changes nothing.
    CameraPtr duplicate = makeCamera(1);
    server->addCamera(duplicate);
    QCOMPARE(added.count(), 1);
    QCOMPARE(server->cameras().value(1), early);
    QVERIFY(duplicate->serverType() == 0 && duplicate->password().isEmpty());

    // A new password reaches cameras added later only.
    server->setPassword("changed");
    CameraPtr late = makeCamera(2);
    server->addCamera(late);
    QCOMPARE(late->password(), "changed");
    QCOMPARE(early->password(), secret);

    // Capabilities reach every camera when they change; a call with the stored value leaves a drifted camera alone.
    server->setArchiveExportSupported(true);
    server->setArchiveSearchSupported(true);
    QVERIFY(early->isArchiveExportSupported() && late->isArchiveExportSupported());
    QVERIFY(early->isArchiveSearchSupported() && late->isArchiveSearchSupported());
    early->setArchiveExportSupported(false);
    server->setArchiveExportSupported(true);
    QVERIFY(!early->isArchiveExportSupported());
    server->setArchiveExportSupported(false);
    server->setArchiveSearchSupported(false);
    QVERIFY(!late->isArchiveExportSupported() && !late->isArchiveSearchSupported());

    server->removeCamera(1);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).toInt(), 1);
    server->removeAllCameras();
    QCOMPARE(allRemoved.count(), 1);
    QVERIFY(server->cameras().isEmpty());
}

void tst_LocalVideoServer::stateTexts_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QStringList>("english");
    QTest::addColumn<QStringList>("russian");
    QTest::newRow("0") << 0 << QStringList{"online", ""} << QStringList{"в сети", ""};
    QTest::newRow("1") << 1
                       << QStringList{"access denied, please check server's password",
                                      "unavailable: wrong password or old version"}
                       << QStringList{"доступ запрещён, проверьте пароль сервера",
                                      "недоступен: неверный пароль или старая версия"};
    QTest::newRow("2") << 2
                       << QStringList{"incorrect answer, maybe, you have old version of server or client",
                                      "old version or bad connection"}
                       << QStringList{"некорректный ответ, возможно, у вас старая версия сервера или клиента",
                                      "старая версия или плохое соединение"};
    QTest::newRow("3") << 3 << QStringList{"offline", "offline"} << QStringList{"не в сети", "не в сети"};
    QTest::newRow("7") << 7 << QStringList{"unknown state", ""} << QStringList{"неизвестное состояние", ""};
}

void tst_LocalVideoServer::stateTexts()
{
    QFETCH(int, state);
    const auto value = LocalVideoServer::LocalVideoServerState(state);
    QTEST(QStringList({LocalVideoServer::stateText(value), LocalVideoServer::shortStateText(value)}), "english");
    TestSupport::RussianTranslator russian;
    QVERIFY(russian.isLoaded());
    QTEST(QStringList({LocalVideoServer::stateText(value), LocalVideoServer::shortStateText(value)}), "russian");
}

void tst_LocalVideoServer::equality()
{
    // Name, host, port and password count; state, capabilities and cameras do not.
    LocalVideoServerPtr a = makeServer();
    LocalVideoServerPtr b = makeServer();
    b->setState(LocalVideoServer::Online);
    b->setArchiveSearchSupported(true);
    b->addCamera(makeCamera(1));
    QVERIFY(*a == *b && !(*a != *b));
    for (const LocalVideoServerPtr& other :
         {makeServer("192.168.1.10", 8080, "Shop", "x"), makeServer("192.168.1.10", 8080, "Other"),
          makeServer("192.168.1.10", 8081), makeServer("192.168.1.11")})
        QVERIFY(*a != *other);
}

QUORVEL_TEST_MAIN(tst_LocalVideoServer)
void tst_LocalVideoServer::removalsAtOnceAreCounted_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("an ordinary setup's 50") << 50;
    QTest::newRow("100, all told") << 100;
    QTest::newRow("101") << 101;
    QTest::newRow("1000") << 1000;
}

// Cameras taken away at once, and servers made at once from a long list, each write their line up to a hundred;
// the others are counted in one line once the event loop runs again, and a removal after that has its line again.
void tst_LocalVideoServer::removalsAtOnceAreCounted()
{
    QFETCH(int, count);
    const int written = qMin(count, 100);
    const auto summary = [count](const char* what) {
        return count > 100 ? QStringList(QString::fromUtf8("\u2026 and %1 more %2").arg(count - 100).arg(what))
                           : QStringList();
    };
    LocalVideoServerPtr server = makeServer();
    for (int id = 1; id <= count + 1; ++id)
        server->addCamera(makeCamera(id));
    QCoreApplication::processEvents();
    TestSupport::MessageCapture log;
    for (int id = 1; id <= count; ++id)
        server->removeCamera(id);
    QCOMPARE(server->cameras().keys(), QList<Core::camera_id_t>{count + 1});
    const QStringList removed = log.messages().filter("Local videoserver: removed camera");
    QCOMPARE(removed.size(), written);
    QVERIFY2(removed.last().endsWith(QString(",%1) %1").arg(written)), qPrintable(removed.last()));
    QCoreApplication::processEvents();
    QTRY_COMPARE(log.messages().filter("more cameras removed"), summary("cameras removed"));
    server->removeCamera(count + 1);
    QCOMPARE(log.count("Local videoserver: removed camera"), written + 1);
    QCoreApplication::processEvents();
    QCOMPARE(log.messages().size(), written + 1 + int(summary("").size()));

    log.clear();
    QList<LocalVideoServerPtr> servers;
    for (int i = 0; i < count; ++i)
        servers << makeServer("10.0.0.1", 1 + i);
    const QStringList created = log.messages().filter("Created");
    QCOMPARE(created.size(), written);
    QCOMPARE(created.last(), QString("Created 3 \"10.0.0.1\" %1 \"Shop\" \"********\"").arg(written));
    QCoreApplication::processEvents();
    QTRY_COMPARE(log.messages().filter("more local videoservers created"), summary("local videoservers created"));
    QCOMPARE(log.messages().size(), written + int(summary("").size()));
}

#include "tst_LocalVideoServer.moc"
