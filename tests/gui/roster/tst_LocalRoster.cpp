#include "core/PreviewLoader.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/LocalServerTreeItem.h"
#include "gui/roster/RosterWidget.h"
#include "peer/FakeVideoServer.h"
#include "support/BoxAnswerer.h"
#include "support/MessageCapture.h"
#include "support/ObjectCensus.h"
#include "support/RowLayouts.h"
#include "support/TestEnvironment.h"
#include "utils/Intervals.h"

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTimer>
#include <QTreeWidget>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace QuorvelClient;
using Core::LocalVideoServer;
using GUI::LocalServerTreeItem;
using TestSupport::PeerReply;

namespace {

const QString kFile = "local_roster.txt";

void writeFile(const QByteArray& bytes, QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner)
{
    QFile::remove(kFile);
    QFile file(kFile);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.setPermissions(mode));
}

QByteArray fileBytes(const QString& name = kFile)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

QByteArray entry(const QByteArray& ip, const QByteArray& port, const QByteArray& name = "N",
                 const QByteArray& password = "p")
{
    return "{\"ip\":\"" + ip + "\",\"name\":\"" + name + "\",\"password\":\"" + password + "\",\"port\":" + port + "}";
}

// The local server rows, in tree order.
QList<LocalServerTreeItem*> localRows(const GUI::RosterWidget* roster)
{
    auto* tree = roster->findChild<QTreeWidget*>("treeWidget");
    QList<LocalServerTreeItem*> rows;
    QTreeWidgetItem* root = tree->topLevelItem(tree->topLevelItemCount() - 1);
    for (int i = 0; i < root->childCount(); ++i)
        rows << static_cast<LocalServerTreeItem*>(root->child(i));
    return rows;
}

// What a row shows: state, icon, weight, tooltip, state line, name line (bold or not).
QString describe(LocalServerTreeItem* row)
{
    QString icon;
    for (const char* name : {"server-icon", "disable-server-icon", "off-server-icon"}) {
        if (row->icon(0).pixmap(24).toImage() == QIcon(QString(":icons/%1.png").arg(name)).pixmap(24).toImage())
            icon = name;
    }
    row->treeWidget()->viewport()->repaint();
    QWidget* widget = row->treeWidget()->itemWidget(row, 0);
    const QLabel* name = widget->findChild<QLabel*>("name");
    return QStringList({row->text(1), icon, row->font(0).bold() ? "bold" : "normal", row->toolTip(0),
                        widget->findChild<QLabel*>("state")->text(), name->text(),
                        name->font().bold() ? "bold" : "normal"})
        .join(" | ");
}

QString cameras(const Core::LocalVideoServerPtr& server)
{
    QStringList list;
    for (const Core::CameraPtr& camera : server->cameras())
        list << QString("%1:%2:%3").arg(camera->id()).arg(camera->name()).arg(camera->flags().toInt());
    return list.join(' ');
}

} // namespace

class tst_LocalRoster : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void loadsTheListFile_data();
    void loadsTheListFile();
    void savesTheListFileSafely();
    void pollsEachServer();
    void pollsLongListsAFewAtATime();
    void followsTheServerState_data();
    void followsTheServerState();
    void silentServersTimeOut();
    void tricklingServersLetTheOthersIn();
    void aPollCycleSumsUpItsFailures_data();
    void aPollCycleSumsUpItsFailures();
    void camerasAndCapabilitiesFollowTheReplies();
    void repliesLayTheTreeOutOnce();
    void repeatedCamerasApplyOnce();

private:
    // Local servers on loopback with these passwords and cameras, named "Lab0", "Lab1" ... in the list file of a
    // shown roster, which init(true) has asked once.
    void start(const QList<QPair<QString, QList<TestSupport::FakeCamera>>>& servers);
    void poll() { QMetaObject::invokeMethod(roster.get(), "updateLocalServersStatuses"); }
    Core::LocalVideoServerPtr record(int row) const { return localRows(roster.get()).value(row)->server(); }

    std::vector<std::unique_ptr<TestSupport::FakeVideoServer>> peers;
    std::unique_ptr<GUI::RosterWidget> roster;
};

void tst_LocalRoster::cleanup()
{
    roster.reset();
    peers.clear();
    QFile::remove(kFile);
    QFile::remove(kFile + ".bad");
    Utils::setIntervalForTesting(Utils::Interval::LocalServerTimeout, 0);
}

void tst_LocalRoster::start(const QList<QPair<QString, QList<TestSupport::FakeCamera>>>& servers)
{
    QByteArrayList entries;
    for (const auto& [password, cameras] : servers) {
        peers.push_back(std::make_unique<TestSupport::FakeVideoServer>());
        peers.back()->setPassword(password);
        peers.back()->setCameras(cameras);
        QVERIFY(peers.back()->start());
        entries << entry("127.0.0.1", QByteArray::number(peers.back()->port()),
                         "Lab" + QByteArray::number(entries.size()), password.toUtf8());
    }
    writeFile('[' + entries.join(',') + ']');
    roster = std::make_unique<GUI::RosterWidget>();
    roster->show();
    roster->init(true);
}

void tst_LocalRoster::loadsTheListFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("servers");
    const QString none;
    const QString bad = "Bad local roster file: \"local_roster.txt\"";
    QTest::newRow("missing") << QByteArray() << QString("Cannot open local roster \"local_roster.txt\"") << none;
    QTest::newRow("not JSON") << QByteArray("[{\"ip\":") << bad << none;
    QTest::newRow("two values") << QByteArray("1,2") << bad << none;
    QTest::newRow("object") << entry("10.0.0.1", "80") << none << none;
    QTest::newRow("bare value") << QByteArray("\"servers\"") << none << none;
    QByteArrayList ports;
    for (const char* port : {"1", "65535", "\"8080\"", "0", "65536", "\"abc\"", "8080.5", "4294967297", "true"})
        ports << entry("h", port);
    QTest::newRow("ports") << '[' + ports.join(',') + ']' << none << "h:1 N p, h:65535 N p, h:8080 N p";
    QTest::newRow("entries") << "[1,\"x\",{},[]," + entry("", "80") + ',' + entry("a", "80", "") +
                                    ",{\"ip\":\"b\",\"port\":80},{\"ip\":\"c\",\"name\":\"C\",\"port\":80}]"
                             << none << "c:80 C ";
    QTest::newRow("same address") << '[' + entry("10.0.0.5", "8080", "First") + ',' +
                                         entry("10.0.0.5", "8080", "Second", "q") + ',' + entry("10.0.0.5", "8081") +
                                         ',' + entry("localhost", "80") + ',' + entry("127.0.0.1", "80") + ']'
                                  << none
                                  << "10.0.0.5:8080 First p, 10.0.0.5:8081 N p, localhost:80 N p, 127.0.0.1:80 N p";
}

void tst_LocalRoster::loadsTheListFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, warning);
    QFETCH(QString, servers);
    if (!file.isNull())
        writeFile(file);
    TestSupport::MessageCapture capture;
    GUI::RosterWidget widget;
    QStringList loaded;
    for (LocalServerTreeItem* row : localRows(&widget)) {
        const Core::LocalVideoServerPtr server = row->server();
        loaded << QString("%1 %2 %3").arg(server->id(), server->name(), server->password());
        QCOMPARE(server->state(), LocalVideoServer::Offline);
    }
    QCOMPARE(loaded.join(", "), servers);
    QCOMPARE(capture.count("local roster"), warning.isEmpty() ? 0 : 1);
    QVERIFY(warning.isEmpty() || capture.contains(warning));
    QCOMPARE(fileBytes(), file.isNull() ? QByteArray("<none>") : file);
}

void tst_LocalRoster::savesTheListFileSafely()
{
    TestSupport::BoxAnswerer boxes("I see");
    writeFile('[' + entry("10.0.0.9", "80", "A", "") + ",{}," + entry("10.0.0.10", "80", "B") + ']',
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    {
        GUI::RosterWidget widget;
        QMetaObject::invokeMethod(&widget, "saveLocalRoster");
        QCOMPARE(fileBytes(), "[{\"ip\":\"10.0.0.10\",\"name\":\"B\",\"password\":\"p\",\"port\":80},"
                              "{\"ip\":\"10.0.0.9\",\"name\":\"A\",\"password\":\"\",\"port\":80}]");
        struct stat info;
        QCOMPARE(::stat("local_roster.txt", &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);

        // A write cut short (a full disk) keeps the old file whole.
        writeFile("[]");
        TestSupport::MessageCapture capture;
        rlimit old;
        ::getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        QMetaObject::invokeMethod(&widget, "saveLocalRoster");
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(capture.contains("Cannot save local roster \"local_roster.txt\""));
        QCOMPARE(fileBytes(), QByteArray("[]"));
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList(kFile));
        // The user is told at once, with the file and the reason.
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QString("Local videoservers have not been saved"));
        QCOMPARE(boxes.last().text, "The list of local videoservers cannot be saved to the file \"" +
                                        QDir().absoluteFilePath(kFile) +
                                        "\": File too large.\n\nYour change lasts only until the program is closed.");
        QCOMPARE(boxes.last().buttons, QStringList("I see"));
    }

    // A file that could not be read is kept aside, owner-only, before the first save replaces it, and only then.
    writeFile("{\"ip\":", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    {
        GUI::RosterWidget widget;
        TestSupport::MessageCapture capture;
        QMetaObject::invokeMethod(&widget, "saveLocalRoster");
        QVERIFY(capture.contains("local_roster.txt.bad"));
        QCOMPARE(fileBytes(), QByteArray("[]"));
        QMetaObject::invokeMethod(&widget, "saveLocalRoster");
        QCOMPARE(fileBytes(kFile + ".bad"), QByteArray("{\"ip\":"));
        struct stat info;
        QCOMPARE(::stat("local_roster.txt.bad", &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
        QCOMPARE(boxes.count(), 1);
    }

    // When it cannot be kept aside, no change is saved over it, and each one is told.
    QFile::remove(kFile + ".bad");
    QVERIFY(QDir().mkpath(kFile + ".bad/taken"));
    writeFile("{\"ip\":");
    GUI::RosterWidget widget;
    for (int save = 0; save < 2; ++save) {
        QMetaObject::invokeMethod(&widget, "saveLocalRoster");
        QCOMPARE(fileBytes(), QByteArray("{\"ip\":"));
    }
    QCOMPARE(boxes.count(), 3);
    QCOMPARE(boxes.last().text, "The list of local videoservers \"" + QDir().absoluteFilePath(kFile) +
                                    "\" could not be read at start, and it cannot be kept as \"" +
                                    QDir().absoluteFilePath(kFile + ".bad") +
                                    "\": Filename refers to a directory.\n\nThe list is not overwritten, so your "
                                    "change is not saved and lasts only until the program is closed.");
    QDir(kFile + ".bad").removeRecursively();
}

void tst_LocalRoster::pollsEachServer()
{
    TestSupport::MessageCapture capture;
    start({{"a b&c%", {}}, {"", {{1, "Door"}}}});
    peers[0]->failCommand("streams/info", PeerReply::json("", 403));
    for (int i : {0, 1}) {
        QTRY_VERIFY(peers[i]->requests().size() >= 2);
        const QByteArray key = i == 0 ? "a%20b%26c%25" : "";
        // Sent together on two connections, which may reach the server in either order.
        QByteArrayList lines{peers[i]->requests()[0].requestLine, peers[i]->requests()[1].requestLine};
        std::sort(lines.begin(), lines.end());
        QCOMPARE(lines, QByteArrayList({"GET /streams/info?server=1&sessionId=" + key + " HTTP/1.1",
                                        "GET /vs_info/?server=1&sessionId=" + key + " HTTP/1.1"}));
        for (const TestSupport::PeerRequest& request : peers[i]->requests()) {
            QCOMPARE(request.headers.mid(0, 2),
                     TestSupport::RawHeaders(
                         {{"Accept", "*/*"}, {"Host", "127.0.0.1:" + QByteArray::number(peers[i]->port())}}));
        }
    }
    // Rows sort by state, then by text.
    QTRY_COMPARE(localRows(roster.get())[0]->text(2), QString("Lab1 (1 camera)"));
    QTRY_COMPARE(localRows(roster.get())[1]->server()->state(), LocalVideoServer::AccessDenied);
    peers[0]->clearFailures();
    peers[1]->failCommand("streams/info", PeerReply::json("", 403));
    poll();
    QTRY_COMPARE(localRows(roster.get())[0]->text(2), QString("Lab0 (0 camera)"));
    QVERIFY(capture.absent("a b&c%") && capture.absent("a%20b%26c%25"));
}

void tst_LocalRoster::pollsLongListsAFewAtATime()
{
    // One peer on every loopback address stands for 300 servers, 127.0.1.1 to 127.0.2.50.
    TestSupport::FakeVideoServer peer;
    peer.setPassword("pw");
    // Connections beyond the backlog would be tried again a second later.
    peer.setListenBacklogSize(256);
    QVERIFY(peer.start(QHostAddress::AnyIPv4));
    peer.holdReplies("streams/info");
    peer.holdReplies("vs_info/");
    QByteArrayList entries;
    for (int i = 0; i < 300; ++i) {
        const QByteArray host = "127.0." + QByteArray::number(1 + i / 250) + '.' + QByteArray::number(1 + i % 250);
        entries << entry(host, QByteArray::number(peer.port()), "S", "pw");
    }
    writeFile('[' + entries.join(',') + ']');
    TestSupport::MessageCapture capture;

    // Under a limit of 256 open files, which the client and the peer share here: each request costs two.
    rlimit old, low;
    ::getrlimit(RLIMIT_NOFILE, &old);
    low = {256, old.rlim_max};
    ::setrlimit(RLIMIT_NOFILE, &low);
    const std::shared_ptr<void> restore(nullptr, [&](void*) { ::setrlimit(RLIMIT_NOFILE, &old); });
    roster = std::make_unique<GUI::RosterWidget>();
    roster->resize(250, 780);
    roster->show();
    QVERIFY(QTest::qWaitForWindowExposed(roster.get()));
    roster->init(true);
    roster->findChild<QTimer*>("localPollTimer")->stop();
    // Only the rows in view have a widget.
    auto* tree = roster->findChild<QTreeWidget*>("treeWidget");
    tree->viewport()->repaint();
    const QList<LocalServerTreeItem*> rows = localRows(roster.get());
    const qsizetype shown =
        std::count_if(rows.cbegin(), rows.cend(), [&](auto* row) { return tree->itemWidget(row, 0); });
    QVERIFY(shown > 0 && shown < 40 && tree->itemWidget(rows[shown - 1], 0) && !tree->itemWidget(rows[shown], 0));

    // 32 servers at a time, the next ones as soon as answers free their places, each asked once in the cycle.
    QSet<QByteArray> asked;
    while (asked.size() < 300) {

        const int expected = 2 * qMin(32, 300 - int(asked.size()));
        QTRY_COMPARE(peer.heldCount(), expected);
        QSet<QByteArray> batch;
        for (const TestSupport::PeerRequest& request : peer.requests())
            batch.insert(request.header("Host"));
        batch.subtract(asked);
        QCOMPARE(batch.size(), expected / 2);
        asked.unite(batch);
        peer.releaseHeld();
    }
    QCOMPARE(peer.requests().size(), 600);
    for (LocalServerTreeItem* row : rows)
        QTRY_COMPARE(row->server()->state(), LocalVideoServer::Online);
    QVERIFY(capture.absent("Roster: local roster update error"));
    QFile file("still-opens.txt");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.remove();
}

void tst_LocalRoster::followsTheServerState_data()
{
    QTest::addColumn<bool>("closed");
    QTest::addColumn<PeerReply>("reply");
    QTest::addColumn<QString>("row");
    const QString online = "0 | server-icon | bold | Videoserver \"Lab0\" is online |  | Lab0 (%1) | bold";
    QTest::newRow("cameras") << false << PeerReply() << online.arg("2 cameras");
    QTest::newRow("object") << false << PeerReply::json("{\"id\":1}") << online.arg("0 camera");
    // The roster is narrower than these state lines: the tooltip ends with the whole line.
    QTest::newRow("denied") << false << PeerReply::json("no", 403)
                            << "1 | disable-server-icon | bold | Access for server \"Lab0\" is denied, please check "
                               "the server's password\nunavailable: wrong password or old version | unavailable: "
                               "wrong password or old version | Lab0 | normal";
    QTest::newRow("not JSON")
        << false << PeerReply::json("<html>")
        << "2 | disable-server-icon | bold | Videoserver Lab0 sends some bad data, please, update "
           "server and client software\nold version or bad connection | old version or bad connection | Lab0 | "
           "normal";
    QTest::newRow("refused") << true << PeerReply()
                             << "3 | off-server-icon | normal | Videoserver \"Lab0\" is offline | offline | Lab0 | "
                                "normal";
}

void tst_LocalRoster::followsTheServerState()
{
    QFETCH(bool, closed);
    QFETCH(PeerReply, reply);
    QFETCH(QString, row);
    start({{"pw", {{1, "Door"}, {2, "Gate"}}}});
    LocalServerTreeItem* item = localRows(roster.get())[0];
    QTRY_COMPARE(item->childCount(), 2);

    // From online with two cameras to what the reply tells.
    if (closed)
        peers[0]->close();
    else if (!reply.body.isNull())
        peers[0]->failCommand("streams/info", reply);
    QSignalSpy changed(roster.get(), &GUI::RosterWidget::localVideoserverStateChanged);
    QSignalSpy sorted(item->treeWidget()->model(), &QAbstractItemModel::layoutChanged);
    TestSupport::MessageCapture capture;
    poll();
    QTRY_COMPARE(describe(item), row);
    if (item->server()->state() == LocalVideoServer::Online)
        return;
    QCOMPARE(item->childCount(), 0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].value<LocalVideoServer*>(), item->server().get());
    const LocalVideoServer::LocalVideoServerState state = item->server()->state();
    QVERIFY(capture.contains(QString("onLocalVideoserverStateChanged: \"Lab0\" %1 \"%2\"")
                                 .arg(int(state))
                                 .arg(LocalVideoServer::stateText(state))));

    // The same failure again changes nothing.
    const int sorts = sorted.count();
    poll();
    QTRY_COMPARE(capture.count("Roster: local roster update error"), 2);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(sorted.count(), sorts);
}

void tst_LocalRoster::silentServersTimeOut()
{
    // Long enough for a question to reach the server on a loaded machine.
    Utils::setIntervalForTesting(Utils::Interval::LocalServerTimeout, 3000);
    TestSupport::ObjectCensus census;
    // An offline camera: no preview requests.
    start({{"pw", {{1, "Door", 0}}}});
    // Only the test polls: on a slow run the roster's own poll would ask again once the questions timed out.
    roster->findChild<QTimer*>("localPollTimer")->stop();
    QTRY_COMPARE(record(0)->state(), LocalVideoServer::Online);
    // Both first questions answered, so that the polls below ask both again.
    QTRY_COMPARE(census.alive("QuorvelClient::Core::StreamerClient"), 0);
    for (const char* command : {"streams/info", "vs_info/"})
        peers[0]->failCommand(command, PeerReply::withBehaviour(PeerReply::NeverAnswer));
    for (int cycle = 0; cycle < 3; ++cycle)
        poll();
    QTRY_COMPARE(peers[0]->requests().size(), 4);
    QTRY_COMPARE_WITH_TIMEOUT(record(0)->state(), LocalVideoServer::Offline, 10000);
    QCOMPARE(localRows(roster.get())[0]->childCount(), 0);
    QCOMPARE(peers[0]->requests().size(), 4);
    peers[0]->clearFailures();
    poll();
    QTRY_COMPARE(record(0)->state(), LocalVideoServer::Online);
}

// 33 servers that send a byte every 100 ms and never end, listed before 7 good ones: each of the 32 places is
// given back after the time-out, and the good servers come online in the first cycle.
void tst_LocalRoster::tricklingServersLetTheOthersIn()
{
    // Long enough for a good server to answer on a loaded machine.
    Utils::setIntervalForTesting(Utils::Interval::LocalServerTimeout, 2500);
    TestSupport::FakeVideoServer slow, good;
    for (auto* peer : {&slow, &good}) {
        peer->setPassword("pw");
        peer->setListenBacklogSize(256);
        QVERIFY(peer->start(QHostAddress::AnyIPv4));
    }
    for (const char* command : {"streams/info", "vs_info/"})
        slow.failCommand(command, PeerReply::trickle(100, PeerReply::json(QByteArray(100000, ' ') + "[]")));
    QByteArrayList entries;
    for (int i = 1; i <= 33; ++i)
        entries << entry("127.0.1." + QByteArray::number(i), QByteArray::number(slow.port()), "Slow", "pw");
    for (int i = 1; i <= 7; ++i)
        entries << entry("127.0.2." + QByteArray::number(i), QByteArray::number(good.port()), "Good", "pw");
    writeFile('[' + entries.join(',') + ']');
    TestSupport::ObjectCensus census;
    roster = std::make_unique<GUI::RosterWidget>();
    roster->init(true);
    roster->findChild<QTimer*>("localPollTimer")->stop();

    const auto states = [this](const QString& name) {
        QList<LocalVideoServer::LocalVideoServerState> list;
        for (LocalServerTreeItem* row : localRows(roster.get())) {
            if (row->server()->name() == name)
                list << row->server()->state();
        }
        return list;
    };
    QTRY_COMPARE_WITH_TIMEOUT(states("Good"),
                              QList<LocalVideoServer::LocalVideoServerState>(7, LocalVideoServer::Online), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(census.alive("QuorvelClient::Core::StreamerClient"), 0, 10000);
    QCOMPARE(states("Slow"), QList<LocalVideoServer::LocalVideoServerState>(33, LocalVideoServer::Offline));
    // Each server asked once, with one request of each kind.
    QSet<QByteArray> asked;
    for (const TestSupport::PeerRequest& request : slow.requests())
        asked.insert(request.header("Host") + request.path);
    QCOMPARE(asked.size(), 66);
    QCOMPARE(slow.requests().size(), 66);
    QCOMPARE(good.requests().size(), 14);
}

void tst_LocalRoster::aPollCycleSumsUpItsFailures_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("50 and 50, every line") << 50;
    QTest::newRow("200 and 200") << 200;
}

// Servers that answer and as many that refuse the connection, over three cycles: the answering ones come online
// with two cameras, then drop both for a third, then refuse the password. Each kind of line is written for the
// first hundred servers or cameras of a cycle, and the others are counted in one line; so are the list file's
// servers, made at once.
void tst_LocalRoster::aPollCycleSumsUpItsFailures()
{
    QFETCH(int, count);
    TestSupport::FakeVideoServer peer;
    peer.setPassword("pw");
    // Offline cameras: no previews are asked.
    peer.setCameras({{1, "Door", 0}, {2, "Gate", 0}});
    peer.setListenBacklogSize(256);
    QVERIFY(peer.start(QHostAddress::AnyIPv4));
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::AnyIPv4));
    const QByteArray closedPort = QByteArray::number(closed.serverPort());
    closed.close();
    QByteArrayList entries;
    for (int i = 1; i <= count; ++i) {
        entries << entry("127.0.3." + QByteArray::number(i), QByteArray::number(peer.port()), "Answers", "pw");
        entries << entry("127.0.4." + QByteArray::number(i), closedPort, "Closed", "pw");
    }
    writeFile('[' + entries.join(',') + ']');
    TestSupport::MessageCapture capture;
    roster = std::make_unique<GUI::RosterWidget>();
    TestSupport::ObjectCensus census;

    // Events of each kind in a cycle: camera list errors, server information errors, state changes, removals.
    const QList<QList<int>> events{
        {count, count, count, 0}, {count, count, 0, 2 * count}, {2 * count, 2 * count, count, count}};
    const QStringList kinds{"roster update errors", "vs_info update errors", "server state changes", "camera removals"};
    const QStringList labels{"Roster: local roster update error", "Roster: local vs_info update error",
                             "onLocalVideoserverStateChanged: \"Answers\"", "Local videoserver: removed"};
    const auto summary = [](int events, const QString& what) {
        return events > 100 ? QStringList(QString::fromUtf8("\u2026 and %1 more local %2").arg(events - 100).arg(what))
                            : QStringList();
    };
    for (int cycle = 0; cycle < 3; ++cycle) {
        if (cycle == 0) {
            roster->init(true);
            roster->findChild<QTimer*>("localPollTimer")->stop();
        } else {
            if (cycle == 1)
                peer.setCameras({{3, "Yard", 0}});
            else
                peer.setPassword("changed");
            poll();
        }
        QStringList expected;
        QStringList summaries = cycle == 0 ? summary(2 * count, "videoservers created") : QStringList();
        for (int kind = 0; kind < kinds.size(); ++kind) {
            expected << QString("%1 %2").arg(qMin(events[cycle][kind], 100)).arg(labels[kind]);
            summaries << summary(events[cycle][kind], kinds[kind]);
        }
        const auto tally = [&] {
            QStringList seen;
            for (const QString& label : labels)
                seen << QString("%1 %2").arg(capture.count(label)).arg(label);
            return seen + capture.messages().filter(QString::fromUtf8("\u2026"));
        };
        QTRY_COMPARE_WITH_TIMEOUT(tally(), expected + summaries, 20000);
        QTRY_COMPARE(census.alive("QuorvelClient::Core::StreamerClient"), 0);
        QCOMPARE(record(0)->state(), cycle < 2 ? LocalVideoServer::Online : LocalVideoServer::AccessDenied);
        QCOMPARE(cameras(record(0)), QString(cycle == 0 ? "1:Door:2 2:Gate:2" : cycle == 1 ? "3:Yard:2" : ""));
        QCOMPARE(localRows(roster.get()).constLast()->server()->state(), LocalVideoServer::Offline);

        const QStringList lines = capture.messages();
        const int errors = qMin(events[cycle][0], 100) + qMin(events[cycle][1], 100);
        const int changes = qMin(events[cycle][2], 100);
        // Each error line follows the client's own line about it, as a client outside the poll writes it.
        for (int i = 1; i < lines.size(); ++i) {
            if (lines[i].startsWith("Roster: local"))
                QVERIFY2(lines[i - 1].startsWith("HTTP error: "), qPrintable(lines[i - 1]));
        }
        const int refused = capture.count("HTTP error: 1 \"Connection refused\"");
        QCOMPARE(refused + capture.count("HTTP error: HTTP status: 403 \"Forbidden\""), errors);
        QVERIFY(cycle == 2 || refused == errors);
        QCOMPARE(capture.count("Local videoserver state changed to: "), changes);
        const int created = cycle == 0 ? qMin(2 * count, 100) : 0;
        QCOMPARE(capture.count("Created"), created);
        QCOMPARE(lines.size(), created + 2 * errors + 2 * changes + qMin(events[cycle][3], 100) + summaries.size());
        capture.clear();
    }
}

void tst_LocalRoster::camerasAndCapabilitiesFollowTheReplies()
{
    TestSupport::ObjectCensus census;
    start({{"pw", {}}});
    peers[0]->setFunctions({});
    peers[0]->failCommand(
        "streams/info",
        PeerReply::json("[{\"id\":1,\"name\":\"A\",\"status\":0},{\"id\":2,\"name\":\"B\",\"status\":5},"
                        "{\"id\":3,\"name\":\"C\",\"status\":-1},{\"id\":4,\"name\":\"D\"},"
                        "{\"id\":5,\"name\":\"E\",\"status\":\"x\"},{\"name\":\"no id\"},{\"id\":\"x\"},"
                        "{\"id\":4294967297,\"name\":\"wraps\"},{\"id\":6.5},7,{}]"));
    poll();
    QTRY_COMPARE(cameras(record(0)), QString("1:A:2 2:B:0 3:C:0 4:D:2 5:E:2"));
    QCOMPARE(localRows(roster.get())[0]->text(2), QString("Lab0 (5 cameras)"));
    const Core::CameraPtr kept = record(0)->cameras().value(2);
    // A server is not asked again while a question of the same kind is out: the next cycle asks anew once all are
    // answered.
    QTRY_COMPARE(census.alive("QuorvelClient::Core::StreamerClient"), 0);

    // A renamed camera keeps its first name; capabilities only ever turn on, for the server and its cameras.
    peers[0]->setFunctions({"arc_export"});
    peers[0]->failCommand("streams/info", PeerReply::json("[{\"id\":2,\"name\":\"B2\",\"status\":1}]"));
    poll();
    QTRY_VERIFY(record(0)->isArchiveExportSupported());
    QTRY_COMPARE(cameras(record(0)), QString("2:B:0"));
    QVERIFY(kept->isArchiveExportSupported() && !kept->isArchiveSearchSupported());

    // An opened camera whose server went away comes back as the same record, with the new name, flags and the
    // server's password.
    roster->addOpenedCamera(kept);
    peers[0]->failCommand("streams/info", PeerReply::json("[]", 500));
    poll();
    QTRY_COMPARE(record(0)->state(), LocalVideoServer::AccessDenied);
    // The server's capabilities are asked with the new password too, and their later [] leaves export on.
    record(0)->setPassword("new");
    peers[0]->setPassword("new");
    peers[0]->setFunctions({});
    peers[0]->failCommand("streams/info", PeerReply::json("[{\"id\":2,\"name\":\"B3\",\"status\":0}]"));
    poll();
    QTRY_COMPARE(cameras(record(0)), QString("2:B3:2"));
    QCOMPARE(record(0)->cameras().value(2), kept);
    QCOMPARE(kept->password(), QString("new"));
    QTRY_COMPARE(census.alive("QuorvelClient::Core::StreamerClient"), 0);
    QVERIFY(record(0)->isArchiveExportSupported() && kept->isArchiveExportSupported());
}

void tst_LocalRoster::repliesLayTheTreeOutOnce()
{
    // An expanded server's cameras coming, all at once replaced by others, and going: a few layouts of the tree for
    // each reply, not one per row.
    start({{"pw", {}}});
    QVERIFY(QTest::qWaitForWindowExposed(roster.get()));
    LocalServerTreeItem* row = localRows(roster.get())[0];
    row->setExpanded(true);
    QTRY_COMPARE(record(0)->state(), LocalVideoServer::Online);
    TestSupport::RowLayouts layouts(row->treeWidget());
    QList<TestSupport::FakeCamera> cameras;
    for (int id = 1; id <= 300; ++id)
        cameras << TestSupport::FakeCamera{id, QString("Camera %1").arg(id)};
    for (int step = 0; step < 3; ++step) {
        peers[0]->setCameras(step == 2 ? QList<TestSupport::FakeCamera>() : cameras);
        poll();
        QTRY_COMPARE(record(0)->cameras().keys().value(0), step == 2 ? 0 : 1 + 300 * step);
        QCOMPARE(row->childCount(), step == 2 ? 0 : 300);
        row->treeWidget()->viewport()->repaint();
        QVERIFY2(layouts.most() <= 6, qPrintable(QString("step %1: laid out %2 times").arg(step).arg(layouts.most())));
        layouts.clear();
        for (TestSupport::FakeCamera& camera : cameras)
            camera.id += 300;
    }
    QVERIFY(row->isExpanded());
}

void tst_LocalRoster::repeatedCamerasApplyOnce()
{
    start({{"pw", {{1, "Door", 0}, {2, "Gate", 0}, {3, "Yard", 0}}}});
    roster->resize(250, 780);
    QVERIFY(QTest::qWaitForWindowExposed(roster.get()));
    LocalServerTreeItem* row = localRows(roster.get())[0];
    row->setExpanded(true);
    QTRY_COMPARE(row->childCount(), 3);
    // The rows are painted: their cameras' previews are asked for whenever they come online.
    row->treeWidget()->viewport()->repaint();
    peers[0]->holdReplies("preview/live");
    QList<std::shared_ptr<QSignalSpy>> changes;
    for (const Core::CameraPtr& camera : record(0)->cameras())
        changes << std::make_shared<QSignalSpy>(camera.get(), &Core::Camera::flagsChanged);

    QObject context;
    connect(record(0).get(), &LocalVideoServer::cameraAdded, &context, [&changes](const Core::CameraPtr& camera) {
        changes << std::make_shared<QSignalSpy>(camera.get(), &Core::Camera::flagsChanged);
    });

    // Each camera turned on and off 500 times, last on; a new camera listed twice, first offline and then online,
    // and another new one listed once between its two entries.
    QByteArrayList entries;
    for (int i = 0; i < 3000; ++i)
        entries << "{\"id\":" + QByteArray::number(1 + i % 3) + ",\"status\":" + QByteArray::number(i / 3 % 2 ? 1 : 0) +
                       "}";
    entries.insert(1, "{\"id\":4,\"name\":\"First\",\"status\":0}");
    entries.insert(2, "{\"id\":5,\"name\":\"Pole\",\"status\":0}");
    entries << "{\"id\":4,\"name\":\"Last\",\"status\":1}";
    peers[0]->failCommand("streams/info", PeerReply::json('[' + entries.join(',') + ']'));
    TestSupport::MessageCapture capture;
    poll();
    // The first entry of an id builds the camera, in its place; the later ones only set its status.
    QTRY_COMPARE(cameras(record(0)), QString("1:Door:0 2:Gate:0 3:Yard:0 4:First:0 5:Pole:2"));
    QList<Core::camera_id_t> order;
    for (int i = 0; i < row->childCount(); ++i)
        order << static_cast<GUI::CameraTreeItem*>(row->child(i))->camera()->id();
    QCOMPARE(order, QList<Core::camera_id_t>({1, 2, 3, 4, 5}));
    // One change and one preview request for each camera that came online, and a few log lines.
    QCOMPARE(changes.size(), 5);
    for (int camera = 0; camera < 5; ++camera)
        QCOMPARE(changes[camera]->count(), camera < 4 ? 1 : 0);
    const auto previews = [this](int camera) {
        int count = 0;
        for (const TestSupport::PeerRequest& request : peers[0]->requests())
            count += request.path.endsWith("preview/live") && request.queryItem("camera") == QString::number(camera);
        return count;
    };
    QTRY_COMPARE(previews(1) + previews(2) + previews(3) + previews(4), 4);
    QCOMPARE(QList<int>({previews(1), previews(2), previews(3), previews(4), previews(5)}),
             QList<int>({1, 1, 1, 1, 0}));
    QWidget* widget = row->treeWidget()->itemWidget(row->child(3), 0);
    QCOMPARE(widget->findChild<QLabel*>("name")->text(), QString("First"));
    QVERIFY(widget->findChild<QLabel*>("state")->isHidden());
    QCOMPARE(row->child(3)->toolTip(0), QString("\"First\" camera is online"));
    QVERIFY2(capture.messages().size() < 10, qPrintable(capture.messages().mid(0, 10).join('\n')));

    // While the requests are out, each refresh tick says so once for each camera online.
    capture.clear();
    for (int tick = 0; tick < 2; ++tick)
        QMetaObject::invokeMethod(Core::PreviewLoader::instance(), "updatePreviews");
    QStringList told;
    for (const Core::CameraPtr& camera : record(0)->cameras()) {
        if (camera->flags())
            continue;
        told << QString("Request for camera QPair(\"%1\",%2) already exists, will not create new request")
                    .arg(record(0)->id())
                    .arg(camera->id());
    }
    QCOMPARE(capture.messages(), told + told);
}

QUORVEL_TEST_MAIN(tst_LocalRoster)
#include "tst_LocalRoster.moc"
