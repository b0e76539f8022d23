#include "application/Language.h"
#include "core/PreviewLoader.h"
#include "core/SessionManager.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/LocalServerTreeItem.h"
#include "gui/roster/RosterWidget.h"
#include "gui/roster/ServerTreeItem.h"
#include "peer/FakeNetwork.h"
#include "peer/FakeVideoServer.h"
#include "support/BoxAnswerer.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "support/UrlRecorder.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <sys/stat.h>

using namespace QuorvelClient;
using Core::LocalVideoServer;
using GUI::CameraTreeItem;
using GUI::LocalServerTreeItem;
using GUI::ServerTreeItem;

namespace {

// An account server with cameras 1 to `count`, the first `unpaid` of them waiting for payment for `reason`.
QVariantMap accountServer(const QString& id, int count, bool owner, int unpaid = 0, const QString& reason = {})
{
    QVariantMap cameras;
    for (int n = 1; n <= count; ++n) {
        const QVariantMap services{{"enabled", QVariantMap{{"active", n <= unpaid ? reason : "true"}}}};
        cameras.insert(QString::number(n), QVariantMap{{"id", n}, {"online", true}, {"services", services}});
    }
    return {{"id", id}, {"name", id.toUpper()}, {"online", true}, {"owner", owner}, {"cameras", cameras}};
}

// The list file's text, inode, modification time and mode: a rewrite changes the inode.
QString fileState()
{
    QFile file("local_roster.txt");
    struct stat info = {};
    if (!file.open(QIODevice::ReadOnly) || ::stat("local_roster.txt", &info) != 0)
        return "<none>";
    return QString("%1 inode %2 mtime %3.%4 mode %5")
        .arg(QString::fromUtf8(file.readAll()), QString::number(info.st_ino), QString::number(info.st_mtim.tv_sec),
             QString::number(info.st_mtim.tv_nsec), QString::number(info.st_mode & 0777, 8));
}

// Enters a server of the local network at 127.0.0.1 in the local video server dialog and presses OK.
std::function<int(QDialog*)> enter(int port, const QString& name, const QString& password)
{
    return [=](QDialog* dialog) {
        dialog->findChild<QRadioButton*>("foreignHost")->setChecked(true);
        dialog->findChild<QLineEdit*>("ipAddress")->setText("127.0.0.1");
        dialog->findChild<QLineEdit*>("port")->setText(QString::number(port));
        dialog->findChild<QLineEdit*>("name")->setText(name);
        dialog->findChild<QLineEdit*>("password")->setText(password);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        return dialog->result();
    };
}

} // namespace

class tst_RosterActions : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void clicksOpenCameras();
    void selectionOpens_data();
    void selectionOpens();
    void menusFollowTheRow_data();
    void menusFollowTheRow();
    void payAndProperties();
    void addsLocalServers();
    void editsAndRemovesLocalServers();

private:
    QTreeWidgetItem* row(const QString& name) const;
    LocalServerTreeItem* localRow(const QString& name) const { return dynamic_cast<LocalServerTreeItem*>(row(name)); }
    QString local(int peer) const { return QString("127.0.0.1:%1").arg(peers[peer]->port()); }
    void select(const QStringList& names);
    QStringList menuAt(const QString& name);
    QStringList requests() const;

    TestSupport::FakeNetwork* net = nullptr;
    // The list file holds Lab and Locked (with a wrong password) at the start of each test; the other two are free.
    std::vector<std::unique_ptr<TestSupport::FakeVideoServer>> peers;
    GUI::RosterWidget* roster = nullptr;
    QTreeWidget* tree = nullptr;
    std::unique_ptr<QSignalSpy> opened;
};

void tst_RosterActions::initTestCase()
{
    Application::loadLanguage("en");
    net = new TestSupport::FakeNetwork(this);
    QVERIFY(net->start());
    net->service.addAccount("user@quorvel.example", "right");
    net->useProxy();
    Core::SessionManager::create("user@quorvel.example", "right");
    QSignalSpy signedIn(Core::SessionManager::instance(), &Core::SessionManager::newSessionId);
    Core::SessionManager::instance()->requestSessionId();
    QVERIFY(signedIn.wait(10000));
    for (int i = 0; i < 4; ++i) {
        peers.push_back(std::make_unique<TestSupport::FakeVideoServer>());
        peers.back()->setPassword(QString("pw%1").arg(i));
        peers.back()->setCameras({{1, "Door"}, {2, "Hall"}});
        QVERIFY(peers.back()->start());
        net->proxy.map("127.0.0.1", peers.back()->port(), QHostAddress::LocalHost, peers.back()->port());
    }
}

void tst_RosterActions::init()
{
    // Alpha: ten paid cameras. Beta: ten, the first with its bill due. Gamma, of another owner: nothing paid.
    net->service.setRoster({{"a", accountServer("a", 10, true)},
                            {"b", accountServer("b", 10, true, 1, "billing")},
                            {"c", accountServer("c", 2, false, 2, "other")}});
    QFile file("local_roster.txt");
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QString(R"([{"ip":"127.0.0.1","name":"Lab","password":"pw0","port":%1},)"
                       R"({"ip":"127.0.0.1","name":"Locked","password":"wrong","port":%2}])")
                   .arg(peers[0]->port())
                   .arg(peers[1]->port())
                   .toUtf8());
    file.close();
    for (const auto& peer : peers)
        peer->clearRequests();
    roster = new GUI::RosterWidget;
    roster->resize(250, 780);
    roster->show();
    QVERIFY(QTest::qWaitForWindowExposed(roster));
    tree = roster->findChild<QTreeWidget*>("treeWidget");
    opened = std::make_unique<QSignalSpy>(roster, &GUI::RosterWidget::openCamerasRequested);
    roster->init(false);
    QTRY_VERIFY(row("C") && row(local(0) + "/2"));
    QTRY_COMPARE(localRow("Locked")->server()->state(), LocalVideoServer::AccessDenied);
}

void tst_RosterActions::cleanup()
{
    opened.reset();
    roster->deinit();
    delete roster;
}

// A server row by its name, a camera row as "<server id>/<number>", the roots as "Internet" and "Local".
QTreeWidgetItem* tst_RosterActions::row(const QString& name) const
{
    if (name == "Internet" || name == "Local")
        return tree->topLevelItem(name == "Internet" ? 0 : 1);
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        QString text;
        if (auto* server = dynamic_cast<ServerTreeItem*>(*it))
            text = server->server()->alias();
        else if (auto* localServer = dynamic_cast<LocalServerTreeItem*>(*it))
            text = localServer->server()->name();
        else if (auto* camera = dynamic_cast<CameraTreeItem*>(*it))
            text = QString("%1/%2").arg(camera->camera()->serverId()).arg(camera->camera()->id());
        if (text == name)
            return *it;
    }
    return nullptr;
}

void tst_RosterActions::select(const QStringList& names)
{
    tree->clearSelection();
    for (const QString& name : names)
        row(name)->setSelected(true);
}

// The entries of the context menu that a right click on the row (none: on empty space) shows.
QStringList tst_RosterActions::menuAt(const QString& name)
{
    roster->collapseAll();
    QPoint at(tree->viewport()->width() / 2, tree->viewport()->height() - 5);
    if (!name.isEmpty()) {
        if (QTreeWidgetItem* parent = row(name)->parent())
            parent->setExpanded(true);
        tree->scrollToItem(row(name));
        at = tree->visualItemRect(row(name)).center();
    }
    QStringList entries{"no menu"};
    QTimer reader;
    connect(&reader, &QTimer::timeout, this, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            entries.clear();
            for (QAction* action : menu->actions())
                entries << action->text();
            menu->close();
        }
    });
    reader.start(0);
    QTest::mouseClick(roster->windowHandle(), Qt::RightButton, {}, tree->viewport()->mapTo(roster, at));
    QCoreApplication::processEvents();
    return entries;
}

// Each openCamerasRequested: its cameras as "<server id>/<number>" in the order of the list, then the flag.
QStringList tst_RosterActions::requests() const
{
    QStringList seen;
    for (const QList<QVariant>& arguments : *opened) {
        const auto cameras = arguments.at(0).value<Core::GlobalCameraList>();
        QStringList ids;
        for (auto it = cameras.cbegin(); it != cameras.cend(); ++it)
            ids << QString("%1/%2").arg(it.value()->serverId()).arg(it.value()->id());
        seen << ids.join(' ') + (arguments.at(1).toBool() ? " new" : " add");
    }
    return seen;
}

void tst_RosterActions::clicksOpenCameras()
{
    row("A")->setExpanded(true);
    // Paints the rows, which gives them their widgets.
    tree->viewport()->repaint();
    auto click = [&](const QString& name, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(tree->itemWidget(row(name), 0)->findChild<QLabel*>(), button, modifiers);
    };
    click("a/1", Qt::LeftButton);
    click("a/2", Qt::LeftButton, Qt::ControlModifier);
    click("a/2", Qt::RightButton);
    click("a/4", Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(requests(), QStringList({"a/1 new", "a/1 a/2 a/3 a/4 new"}));
    click("A", Qt::LeftButton);
    click("Internet", Qt::LeftButton);
    QVERIFY(!row("A")->isExpanded() && !row("Internet")->isExpanded());
    QCOMPARE(opened->count(), 2);
}

void tst_RosterActions::selectionOpens_data()
{
    QTest::addColumn<QStringList>("selection");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("request");
    QStringList twenty;
    for (const char* server : {"b", "a"}) {
        for (int n = 10; n >= 1; --n)
            twenty << QString("%1/%2").arg(server).arg(n);
    }
    // The first sixteen picked, in global-id order.
    const QString sixteen = "a/5 a/6 a/7 a/8 a/9 a/10 b/1 b/2 b/3 b/4 b/5 b/6 b/7 b/8 b/9 b/10";
    const QString toggles;
    QTest::newRow("open 20") << twenty << "Open cameras" << sixteen + " new";
    QTest::newRow("add 20") << twenty << "Add to the current view" << sixteen + " add";
    QTest::newRow("Enter on servers and cameras") << QStringList{"A", "b/2", "B", "a/3", "C", "c/1", "Lab", "b/10"}
                                                  << "Return" << QString("a/3 b/2 b/10 c/1 new");
    QTest::newRow("Enter on a lone root") << QStringList{"Internet"} << "Enter" << QString(" new");
    QTest::newRow("Enter on a lone server") << QStringList{"B"} << "Return" << toggles;
    QTest::newRow("Enter on a lone local server") << QStringList{"Lab"} << "Enter" << toggles;
    QTest::newRow("all of two servers") << QStringList{"A", "B"} << "Open all server's cameras"
                                        << "a/1 a/2 a/3 a/4 a/5 a/6 a/7 a/8 a/9 a/10 b/1 b/2 b/3 b/4 b/5 b/6 new";
    QTest::newRow("all of a local server")
        << QStringList{"Lab", "a/1"} << "Open all server's cameras" << local(0) + "/1 " + local(0) + "/2 new";
}

void tst_RosterActions::selectionOpens()
{
    QFETCH(QStringList, selection);
    QFETCH(QString, how);
    QFETCH(QString, request);
    select(selection);
    TestSupport::MessageCapture capture;
    const bool expanded = row(selection.first())->isExpanded();
    if (how == "Return" || how == "Enter")
        QTest::keyClick(tree, how == "Return" ? Qt::Key_Return : Qt::Key_Enter);
    for (QAction* action : tree->findChildren<QAction*>()) {
        if (action->text() == how)
            action->trigger();
    }
    // An empty request: nothing opens, and the lone server row toggles instead.
    QCOMPARE(requests(), request.isEmpty() ? QStringList() : QStringList{request});
    QCOMPARE(row(selection.first())->isExpanded(), request.isEmpty() ? !expanded : expanded);
    if (how.startsWith("Open all"))
        QVERIFY(capture.contains(QString("DEBUG: cameras count %1").arg(request.count(' '))));
}

void tst_RosterActions::menusFollowTheRow_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("entries");
    const QStringList camera{"Add to the current view", "Open cameras"};
    const QStringList localServer{"Remove local videoserver", "Properties"};
    QTest::newRow("empty space") << "" << QStringList{"Add local videoserver"};
    QTest::newRow("local root") << "Local" << QStringList{"Add local videoserver"};
    QTest::newRow("Internet root") << "Internet" << QStringList{"no menu"};
    QTest::newRow("paid server") << "A" << QStringList{"Open all server's cameras", "Properties"};
    QTest::newRow("unpaid, owned") << "B" << QStringList{"Open all server's cameras", "Pay", "Properties"};
    QTest::newRow("unpaid, other owner") << "C" << QStringList{"Properties"};
    QTest::newRow("paid camera") << "b/2" << camera;
    QTest::newRow("unpaid camera, owned") << "b/1" << camera + QStringList{"Pay"};
    QTest::newRow("unpaid camera, other owner") << "c/1" << camera;
    QTest::newRow("local camera") << local(0) + "/1" << camera;
    QTest::newRow("online local server") << "Lab" << QStringList{"Open all server's cameras"} + localServer;
    QTest::newRow("local server, access denied") << "Locked" << localServer;
}

void tst_RosterActions::menusFollowTheRow()
{
    QFETCH(QString, row);
    QFETCH(QStringList, entries);
    QCOMPARE(menuAt(row), entries);
    QCOMPARE(opened->count(), 0);
}

void tst_RosterActions::payAndProperties()
{
    TestSupport::UrlRecorder browser;
    for (const QStringList& selection : {QStringList{"a/1", "b/1"}, QStringList{"B"}, QStringList{"c/1", "C"}, {}}) {
        select(selection);
        roster->payForService();
    }
    Application::loadLanguage("ru");
    roster->payForService();
    Application::loadLanguage("en");
    QStringList pages;
    for (const QUrl& url : std::as_const(browser.opened))
        pages << url.toString().remove("https://www.quorvel.example/?target=");
    QCOMPARE(pages, QStringList(
                        {"pay&lang=en", "pay&lang=en", "my-tariff&lang=en", "my-tariff&lang=en", "my-tariff&lang=ru"}));

    // Properties show the first selected row when it is an account server.
    TestSupport::BoxAnswerer boxes;
    QStringList shown;
    boxes.setDialogHandler([&](QDialog* dialog) {
        shown << dialog->findChild<QLineEdit*>("serverId")->text();
        return QDialog::Rejected;
    });
    for (const QStringList& selection : {QStringList{"b/1", "B"}, QStringList{"Local", "B"}, QStringList{"C", "A"}}) {
        select(selection);
        roster->showProperties();
    }
    QCOMPARE(shown, QStringList{"c"});
}

void tst_RosterActions::addsLocalServers()
{
    TestSupport::BoxAnswerer boxes;
    boxes.setDialogHandler(enter(peers[2]->port(), "Second", "pw2"));
    QTest::mouseClick(tree->itemWidget(row("Local"), 0)->findChild<QPushButton*>(), Qt::LeftButton);
    LocalServerTreeItem* second = localRow("Second");
    QCOMPARE(second->server()->state(), LocalVideoServer::Offline);
    QVERIFY(fileState().contains(
        QString(R"({"ip":"127.0.0.1","name":"Second","password":"pw2","port":%1})").arg(peers[2]->port())));
    QVERIFY(fileState().endsWith(" mode 600"));
    QTRY_VERIFY(row(local(2) + "/1"));
    const Core::CameraPtr door = second->server()->cameras().value(1);

    // The same server again only picks out its row; another name or password asks first.
    const QString file = fileState();
    const QString odd = QString::fromUtf8("%2 <b>Склад</b>");
    boxes.answerNext({"I see", "No, don't change the old settings"});
    for (const auto& [name, password] :
         {std::pair(QString("Second"), "pw2"), std::pair(odd, "pw2"), std::pair(QString("Second"), "new")}) {
        boxes.setDialogHandler(enter(peers[2]->port(), name, password));
        roster->addLocalServer();
    }
    QCOMPARE(tree->selectedItems(), QList<QTreeWidgetItem*>{second});
    QCOMPARE(boxes.seen().at(2).title, QString("Videoserver \"Second\" has not been added"));
    QCOMPARE(boxes.seen().at(4).text, QString("Videoserver %1 already exists and it's name is \"Second\". You've "
                                              "entered name \"%2\".\n\nWould you like to set name \"%2\" for the "
                                              "existing server?")
                                          .arg(local(2), odd));
    QVERIFY(boxes.last().text.contains("entered other password.\n\nWould you like to set other password for"));
    QTest::qWait(100);
    QCOMPARE(fileState(), file);
    const auto cameraLists = [&] {
        const QList<TestSupport::PeerRequest> all = peers[2]->requests();
        return std::count_if(all.cbegin(), all.cend(), [](const auto& r) { return r.path == "/streams/info"; });
    };
    QCOMPARE(cameraLists(), 1);

    boxes.answerNext({"Yes, set the new properties"});
    boxes.setDialogHandler(enter(peers[2]->port(), "Third", "new"));
    roster->addLocalServer();
    QCOMPARE(boxes.last().buttons, QStringList({"Yes, set the new properties", "No, don't change the old settings"}));
    QCOMPARE(localRow("Third"), second);
    QCOMPARE(door->password(), QString("new"));
    QVERIFY(fileState().contains(R"("name":"Third","password":"new")"));
    QTRY_COMPARE(cameraLists(), 2);
    QTRY_COMPARE(peers[2]->requests().last().queryItem("sessionId"), QString("new"));
    QCOMPARE(row("Local")->childCount(), 3);
}

void tst_RosterActions::editsAndRemovesLocalServers()
{
    TestSupport::BoxAnswerer boxes;
    LocalServerTreeItem* lab = localRow("Lab");
    select({"Lab", local(0) + "/1"});
    boxes.setDialogHandler(enter(peers[0]->port(), "Lab 2", "pw0"));
    const int asked = peers[0]->requests().size();
    roster->showProperties();
    QCOMPARE(localRow("Lab 2"), lab);
    QVERIFY(lab->server()->state() == LocalVideoServer::Online && lab->childCount() == 2);
    QVERIFY(fileState().contains(R"("name":"Lab 2")"));
    QTRY_VERIFY(peers[0]->requests().size() > asked);

    // Onto another server's address: refused; to a free one: a new row, offline until the poll answers.
    const QString file = fileState();
    boxes.setDialogHandler(enter(peers[1]->port(), "Lab 3", "pw0"));
    roster->showProperties();
    QCOMPARE(boxes.last().title, QString("Videoserver \"Lab 2\" address has not been changed"));
    QCOMPARE(boxes.last().text, QString("The address of videoserver \"Lab 3\" has not been changed: it stays %1 under "
                                        "the name \"Lab 2\", because another videoserver of your list already has "
                                        "the address you entered.")
                                    .arg(local(0)));
    QCOMPARE(fileState(), file);
    TestSupport::MessageCapture capture;
    boxes.setDialogHandler(enter(peers[3]->port(), "Porch", "pw3"));
    roster->showProperties();
    QVERIFY(!localRow("Lab 2"));
    QCOMPARE(localRow("Porch")->server()->state(), LocalVideoServer::Offline);
    QVERIFY(capture.contains(
        QString("Server id changed: create this: \"%1\" , remove this: \"%2\"").arg(local(3), local(0))));
    QTRY_VERIFY(row(local(3) + "/2"));

    // Removal asks first; a poll still under way for a removed server is dropped, and nothing asks it again.
    const Core::LocalVideoServerPtr porch = localRow("Porch")->server();
    select({"Porch", local(3) + "/1", "Locked"});
    roster->removeLocalServers();
    QCOMPARE(boxes.last().text,
             QString("Are you sure you want to remove servers:\n\nPorch (%1)\nLocked (%2)?").arg(local(3), local(1)));
    QCOMPARE(boxes.last().buttons, QStringList({"Yes, remove", "No, do not remove"}));
    select({"Porch", local(3) + "/1"});
    peers[3]->setCameras({{1, "Door"}, {2, "Hall"}, {3, "Attic"}});
    const int before = peers[3]->requests().size();
    QMetaObject::invokeMethod(roster, "updateLocalServersStatuses");
    boxes.answerNext({"Yes, remove"});
    roster->removeLocalServers();
    QCOMPARE(boxes.last().text, QString("Are you sure you want to remove server:\n\nPorch (%1)?").arg(local(3)));
    QVERIFY(!localRow("Porch") && localRow("Locked"));
    QVERIFY(fileState().startsWith(
        QString(R"([{"ip":"127.0.0.1","name":"Locked","password":"wrong","port":%1}] )").arg(peers[1]->port())));
    QTRY_VERIFY(peers[3]->requests().size() > before);
    QTest::qWait(200);
    QVERIFY(!porch->hasCamera(3));
    const int seen = peers[3]->requests().size();
    QMetaObject::invokeMethod(roster, "updateLocalServersStatuses");
    Core::PreviewLoader::instance()->start();
    QTest::qWait(200);
    QCOMPARE(peers[3]->requests().size(), seen);
    peers[3]->setCameras({{1, "Door"}, {2, "Hall"}});
}

QUORVEL_TEST_MAIN(tst_RosterActions)
#include "tst_RosterActions.moc"
