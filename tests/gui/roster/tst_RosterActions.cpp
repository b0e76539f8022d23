#include "application/Language.h"
#include "core/SessionManager.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/RosterWidget.h"
#include "gui/roster/ServerTreeItem.h"
#include "peer/FakeNetwork.h"
#include "support/BoxAnswerer.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "support/UrlRecorder.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace QuorvelClient;
using GUI::CameraTreeItem;
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

private:
    QTreeWidgetItem* row(const QString& name) const;
    void select(const QStringList& names);
    void trigger(const QString& text);
    QStringList menuAt(const QString& name);
    QStringList requests() const;
    void click(const QString& name, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = {});

    TestSupport::FakeNetwork* net = nullptr;
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
}

void tst_RosterActions::init()
{
    net->service.setRoster(sampleAccount());
    roster = new GUI::RosterWidget;
    roster->resize(250, 780);
    roster->show();
    QVERIFY(QTest::qWaitForWindowExposed(roster));
    tree = roster->findChild<QTreeWidget*>("treeWidget");
    opened = std::make_unique<QSignalSpy>(roster, &GUI::RosterWidget::openCamerasRequested);
    roster->init(false);
    QTRY_VERIFY(row("Gamma"));
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
    const bool beta = row("Beta")->isExpanded();
    if (how == QLatin1String("Return") || how == QLatin1String("Enter"))
        QTest::keyClick(tree, how == QLatin1String("Return") ? Qt::Key_Return : Qt::Key_Enter);
    else
        trigger(how);
    QCOMPARE(requests(), request.isEmpty() ? QStringList() : QStringList{request});
    if (request.isEmpty())
        QCOMPARE(row("Beta")->isExpanded(), !beta);
    if (how.startsWith(QLatin1String("Open all")))
        QVERIFY(capture.contains(QStringLiteral("DEBUG: cameras count 16")));
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

QUORVEL_TEST_MAIN(tst_RosterActions)
#include "tst_RosterActions.moc"
