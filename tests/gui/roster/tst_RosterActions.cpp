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

// An account server of the roster reply with cameras 1 to `count`; the first `unpaid` of them wait for payment
// for the given reason.
QVariantMap accountServer(const QString& id, const QString& name, int count, bool owner, int unpaid = 0,
                          const QString& reason = QString())
{
    QVariantMap cameras;
    for (int number = 1; number <= count; ++number) {
        const QVariantMap services{{"enabled", QVariantMap{{"active", number <= unpaid ? reason : "true"}}},
                                   {"archive", QVariantMap{{"active", "false"}}}};
        cameras.insert(QString::number(number), QVariantMap{{"id", number},
                                                            {"name", QString("%1 %2").arg(name).arg(number)},
                                                            {"online", true},
                                                            {"services", services}});
    }
    return {{"id", id}, {"name", name}, {"online", true}, {"owner", owner}, {"cameras", cameras}};
}

// Alpha: ten paid cameras. Beta: ten cameras, the first unpaid with the bill due. Gamma, of another owner: two
// unpaid cameras for another reason, so no camera of it can be watched.
QVariantMap sampleAccount()
{
    return {{"a", accountServer("a", "Alpha", 10, true)},
            {"b", accountServer("b", "Beta", 10, true, 1, "billing")},
            {"c", accountServer("c", "Gamma", 2, false, 2, "other")}};
}

const QString kListFile = QStringLiteral("local_roster.txt");

// The list file's bytes, inode and modification time: a rewrite changes the inode.
QString fileState()
{
    QFile file(kListFile);
    struct stat info = {};
    if (!file.open(QIODevice::ReadOnly) || ::stat(qPrintable(kListFile), &info) != 0)
        return QStringLiteral("<none>");
    return QString::fromUtf8(file.readAll()) + QString(" inode %1 mtime %2.%3 mode %4")
                                                   .arg(info.st_ino)
                                                   .arg(info.st_mtim.tv_sec)
                                                   .arg(info.st_mtim.tv_nsec)
                                                   .arg(info.st_mode & 0777, 0, 8);
}

// Fills the local video server dialog and presses OK.
std::function<int(QDialog*)> enter(bool network, const QString& ip, int port, const QString& name,
                                   const QString& password)
{
    return [=](QDialog* dialog) {
        dialog->findChild<QRadioButton*>(network ? "foreignHost" : "localhost")->setChecked(true);
        if (network)
            dialog->findChild<QLineEdit*>("ipAddress")->setText(ip);
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
    void payOpensThePortal_data();
    void payOpensThePortal();
    void propertiesOfAccountServers();
    void addsLocalServers();
    void editsLocalServers();
    void removesLocalServers();

private:
    QTreeWidgetItem* row(const QString& name) const;
    void select(const QStringList& names);
    void trigger(const QString& text);
    QStringList menuAt(const QString& name);
    QStringList requests() const;
    void click(const QString& name, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = {});
    LocalServerTreeItem* localRow(const QString& name) const { return dynamic_cast<LocalServerTreeItem*>(row(name)); }
    QString local(int peer) const { return QString("127.0.0.1:%1").arg(peers[peer]->port()); }
    int streamRequests(int peer) const;

    TestSupport::FakeNetwork* net = nullptr;
    // Lab, Locked (entered with a wrong password) and Idle are in the list file at the start of each test; the
    // fourth and fifth servers are free addresses.
    std::vector<std::unique_ptr<TestSupport::FakeVideoServer>> peers;
    GUI::RosterWidget* roster = nullptr;
    QTreeWidget* tree = nullptr;
    std::unique_ptr<QSignalSpy> opened;
};

void tst_RosterActions::initTestCase()
{
    Application::loadLanguage(QStringLiteral("en"));
    net = new TestSupport::FakeNetwork(this);
    QVERIFY(net->start());
    net->service.addAccount("user@quorvel.example", "right");
    net->useProxy();
    Core::SessionManager::create("user@quorvel.example", "right");
    QSignalSpy signedIn(Core::SessionManager::instance(), &Core::SessionManager::newSessionId);
    Core::SessionManager::instance()->requestSessionId();
    QVERIFY(signedIn.wait(10000));

    const QList<QList<TestSupport::FakeCamera>> cameras{
        {{1, "Door"}, {2, "Hall"}}, {{1, "Safe"}}, {}, {{1, "Yard"}}, {{1, "Porch"}}};
    for (const QList<TestSupport::FakeCamera>& list : cameras) {
        peers.push_back(std::make_unique<TestSupport::FakeVideoServer>());
        peers.back()->setPassword(QString("pw%1").arg(peers.size()));
        peers.back()->setCameras(list);
        QVERIFY(peers.back()->start());
        net->proxy.map("127.0.0.1", peers.back()->port(), QHostAddress::LocalHost, peers.back()->port());
    }
}

void tst_RosterActions::init()
{
    net->service.setRoster(sampleAccount());
    QByteArrayList entries;
    for (const auto& [peer, name, password] :
         {std::tuple(0, "Lab", "pw1"), std::tuple(1, "Locked", "wrong"), std::tuple(2, "Idle", "pw3")}) {
        entries << QString(R"({"ip":"127.0.0.1","name":"%1","password":"%2","port":%3})")
                       .arg(name, password)
                       .arg(peers[peer]->port())
                       .toUtf8();
        peers[peer]->clearRequests();
    }
    QFile file(kListFile);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write('[' + entries.join(',') + ']') > 0);
    file.close();
    roster = new GUI::RosterWidget;
    roster->resize(250, 780);
    roster->show();
    QVERIFY(QTest::qWaitForWindowExposed(roster));
    tree = roster->findChild<QTreeWidget*>("treeWidget");
    opened = std::make_unique<QSignalSpy>(roster, &GUI::RosterWidget::openCamerasRequested);
    roster->init(false);
    QTRY_VERIFY(row("Gamma"));
    QTRY_COMPARE(localRow("Lab")->server()->state(), LocalVideoServer::Online);
    QTRY_COMPARE(localRow("Locked")->server()->state(), LocalVideoServer::AccessDenied);
    QTRY_VERIFY(row(local(0) + "/2"));
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
    if (name == QLatin1String("Internet"))
        return tree->topLevelItem(0);
    if (name == QLatin1String("Local"))
        return tree->topLevelItem(tree->topLevelItemCount() - 1);
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if ((*it)->type() == ServerTreeItem::Type && static_cast<ServerTreeItem*>(*it)->server()->alias() == name)
            return *it;
        if ((*it)->type() == LocalServerTreeItem::Type &&
            static_cast<LocalServerTreeItem*>(*it)->server()->name() == name)
            return *it;
        if ((*it)->type() == CameraTreeItem::Type) {
            const Core::CameraPtr camera = static_cast<CameraTreeItem*>(*it)->camera();
            if (QString("%1/%2").arg(camera->serverId()).arg(camera->id()) == name)
                return *it;
        }
    }
    return nullptr;
}

void tst_RosterActions::select(const QStringList& names)
{
    tree->clearSelection();
    for (const QString& name : names)
        row(name)->setSelected(true);
}

void tst_RosterActions::trigger(const QString& text)
{
    for (QAction* action : tree->findChildren<QAction*>()) {
        if (action->text() == text)
            return action->trigger();
    }
    QFAIL(qPrintable("no action " + text));
}

// The entries of the context menu that a right click on the row (none: on empty space) shows.
QStringList tst_RosterActions::menuAt(const QString& name)
{
    roster->collapseAll();
    QPoint at(tree->viewport()->width() / 2, tree->viewport()->height() - 5);
    if (!name.isEmpty()) {
        QTreeWidgetItem* item = row(name);
        if (item->parent())
            item->parent()->setExpanded(true);
        tree->scrollToItem(item);
        at = tree->visualItemRect(item).center();
    }
    QStringList entries{"no menu"};
    QTimer reader;
    reader.setInterval(0);
    connect(&reader, &QTimer::timeout, this, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            entries.clear();
            for (QAction* action : menu->actions())
                entries << action->text();
            menu->close();
        }
    });
    reader.start();
    QTest::mouseClick(roster->windowHandle(), Qt::RightButton, {}, tree->viewport()->mapTo(roster, at));
    QCoreApplication::processEvents();
    return entries;
}

// Each openCamerasRequested: the cameras as "<server id>/<number>" in the order given, then the flag.
QStringList tst_RosterActions::requests() const
{
    QStringList seen;
    for (const QList<QVariant>& arguments : *opened) {
        QStringList ids;
        const auto cameras = arguments.at(0).value<Core::GlobalCameraList>();
        for (auto it = cameras.cbegin(); it != cameras.cend(); ++it) {
            const bool keyed = it.key() == it.value()->globalId();
            ids << QString("%1/%2").arg(it.key().first).arg(it.key().second) + (keyed ? "" : " (misfiled)");
        }
        seen << ids.join(' ') + (arguments.at(1).toBool() ? " new" : " add");
    }
    return seen;
}

int tst_RosterActions::streamRequests(int peer) const
{
    int count = 0;
    for (const TestSupport::PeerRequest& request : peers[peer]->requests())
        count += request.path == "/streams/info";
    return count;
}

void tst_RosterActions::click(const QString& name, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    QTreeWidgetItem* item = row(name);
    QWidget* widget = tree->itemWidget(item, 0);
    QTest::mouseClick(widget->findChild<QLabel*>(), button, modifiers);
}

void tst_RosterActions::clicksOpenCameras()
{
    row("Alpha")->setExpanded(true);
    QTest::qWait(0);
    click("a/1", Qt::LeftButton);
    click("a/2", Qt::LeftButton, Qt::ControlModifier);
    click("a/2", Qt::RightButton);
    click("a/4", Qt::LeftButton, Qt::ShiftModifier);
    // Shift extends the selection from the first click.
    QCOMPARE(requests(), QStringList({"a/1 new", "a/1 a/2 a/3 a/4 new"}));

    click("Alpha", Qt::LeftButton);
    QVERIFY(!row("Alpha")->isExpanded());
    click("Internet", Qt::LeftButton);
    QVERIFY(!row("Internet")->isExpanded());
    click("Internet", Qt::LeftButton);
    QVERIFY(row("Internet")->isExpanded());
    QCOMPARE(opened->count(), 2);
}

void tst_RosterActions::selectionOpens_data()
{
    QTest::addColumn<QStringList>("selection");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("request");
    QStringList twenty, alphaThenBeta{"Alpha", "Beta"};
    for (int number = 10; number >= 1; --number)
        twenty << QString("b/%1").arg(number);
    for (int number = 10; number >= 1; --number)
        twenty << QString("a/%1").arg(number);
    // The first sixteen picked, in global-id order.
    const QString sixteen = "a/5 a/6 a/7 a/8 a/9 a/10 b/1 b/2 b/3 b/4 b/5 b/6 b/7 b/8 b/9 b/10";
    QTest::newRow("open 20") << twenty << "Open cameras" << sixteen + " new";
    QTest::newRow("add 20") << twenty << "Add to the current view" << sixteen + " add";
    QTest::newRow("Enter on servers and cameras")
        << QStringList{"Alpha", "b/2", "Beta", "a/3", "Gamma", "c/1", "a/1", "b/10"} << "Return"
        << "a/1 a/3 b/2 b/10 c/1 new";
    QTest::newRow("Enter on a lone root") << QStringList{"Internet"} << "Enter"
                                          << " new";
    QTest::newRow("Enter on a lone server") << QStringList{"Beta"} << "Return"
                                            << "";
    QTest::newRow("all of two servers") << alphaThenBeta << "Open all server's cameras"
                                        << "a/1 a/2 a/3 a/4 a/5 a/6 a/7 a/8 a/9 a/10 b/1 b/2 b/3 b/4 b/5 b/6 new";
    QTest::newRow("all of a local server")
        << QStringList{"Lab"} << "Open all server's cameras" << local(0) + "/1 " + local(0) + "/2 new";
    QTest::newRow("Enter on a lone local server") << QStringList{"Lab"} << "Return"
                                                  << "";
    QTest::newRow("all of the other order") << QStringList{"Beta", "Alpha", "a/1"} << "Open all server's cameras"
                                            << "a/1 a/2 a/3 a/4 a/5 a/6 b/1 b/2 b/3 b/4 b/5 b/6 b/7 b/8 b/9 b/10 new";
}

void tst_RosterActions::selectionOpens()
{
    QFETCH(QStringList, selection);
    QFETCH(QString, how);
    QFETCH(QString, request);
    select(selection);
    TestSupport::MessageCapture capture;
    const bool expanded = !selection.isEmpty() && row(selection.first())->isExpanded();
    if (how == QLatin1String("Return") || how == QLatin1String("Enter"))
        QTest::keyClick(tree, how == QLatin1String("Return") ? Qt::Key_Return : Qt::Key_Enter);
    else
        trigger(how);
    QCOMPARE(requests(), request.isEmpty() ? QStringList() : QStringList{request});
    if (request.isEmpty())
        QCOMPARE(row(selection.first())->isExpanded(), !expanded);
    if (how.startsWith(QLatin1String("Open all")))
        QVERIFY(capture.contains(QString("DEBUG: cameras count %1").arg(request.count(' '))));
}

void tst_RosterActions::menusFollowTheRow_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("entries");
    const QStringList cameras{"Add to the current view", "Open cameras"};
    QTest::newRow("empty space") << "" << QStringList{"Add local videoserver"};
    QTest::newRow("local root") << "Local" << QStringList{"Add local videoserver"};
    QTest::newRow("Internet root") << "Internet" << QStringList{"no menu"};
    QTest::newRow("paid server") << "Alpha" << QStringList{"Open all server's cameras", "Properties"};
    QTest::newRow("unpaid cameras, owned") << "Beta" << QStringList{"Open all server's cameras", "Pay", "Properties"};
    QTest::newRow("unwatchable, other owner") << "Gamma" << QStringList{"Properties"};
    QTest::newRow("paid camera") << "b/2" << cameras;
    QTest::newRow("unpaid camera, owned") << "b/1" << cameras + QStringList{"Pay"};
    QTest::newRow("unpaid camera, other owner") << "c/1" << cameras;
    QTest::newRow("online local server") << "Lab"
                                         << QStringList{"Open all server's cameras", "Remove local videoserver",
                                                        "Properties"};
    QTest::newRow("local server, access denied") << "Locked" << QStringList{"Remove local videoserver", "Properties"};
    QTest::newRow("local camera") << local(0) + "/1" << cameras;
}

void tst_RosterActions::menusFollowTheRow()
{
    QFETCH(QString, row);
    QFETCH(QStringList, entries);
    QCOMPARE(menuAt(row), entries);
    QCOMPARE(opened->count(), 0);
}

void tst_RosterActions::payOpensThePortal_data()
{
    QTest::addColumn<QStringList>("selection");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("page");
    QTest::newRow("billing camera") << QStringList{"a/1", "b/1"} << "en"
                                    << "pay&lang=en";
    QTest::newRow("billing server") << QStringList{"Beta"} << "en"
                                    << "pay&lang=en";
    QTest::newRow("other reason") << QStringList{"c/1", "Gamma", "a/2"} << "en"
                                  << "my-tariff&lang=en";
    QTest::newRow("nothing selected") << QStringList{} << "en"
                                      << "my-tariff&lang=en";
    QTest::newRow("in Russian") << QStringList{"b/1"} << "ru"
                                << "pay&lang=ru";
}

void tst_RosterActions::payOpensThePortal()
{
    QFETCH(QStringList, selection);
    QFETCH(QString, language);
    QFETCH(QString, page);
    select(selection);
    TestSupport::UrlRecorder browser;
    Application::loadLanguage(language);
    roster->payForService();
    Application::loadLanguage(QStringLiteral("en"));
    QCOMPARE(browser.opened, QList<QUrl>{QUrl("https://www.quorvel.example/?target=" + page)});
}

void tst_RosterActions::propertiesOfAccountServers()
{
    TestSupport::BoxAnswerer boxes;
    QStringList shown;
    boxes.setDialogHandler([&](QDialog* dialog) {
        shown << dialog->findChild<QLineEdit*>("serverId")->text();
        dialog->reject();
        return dialog->result();
    });
    for (const QStringList& selection :
         {QStringList{}, QStringList{"b/1", "Beta"}, QStringList{"Local", "Beta"}, QStringList{"Gamma", "Alpha"}}) {
        select(selection);
        roster->showProperties();
    }
    QCOMPARE(shown, QStringList{"c"});
}

void tst_RosterActions::addsLocalServers()
{
    TestSupport::BoxAnswerer boxes;
    QString offered;
    boxes.setDialogHandler([&](QDialog* dialog) {
        auto* ip = dialog->findChild<QLineEdit*>("ipAddress");
        offered = QString("%1 %2%3 %4")
                      .arg(dialog->windowTitle(), ip->text(), ip->isEnabled() ? "" : " (fixed)",
                           dialog->findChild<QLineEdit*>("port")->text());
        return enter(true, "127.0.0.1", peers[3]->port(), "Second", "pw4")(dialog);
    });
    QTest::mouseClick(tree->itemWidget(row("Local"), 0)->findChild<QPushButton*>(), Qt::LeftButton);
    QCOMPARE(offered, QString("Add local videoserver 127.0.0.1 (fixed) 8080"));
    LocalServerTreeItem* second = localRow("Second");
    QVERIFY(second);
    QCOMPARE(second->server()->state(), LocalVideoServer::Offline);
    QVERIFY(fileState().contains(
        QString(R"({"ip":"127.0.0.1","name":"Second","password":"pw4","port":%1})").arg(peers[3]->port())));
    QVERIFY(fileState().endsWith(" mode 600"));
    QTRY_COMPARE(streamRequests(3), 1);
    QTRY_VERIFY(row(local(3) + "/1"));

    // The same server again: its row is picked out, and nothing else happens.
    const QString file = fileState();
    boxes.setDialogHandler(enter(true, "127.0.0.1", peers[3]->port(), "Second", "pw4"));
    boxes.answerNext({"I see"});
    roster->addLocalServer();
    QCOMPARE(boxes.last().title, QString("Videoserver \"Second\" has not been added"));
    QCOMPARE(boxes.last().buttons, QStringList{"I see"});
    QCOMPARE(tree->selectedItems(), QList<QTreeWidgetItem*>{second});
    QTest::qWait(100);
    QCOMPARE(fileState(), file);
    QCOMPARE(streamRequests(3), 1);

    // Another name or password asks first; names are shown as typed.
    const QString name = QString::fromUtf8("%2 <b>Склад</b>");
    boxes.setDialogHandler(enter(true, "127.0.0.1", peers[3]->port(), name, "pw4"));
    boxes.answerNext({"No, don't change the old settings"});
    roster->addLocalServer();
    QCOMPARE(boxes.last().text,
             QString("Videoserver %1 already exists and it's name is \"Second\". You've entered name \"%2\".\n\nWould "
                     "you like to set name \"%2\" for the existing server?")
                 .arg(local(3), name));
    QCOMPARE(boxes.last().buttons, QStringList({"Yes, set the new properties", "No, don't change the old settings"}));
    boxes.setDialogHandler(enter(true, "127.0.0.1", peers[3]->port(), "Second", "new"));
    roster->addLocalServer();
    QVERIFY(boxes.last().text.contains("You've entered other password.\n\nWould you like to set other password for"));
    QCOMPARE(fileState(), file);
    QCOMPARE(second->server()->password(), QString("pw4"));

    const Core::CameraPtr yard = second->server()->cameras().value(1);
    boxes.setDialogHandler(enter(true, "127.0.0.1", peers[3]->port(), "Third", "new"));
    boxes.answerNext({"Yes, set the new properties"});
    roster->addLocalServer();
    QVERIFY(boxes.last().text.contains("You've entered name \"Third\" and other password."));
    QCOMPARE(localRow("Third"), second);
    QCOMPARE(yard->password(), QString("new"));
    QVERIFY(fileState().contains(R"("name":"Third","password":"new")"));
    QTRY_COMPARE(streamRequests(3), 2);
    QCOMPARE(peers[3]->requests().last().queryItem("sessionId"), QString("new"));
    QCOMPARE(tree->topLevelItem(1)->childCount(), 4);
}

void tst_RosterActions::editsLocalServers()
{
    TestSupport::BoxAnswerer boxes;
    LocalServerTreeItem* lab = localRow("Lab");
    const Core::LocalVideoServerPtr record = lab->server();
    select({"Lab"});
    const QString file = fileState();
    boxes.setDialogHandler([](QDialog* dialog) {
        dialog->reject();
        return dialog->result();
    });
    roster->showProperties();
    QCOMPARE(boxes.last().title, QString("Edit local videoserver settings"));
    QCOMPARE(fileState(), file);

    // A new name keeps the row, its state and its cameras.
    boxes.setDialogHandler(enter(false, QString(), peers[0]->port(), "Lab 2", "pw1"));
    const int asked = streamRequests(0);
    roster->showProperties();
    QCOMPARE(localRow("Lab 2"), lab);
    QCOMPARE(record->state(), LocalVideoServer::Online);
    QCOMPARE(lab->childCount(), 2);
    QVERIFY(fileState().contains(R"("name":"Lab 2")"));
    QTRY_COMPARE(streamRequests(0), asked + 1);

    // Onto another server's address: refused.
    const QString renamed = fileState();
    boxes.setDialogHandler(enter(false, QString(), peers[1]->port(), "Lab 3", "pw1"));
    roster->showProperties();
    QCOMPARE(boxes.last().title, QString("Videoserver \"Lab 2\" address has not been changed"));
    QCOMPARE(boxes.last().text, QString("The address of videoserver \"Lab 3\" has not been changed: it stays %1 under "
                                        "the name \"Lab 2\", because another videoserver of your list already has the "
                                        "address you entered.")
                                    .arg(local(0)));
    QCOMPARE(fileState(), renamed);
    QCOMPARE(localRow("Lab 2"), lab);

    // To a free address: a new row, offline until the poll answers.
    TestSupport::MessageCapture capture;
    boxes.setDialogHandler(enter(true, "127.0.0.1", peers[4]->port(), "Porch", "pw5"));
    roster->showProperties();
    QVERIFY(!localRow("Lab 2"));
    QCOMPARE(localRow("Porch")->server()->state(), LocalVideoServer::Offline);
    QVERIFY(capture.contains(
        QString("Server id changed: create this: \"%1\" , remove this: \"%2\"").arg(local(4), local(0))));
    QVERIFY(!fileState().contains(QString::number(peers[0]->port())));
    QTRY_COMPARE(localRow("Porch")->server()->state(), LocalVideoServer::Online);
}

void tst_RosterActions::removesLocalServers()
{
    TestSupport::BoxAnswerer boxes;
    const QString file = fileState();
    select({"Lab", local(0) + "/1"});
    roster->removeLocalServers();
    QCOMPARE(boxes.last().title, QString("Are you sure?"));
    QCOMPARE(boxes.last().text, QString("Are you sure you want to remove server:\n\nLab (%1)?").arg(local(0)));
    QCOMPARE(boxes.last().buttons, QStringList({"Yes, remove", "No, do not remove"}));
    QCOMPARE(fileState(), file);

    select({"Idle", "Locked", "Lab"});
    roster->removeLocalServers();
    QCOMPARE(boxes.last().text, QString("Are you sure you want to remove servers:\n\nIdle (%1)\nLocked (%2)\nLab (%3)?")
                                    .arg(local(2), local(1), local(0)));

    // A poll under way when its server goes: the late answer is dropped.
    const Core::LocalVideoServerPtr lab = localRow("Lab")->server();
    peers[0]->setCameras({{1, "Door"}, {2, "Hall"}, {3, "Attic"}});
    QMetaObject::invokeMethod(roster, "updateLocalServersStatuses");
    const int asked = peers[0]->requests().size();
    select({"Idle", "Lab", local(0) + "/2"});
    boxes.answerNext({"Yes, remove"});
    roster->removeLocalServers();
    QVERIFY(!localRow("Lab") && !localRow("Idle") && localRow("Locked"));
    QCOMPARE(fileState().section(" inode", 0, 0),
             QString(R"([{"ip":"127.0.0.1","name":"Locked","password":"wrong","port":%1}])").arg(peers[1]->port()));
    QTRY_VERIFY(peers[0]->requests().size() > asked);
    QTest::qWait(100);
    QVERIFY(!lab->hasCamera(3));

    // Neither polls nor previews reach it any more.
    const int seen = peers[0]->requests().size();
    QMetaObject::invokeMethod(roster, "updateLocalServersStatuses");
    Core::PreviewLoader::instance()->start();
    QTest::qWait(200);
    QCOMPARE(peers[0]->requests().size(), seen);
    peers[0]->setCameras({{1, "Door"}, {2, "Hall"}});
}

QUORVEL_TEST_MAIN(tst_RosterActions)
#include "tst_RosterActions.moc"
