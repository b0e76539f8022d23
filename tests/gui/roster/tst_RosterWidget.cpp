#include "core/PreviewLoader.h"
#include "core/SessionManager.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/CameraWidget.h"
#include "gui/roster/RosterWidget.h"
#include "gui/roster/ServerTreeItem.h"
#include "peer/FakeNetwork.h"
#include "peer/FakeVideoServer.h"
#include "support/MessageCapture.h"
#include "support/ObjectCensus.h"
#include "support/PeerNameProbe.h"
#include "support/RowLayouts.h"
#include "support/TestEnvironment.h"
#include "utils/ServiceHosts.h"
#include "utils/Settings.h"

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace QuorvelClient;
using Core::Camera;
using Core::VideoServer;
using GUI::CameraTreeItem;
using GUI::ServerTreeItem;

namespace {

QVariantMap camera(int id, const QString& name, bool online = true, bool archive = true, QSize size = {1280, 720})
{
    const QVariantMap services{{"enabled", QVariantMap{{"active", "true"}}},
                               {"archive", QVariantMap{{"active", archive ? "true" : "false"}}}};
    return {{"id", id},
            {"name", name},
            {"online", online},
            {"width", size.width()},
            {"height", size.height()},
            {"vcodec", "h264"},
            {"services", services}};
}

// A camera whose service is not active; without an "active" value the reason reads "camera".
QVariantMap unpaid(int id, const QVariant& active = QVariant())
{
    QVariantMap enabled;
    if (active.isValid())
        enabled.insert("active", active);
    return {{"id", id}, {"online", true}, {"services", QVariantMap{{"enabled", enabled}}}};
}

QVariantMap server(const QString& id, const QString& name, bool online, const QVariantList& cameras = {})
{
    QVariantMap map;
    for (const QVariant& object : cameras)
        map.insert(QString::number(map.size()), object);
    return {{"id", id}, {"name", name}, {"online", online}, {"owner", true}, {"cameras", map}};
}

QVariantMap rosterOf(const QVariantList& servers)
{
    QVariantMap map;
    for (const QVariant& object : servers)
        map.insert(QString(QLatin1Char(char('a' + map.size()))), object);
    return map;
}

// A row gets its widget when the tree is painted.
QLabel* label(QTreeWidgetItem* item, const char* name)
{
    item->treeWidget()->viewport()->repaint();
    return item->treeWidget()->itemWidget(item, 0)->findChild<QLabel*>(name);
}

bool hasServerIcon(QTreeWidgetItem* item)
{
    return item->icon(0).pixmap(24).toImage() == QIcon(":icons/server-icon.png").pixmap(24).toImage();
}

template <typename Row> QList<Row*> rowsOf(QTreeWidget* tree)
{
    QList<Row*> found;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if ((*it)->type() == Row::Type)
            found << static_cast<Row*>(*it);
    }
    return found;
}

} // namespace

class tst_RosterWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    // First, while no preview request of an earlier test can still be on its way to the streaming server.
    void showsTheAccountRoster();
    void firstFillExpandsSmallRosters_data();
    void firstFillExpandsSmallRosters();
    void onlyShownRowsHaveWidgets();
    void repliesLayTheTreeOutOnce();
    void mergesLaterReplies();
    void repliesBuildRecords_data();
    void repliesBuildRecords();
    void failedRequests_data();
    void failedRequests();
    void silentAndLateRequestsAreReleased();
    void filtersAndSortsServerRows();

private:
    ServerTreeItem* serverRow(const QString& alias) const;
    CameraTreeItem* cameraRow(const QString& serverId, int id) const;
    QStringList serverTexts(bool visibleOnly = false) const;
    int previews(const QString& serverId, int camera = 0) const;
    void start(const QVariantMap& servers, int serverCount);
    void tick() { QMetaObject::invokeMethod(roster, "requestServerList"); }
    QTimer* timer(const char* name) const { return roster->findChild<QTimer*>(name); }

    TestSupport::FakeNetwork* net = nullptr;
    TestSupport::FakeVideoServer* streamer = nullptr;
    std::unique_ptr<TestSupport::ObjectCensus> census;
    GUI::RosterWidget* roster = nullptr;
    QTreeWidget* tree = nullptr;
};

void tst_RosterWidget::initTestCase()
{
    net = new TestSupport::FakeNetwork(this);
    QVERIFY(net->start());
    net->service.addAccount("user@quorvel.example", "right");
    net->useProxy();
    streamer = new TestSupport::FakeVideoServer(this);
    streamer->setSessionCheck([this](const QString& id) { return net->service.sessions().contains(id); });
    streamer->setCameras({{1, "Entrance"}, {2, "Yard"}, {3, "Gate"}});
    QVERIFY(streamer->start());
    net->proxy.map(Utils::ServiceHosts::streamerHost, 80, QHostAddress::LocalHost, streamer->port());

    Core::SessionManager::create("user@quorvel.example", "right");
    QSignalSpy signedIn(Core::SessionManager::instance(), &Core::SessionManager::newSessionId);
    Core::SessionManager::instance()->requestSessionId();
    QVERIFY(signedIn.wait(10000));
}

void tst_RosterWidget::init()
{
    net->service.setRoster(TestSupport::FakeService::sampleRoster());
    net->service.clearRequests();
    streamer->clearRequests();
    census = std::make_unique<TestSupport::ObjectCensus>();
    roster = new GUI::RosterWidget;
    roster->resize(250, 780);
    roster->show();
    QVERIFY(QTest::qWaitForWindowExposed(roster));
    tree = roster->findChild<QTreeWidget*>("treeWidget");
}

void tst_RosterWidget::cleanup()
{
    roster->deinit();
    delete roster;
    census.reset();
}

ServerTreeItem* tst_RosterWidget::serverRow(const QString& alias) const
{
    for (ServerTreeItem* row : rowsOf<ServerTreeItem>(tree)) {
        if (row->server()->alias() == alias)
            return row;
    }
    return nullptr;
}

CameraTreeItem* tst_RosterWidget::cameraRow(const QString& serverId, int id) const
{
    for (CameraTreeItem* row : rowsOf<CameraTreeItem>(tree)) {
        if (row->camera()->globalId() == Core::camera_global_id_t(serverId, id))
            return row;
    }
    return nullptr;
}

QStringList tst_RosterWidget::serverTexts(bool visibleOnly) const
{
    QStringList texts;
    for (ServerTreeItem* row : rowsOf<ServerTreeItem>(tree)) {
        if (!visibleOnly || !row->isHidden())
            texts << row->text(2);
    }
    return texts;
}

int tst_RosterWidget::previews(const QString& serverId, int camera) const
{
    int count = 0;
    for (const TestSupport::PeerRequest& request : streamer->requests()) {
        count += request.queryItem("server") == serverId &&
                 (camera == 0 || request.queryItem("camera") == QString::number(camera));
    }
    return count;
}

void tst_RosterWidget::start(const QVariantMap& servers, int serverCount)
{
    net->service.setRoster(servers);
    roster->init(false);
    QTRY_COMPARE_WITH_TIMEOUT(rowsOf<ServerTreeItem>(tree).size(), serverCount, 20000);
}

void tst_RosterWidget::showsTheAccountRoster()
{
    start(TestSupport::FakeService::sampleRoster(), 2);
    const QByteArray session = Core::SessionManager::instance()->sessionId().toUtf8();
    QCOMPARE(net->service.requests().size(), 1);
    QCOMPARE(net->service.lastRequest().target, "/3.1/public/roster?sessionId=" + session);
    QVERIFY(timer("rosterRequestTimer")->isActive() && timer("localPollTimer")->isActive());
    QCOMPARE(timer("rosterRequestTimer")->interval(), 20000);
    QCOMPARE(timer("localPollTimer")->interval(), 8000);
    QCOMPARE(serverTexts(), QStringList({"Office (2 cameras)", "Home (1 camera)"}));
    QTreeWidgetItem* internet = tree->topLevelItem(0);
    QVERIFY(internet->isExpanded() && internet->child(0)->isExpanded() && internet->child(1)->isExpanded());

    ServerTreeItem* office = serverRow("Office");
    QVERIFY(hasServerIcon(office) && label(office, "name")->font().bold());
    QCOMPARE(office->toolTip(0), QString("Videoserver \"Office\" is online"));
    // Offline, but with archive.
    QVERIFY(hasServerIcon(serverRow("Home")));
    QCOMPARE(label(serverRow("Home"), "state")->text(), QString("offline"));
    QCOMPARE(cameraRow("srv-office", 1)->toolTip(0), QString("\"Entrance\" camera is online"));
    QCOMPARE(cameraRow("srv-office", 2)->toolTip(0), QString("\"Yard\" camera is offline"));

    QLabel* preview = label(cameraRow("srv-office", 1), "preview");
    const QColor expected = QImage::fromData(TestSupport::FakeVideoServer::previewJpeg(1)).pixelColor(160, 120);
    auto shown = [&] {
        const QColor seen = preview->grab().toImage().pixelColor(preview->width() / 2, preview->height() / 2);
        return qAbs(seen.red() - expected.red()) + qAbs(seen.green() - expected.green()) +
                   qAbs(seen.blue() - expected.blue()) <
               30;
    };
    QTRY_VERIFY(shown());
    // Offline cameras are not asked for.
    QCOMPARE(streamer->requests().size(), 1);
    QCOMPARE(streamer->lastRequest().target, "/preview/live?camera=1&q=0&server=srv-office&sessionId=" + session);
}

void tst_RosterWidget::firstFillExpandsSmallRosters_data()
{
    QTest::addColumn<int>("cameras");
    QTest::addColumn<bool>("expanded");
    QTest::newRow("10 cameras") << 10 << true;
    QTest::newRow("11 cameras") << 11 << false;
}

void tst_RosterWidget::firstFillExpandsSmallRosters()
{
    QFETCH(int, cameras);
    QFETCH(bool, expanded);
    QVariantList a, b;
    for (int id = 1; id <= cameras; ++id)
        (id <= 5 ? a : b) << camera(id, QString("Cam %1").arg(id));
    // Ids of this row only: requests of an earlier row may still arrive.
    const QString idA = QString("a%1").arg(cameras), idB = QString("b%1").arg(cameras);
    start(rosterOf({server(idA, "A", true, a), server(idB, "B", true, b)}), 2);
    QVERIFY(tree->topLevelItem(0)->isExpanded());
    QCOMPARE(serverRow("A")->isExpanded(), expanded);
    QCOMPARE(serverRow("B")->isExpanded(), expanded);
    if (expanded)
        return;

    // Rows under a collapsed server have no widget. Previews are asked for once a row is painted, again after each
    // time it was hidden, and never for rows under a collapsed server.
    QVERIFY(!tree->itemWidget(cameraRow(idA, 1), 0));
    serverRow("A")->setExpanded(true);
    QTRY_COMPARE(previews(idA, 1), 1);
    QWidget* widget = tree->itemWidget(cameraRow(idA, 1), 0);
    serverRow("A")->setExpanded(false);
    QTRY_VERIFY(!widget->isVisible());
    serverRow("A")->setExpanded(true);
    QTRY_COMPARE(previews(idA, 1), 2);
    QCOMPARE(previews(idB), 0);
}

void tst_RosterWidget::onlyShownRowsHaveWidgets()
{
    start(TestSupport::FakeService::generatedRoster(30, 20), 30);
    // The rows with a widget once the tree is painted.
    const auto widgetRows = [this] {
        tree->viewport()->repaint();
        QList<CameraTreeItem*> rows;
        for (CameraTreeItem* row : rowsOf<CameraTreeItem>(tree)) {
            if (tree->itemWidget(row, 0))
                rows << row;
        }
        return rows;
    };
    QCOMPARE(widgetRows().size(), 0);
    QCOMPARE(roster->findChildren<CameraWidget*>().size(), 0);

    roster->expandAll();
    QList<CameraTreeItem*> shown = widgetRows();
    QVERIFY(!shown.isEmpty());
    for (CameraTreeItem* row : std::as_const(shown)) {
        QVERIFY(tree->viewport()->rect().intersects(tree->visualItemRect(row)));
        QCOMPARE(tree->itemWidget(row, 0)->geometry(), tree->visualItemRect(row));
    }
    QVERIFY(!tree->viewport()->rect().contains(tree->visualItemRect(rowsOf<CameraTreeItem>(tree)[shown.size()])));

    // A row is as high before its widget is made as after: server and camera rows, with a state line or without.
    CameraTreeItem* last = rowsOf<CameraTreeItem>(tree).last();
    QTreeWidgetItem* lastServer = last->QTreeWidgetItem::parent();
    QVERIFY(!tree->itemWidget(lastServer, 0));
    static_cast<ServerTreeItem*>(lastServer)->server()->setFlags(VideoServer::Offline);
    last->camera()->setFlags(Camera::Offline);
    QHash<QTreeWidgetItem*, int> heights;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        heights.insert(*it, tree->visualItemRect(*it).height());
    tree->scrollToItem(lastServer, QAbstractItemView::PositionAtTop);
    widgetRows();
    QVERIFY(tree->itemWidget(lastServer, 0) && !tree->itemWidget(last, 0));
    tree->scrollToItem(last);
    shown = widgetRows();
    QVERIFY(shown.contains(last));
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        QCOMPARE(tree->visualItemRect(*it).height(), heights.value(*it));
    QVERIFY(tree->viewport()->rect().contains(tree->visualItemRect(last)));
    QCOMPARE(roster->findChildren<CameraWidget*>().size(), shown.size());
    QVERIFY(shown.size() < 30);

    // Only painted rows of online cameras ask for previews.
    shown.removeOne(last);
    const QRegularExpression generated("^srv-\\d+$");
    QSet<Core::camera_global_id_t> asked;
    const auto askedFor = [&] {
        for (const TestSupport::PeerRequest& request : streamer->requests()) {
            if (generated.match(request.queryItem("server")).hasMatch())
                asked.insert({request.queryItem("server"), request.queryItem("camera").toInt()});
        }
        return asked.size();
    };
    QTRY_COMPARE(askedFor(), shown.size());
    for (CameraTreeItem* row : std::as_const(shown))
        QVERIFY(asked.contains(row->camera()->globalId()));
}

void tst_RosterWidget::repliesLayTheTreeOutOnce()
{
    // However many rows a reply adds or takes out, the tree is laid out a few times for it, not once per row.
    TestSupport::RowLayouts layouts(tree);
    const auto tooManyLayouts = [&] {
        tree->viewport()->repaint();
        const int most = layouts.most();
        layouts.clear();
        return most <= 6 ? QString() : QString("laid out %1 times").arg(most);
    };
    // Many servers of one camera each, their rows collapsed.
    net->service.setRoster(TestSupport::FakeService::generatedRoster(300, 1));
    roster->init(false);
    layouts.clear();
    QTRY_COMPARE_WITH_TIMEOUT(rowsOf<ServerTreeItem>(tree).size(), 300, 20000);
    QCOMPARE(tooManyLayouts(), QString());
    roster->expandAll();
    QCOMPARE(tooManyLayouts(), QString());

    // Half the servers gone, two cameras more on each of the others; the current row and the expanded rows stay.
    CameraTreeItem* current = cameraRow("srv-120", 1);
    tree->setCurrentItem(current);
    net->service.setRoster(TestSupport::FakeService::generatedRoster(150, 3));
    tick();
    QTRY_COMPARE_WITH_TIMEOUT(rowsOf<CameraTreeItem>(tree).size(), 450, 20000);
    QCOMPARE(rowsOf<ServerTreeItem>(tree).size(), 150);
    QCOMPARE(tooManyLayouts(), QString());
    QCOMPARE(tree->currentItem(), current);
    for (ServerTreeItem* row : rowsOf<ServerTreeItem>(tree))
        QVERIFY(row->isExpanded());

    // Every camera gone.
    net->service.setRoster(TestSupport::FakeService::generatedRoster(150, 0));
    tick();
    QTRY_COMPARE_WITH_TIMEOUT(rowsOf<CameraTreeItem>(tree).size(), 0, 20000);
    QCOMPARE(tooManyLayouts(), QString());
    roster->collapseAll();
    QCOMPARE(tooManyLayouts(), QString());
}

void tst_RosterWidget::mergesLaterReplies()
{
    start(rosterOf({server("srv-office", "Office", true,
                           {camera(1, "Entrance", true, false), camera(2, "Yard", true, false)}),
                    server("srv-home", "Home", true, {camera(1, "Hall")})}),
          2);
    QTRY_COMPARE(previews("srv-home", 1), 1);
    const Core::VideoServerPtr office = serverRow("Office")->server();
    const Core::CameraPtr entrance = office->cameras().value(1);
    const Core::CameraPtr yard = office->cameras().value(2);
    roster->addOpenedCamera(yard);

    // Renamed and gone offline, now with archive; Yard dropped, Gate added, Home gone.
    net->service.setRoster(
        rosterOf({server("srv-office", "Head office", false, {camera(1, "Entrance"), camera(3, "Gate")})}));
    tick();
    QTRY_VERIFY(serverRow("Head office"));
    QCOMPARE(serverRow("Head office")->server(), office);
    QCOMPARE(office->cameras().value(1), entrance);
    QVERIFY(!cameraRow("srv-office", 2) && hasServerIcon(serverRow("Head office")));
    QCOMPARE(serverTexts(), QStringList({"Head office (2 cameras)"}));
    QTRY_COMPARE(previews("srv-office", 3), 1);
    QTRY_COMPARE(census->alive("QuorvelClient::GUI::ServerTreeItem"), 1);
    // Home's camera left the preview loader with its row.
    const int homeAsked = previews("srv-home");
    QSignalSpy refreshed(entrance.get(), &Camera::previewChanged);
    Core::PreviewLoader::instance()->start();
    QTRY_VERIFY(refreshed.count() > 0);
    QCOMPARE(previews("srv-home"), homeAsked);

    // The same reply again changes nothing: no signal of the records, no row added or removed.
    QList<std::shared_ptr<QSignalSpy>> spies;
    for (QObject* record : std::initializer_list<QObject*>{office.get(), entrance.get()}) {
        for (int i = QObject::staticMetaObject.methodCount(); i < record->metaObject()->methodCount(); ++i) {
            if (record->metaObject()->method(i).methodType() == QMetaMethod::Signal)
                spies << std::make_shared<QSignalSpy>(record, record->metaObject()->method(i));
        }
    }
    spies << std::make_shared<QSignalSpy>(tree->model(), &QAbstractItemModel::rowsInserted)
          << std::make_shared<QSignalSpy>(tree->model(), &QAbstractItemModel::rowsRemoved);
    tick();
    QTRY_COMPARE(census->alive("QuorvelClient::Core::RestClient"), 0);
    for (const auto& spy : std::as_const(spies))
        QCOMPARE(spy->count(), 0);

    // An open camera that comes back is the record its player holds, with the new name and flags.
    net->service.setRoster(
        rosterOf({server("srv-office", "Head office", false,
                         {camera(1, "Entrance"), camera(2, "Back yard", false), camera(3, "Gate")})}));
    tick();
    QTRY_VERIFY(cameraRow("srv-office", 2));
    QCOMPARE(cameraRow("srv-office", 2)->camera(), yard);
    QCOMPARE(yard->name(), QString("Back yard"));
    QCOMPARE(yard->flags(), Camera::CameraFlags(Camera::Offline));
}

void tst_RosterWidget::repliesBuildRecords_data()
{
    // Each server row's record: alias, flags, service status, archive mark and cameras (number, flags, size).
    QTest::addColumn<QVariant>("payload");
    QTest::addColumn<QString>("records");
    const QVariantMap office = TestSupport::FakeService::sampleRoster().value("a").toMap();
    QTest::newRow("not an object") << QVariant(QVariantList{office}) << "";
    QTest::newRow("empty") << QVariant(QVariantMap()) << "";
    QTest::newRow("known server malformed")
        << QVariant(QVariantMap{{"a", office}, {"b", "junk"}}) << "Office 0 \"\" archive [1 0 1280x720] [2 2 1280x720]";
    QTest::newRow("same id twice") << QVariant(rosterOf({server("x", "First", true), server("x", "Second", true)}))
                                   << "Second 0 \"\"";
    // The last object of a camera id replaces the camera built from the ones before it.
    QTest::newRow("camera id twice")
        << QVariant(rosterOf(
               {server("x", "X", true, {camera(1, "A", true, true, {800, 600}), camera(1, "B", false, false)})}))
        << "X 0 \"\" archive [1 2 1280x720]";
    QTest::newRow("missing keys") << QVariant(rosterOf({QVariantMap{{"id", "x"}, {"name", "Bare"}}})) << "Bare 8 \"\"";
    QTest::newRow("offline keeps archive cameras")
        << QVariant(rosterOf({server("x", "X", false, {camera(1, "A", false), camera(2, "B", true, false)})}))
        << "X 8 \"\" archive [1 2 1280x720]";
    QTest::newRow("no services") << QVariant(rosterOf(
                                        {server("x", "X", true,
                                                {QVariantMap{{"id", 1}, {"online", true}}, QVariantMap{{"id", 2}}})}))
                                 << "X 2 \"\" [1 1 640x480] [2 3 640x480]";
    QTest::newRow("billing wins") << QVariant(rosterOf({server(
                                         "x", "X", true, {unpaid(1, "other"), unpaid(2, "billing"), camera(3, "C")})}))
                                  << "X 1 \"billing\" archive [1 1 640x480] [2 1 640x480] [3 0 1280x720]";
    QTest::newRow("first reason stays") << QVariant(rosterOf({server("x", "X", true, {unpaid(1, "other"), unpaid(2)})}))
                                        << "X 2 \"other\" [1 1 640x480] [2 1 640x480]";
    QTest::newRow("sizes") << QVariant(rosterOf({server("x", "X", true,
                                                        {camera(1, "A", true, true, {2400, 2000}),
                                                         camera(2, "B", true, true, {2401, 720}),
                                                         camera(3, "C", true, true, {1280, 59})})}))
                           << "X 0 \"\" archive [1 0 2400x2000] [2 0 640x480] [3 0 640x480]";
}

void tst_RosterWidget::repliesBuildRecords()
{
    QFETCH(QVariant, payload);
    QFETCH(QString, records);
    start(TestSupport::FakeService::sampleRoster(), 2);
    QMetaObject::invokeMethod(roster, "onServersListReceived", Q_ARG(QVariant, payload));
    const auto describe = [this] {
        QStringList servers;
        for (ServerTreeItem* row : rowsOf<ServerTreeItem>(tree)) {
            const Core::VideoServerPtr record = row->server();
            QString text =
                QString("%1 %2 \"%3\"").arg(record->alias()).arg(record->flags().toInt()).arg(record->serviceStatus());
            if (record->hasArchive())
                text += " archive";
            for (const Core::CameraPtr& c : record->cameras()) {
                const QSize size = c->resolution();
                text +=
                    QString(" [%1 %2 %3x%4]").arg(c->id()).arg(c->flags().toInt()).arg(size.width()).arg(size.height());
            }
            servers << text;
        }
        return servers.join("; ");
    };
    QTRY_COMPARE(describe(), records);
}

void tst_RosterWidget::failedRequests_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("relogins");
    QTest::addColumn<int>("badSessions");
    QTest::newRow("sign in again") << 10017 << 1 << 0;
    QTest::newRow("bad session") << 10002 << 0 << 1;
    QTest::newRow("network") << -4 << 0 << 0;
}

void tst_RosterWidget::failedRequests()
{
    QFETCH(int, code);
    QFETCH(int, relogins);
    QFETCH(int, badSessions);
    start(TestSupport::FakeService::sampleRoster(), 2);
    QSignalSpy relogin(roster, &GUI::RosterWidget::relogin);
    QSignalSpy badSession(roster, &GUI::RosterWidget::badSession);
    TestSupport::MessageCapture capture;
    QTcpServer closed;
    if (code == -4) {
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        Utils::Settings::instance()->setValue("proxy/port", int(closed.serverPort()));
        closed.close();
    } else {
        net->service.enqueueReply(TestSupport::FakeService::failure(code));
    }
    tick();
    QTRY_VERIFY(capture.contains(QString("Servers list request error: %1").arg(code)));
    for (ServerTreeItem* row : rowsOf<ServerTreeItem>(tree)) {
        QCOMPARE(row->server()->flags(), VideoServer::VideoServerFlags(VideoServer::Offline));
        for (const Core::CameraPtr& c : row->server()->cameras())
            QCOMPARE(c->flags(), Camera::CameraFlags(Camera::Offline));
    }
    QCOMPARE(relogin.count(), relogins);
    QCOMPARE(badSession.count(), badSessions);

    // The next tick asks again, and its answer sets the real flags.
    net->useProxy();
    tick();
    QTRY_COMPARE(serverRow("Office")->server()->flags(), VideoServer::VideoServerFlags());
}

void tst_RosterWidget::silentAndLateRequestsAreReleased()
{
    TestSupport::MessageCapture capture;
    net->service.setRosterHeld(true);
    roster->init(false);
    QTRY_COMPARE(net->service.requests().size(), 1);
    tick();
    tick();
    QCOMPARE(net->service.requests().size(), 1);
    tick();
    QTRY_COMPARE(net->service.requests().size(), 2);
    QVERIFY(capture.contains("Servers list request got no answer, asking again"));
    QTRY_COMPARE(census->alive("QuorvelClient::Core::RestClient"), 1);

    // Sign-out drops the pending request; its late answer reaches nobody, and the next session asks at once.
    roster->deinit();
    QTRY_COMPARE(census->alive("QuorvelClient::Core::RestClient"), 0);
    net->service.releaseHeldRosters();
    net->service.setRosterHeld(false);
    QVERIFY(!timer("rosterRequestTimer")->isActive() && !timer("localPollTimer")->isActive());
    // A local-only session asks nothing and only polls the local servers.
    roster->init(true);
    QVERIFY(timer("localPollTimer")->isActive() && !timer("rosterRequestTimer")->isActive());
    QCOMPARE(tree->topLevelItemCount(), 1);
    roster->deinit();
    roster->init(false);
    QTRY_COMPARE(net->service.requests().size(), 3);
    QTRY_COMPARE(serverTexts(), QStringList({"Office (2 cameras)", "Home (1 camera)"}));
}

void tst_RosterWidget::filtersAndSortsServerRows()
{
    const QString store = QString::fromUtf8("Склад %1 <b>");
    const QVariantMap shed{{"id", "c"}, {"name", "Shed"}, {"cameras", QVariantMap{{"1", QVariantMap{{"id", 1}}}}}};
    start(rosterOf({server("a", "Yard", true, {camera(1, "office")}), server("b", "Home", false), shed,
                    server("d", "Office", true, {camera(1, "Gate")}), server("e", store, true)}),
          5);
    // By state text ("0" and "10" before "8"), then by row text; names show as sent.
    QCOMPARE(serverTexts(),
             QStringList({"Office (1 camera)", "Yard (1 camera)", store + " (0 camera)", "Shed", "Home"}));
    // The tooltip shows the name as sent too, not as markup; a cut name line may follow the sentence.
    QCOMPARE(TestSupport::PeerNameProbe::shownText(serverRow(store)->toolTip(0)).section('\n', 0, 0),
             "Videoserver \"" + store + "\" is online");
    QCOMPARE(label(serverRow(store), "name")->text(), store + " (0 camera)");
    QCOMPARE(label(serverRow(store), "name")->textFormat(), Qt::PlainText);

    auto* filter = roster->findChild<QLineEdit*>("filter");
    QTest::keyClicks(filter, "off");
    QCOMPARE(serverTexts(true), QStringList({"Office (1 camera)"}));
    filter->selectAll();
    QTest::sendKeyEvent(QTest::Press, filter, Qt::Key_unknown, QString::fromUtf8("СКЛАД %1"), Qt::NoModifier);
    QCOMPARE(serverTexts(true), QStringList({store + " (0 camera)"}));

    // Expand and collapse touch only the server rows.
    const auto expanded = [this] {
        QList<bool> states{tree->topLevelItem(0)->isExpanded(), tree->topLevelItem(1)->isExpanded()};
        for (ServerTreeItem* row : rowsOf<ServerTreeItem>(tree))
            states << row->isExpanded();
        return states;
    };
    roster->collapseAll();
    QCOMPARE(expanded(), QList<bool>({true, true, false, false, false, false, false}));
    roster->expandAll();
    QCOMPARE(expanded(), QList<bool>(7, true));
}

QUORVEL_TEST_MAIN(tst_RosterWidget)
#include "tst_RosterWidget.moc"
