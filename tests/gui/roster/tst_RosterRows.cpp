#include "application/Language.h"
#include "gui/playback/PlaybackWindow2.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/ElidedLabel.h"
#include "gui/roster/LocalServerTreeItem.h"
#include "gui/roster/RosterWidget.h"
#include "gui/roster/ServerTreeItem.h"
#include "support/PeerNameProbe.h"
#include "support/TestEnvironment.h"

#include <QDockWidget>
#include <QFile>
#include <QMainWindow>
#include <QToolTip>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace QuorvelClient;
using Core::Camera;
using Core::LocalVideoServer;
using Core::VideoServer;
using GUI::ElidedLabel;

namespace {

Core::CameraPtr camera(int id, const QString& name, int flags, const QString& serverId)
{
    return std::make_shared<Camera>(id, name, serverId, 0, "Site", true, true, true, QSize(640, 480), "h264",
                                    Camera::CameraFlags(flags), QString());
}

// The roster docked beside the playback window as in the main window of the form's width, which leaves the dock
// less than its 250 pixels, with one local server of the list file for each name given; the window is shown.
struct Dock
{
    QMainWindow window;
    GUI::RosterWidget* roster = nullptr;
    QTreeWidget* tree = nullptr;

    explicit Dock(const QStringList& localNames)
    {
        QFile list("local_roster.txt");
        list.open(QIODevice::WriteOnly);
        QStringList entries;
        for (int i = 0; i < localNames.size(); ++i) {
            entries << QString(R"({"ip":"10.0.0.%1","name":"%2","password":"pw","port":8080})")
                           .arg(i + 1)
                           .arg(QString(localNames[i]).replace("\"", "\\\""));
        }
        list.write(('[' + entries.join(',') + ']').toUtf8());
        list.close();
        auto* dock = new QDockWidget("Cameras");
        roster = new GUI::RosterWidget;
        dock->setWidget(roster);
        window.addDockWidget(Qt::LeftDockWidgetArea, dock);
        window.resizeDocks({dock}, {250}, Qt::Horizontal);
        window.setCentralWidget(new GUI::PlaybackWindow2);
        // Taller than the form, so that a grab shows every row.
        window.resize(850, 1500);
        window.show();
        tree = roster->findChild<QTreeWidget*>();
    }
    QTreeWidgetItem* localRoot() const { return tree->topLevelItem(0); }
    Core::LocalVideoServerPtr local(int index) const
    {
        return static_cast<GUI::LocalServerTreeItem*>(localRoot()->child(index))->server();
    }
    // An account server's row, placed under the local root: the same depth and width as under the Internet root.
    GUI::ServerTreeItem* addServer(const QString& alias, int flags, const QList<Core::CameraPtr>& cameras)
    {
        auto server = std::make_shared<VideoServer>(VideoServer::VideoServerFlags(flags), "srv-" + alias, 0, 0, 0,
                                                    alias, true, true, true, false, false, false, false);
        for (const Core::CameraPtr& each : cameras)
            server->addCamera(each);
        auto* row = new GUI::ServerTreeItem(server);
        localRoot()->addChild(row);
        row->createWidget();
        return row;
    }
};

// Why a row is hard to read, empty when it is not: a line squeezed, outside its frame or under another widget, or
// cut without an ellipsis and its whole text in the row's tooltip.
QString faults(QTreeWidgetItem* item, QWidget* widget)
{
    QStringList found;
    for (const QLabel* line : widget->findChildren<QLabel*>()) {
        if (line->text().isEmpty() || !line->isVisibleTo(widget))
            continue;
        const QString name = line->objectName().isEmpty() ? line->text() : line->objectName();
        const QRect box = line->geometry();
        if (box.height() < line->fontMetrics().height())
            found << QString("%1 squeezed to %2 px").arg(name).arg(box.height());
        if (!line->parentWidget()->contentsRect().contains(box))
            found << QString("%1 outside its frame").arg(name);
        for (const QWidget* other : line->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (other != line && other->isVisibleTo(widget) && other->geometry().intersects(box))
                found << QString("%1 under %2").arg(name, other->metaObject()->className());
        }
        const bool cut = line->fontMetrics().horizontalAdvance(line->text()) > line->contentsRect().width();
        const auto* elided = qobject_cast<const ElidedLabel*>(line);
        if (cut != (elided && elided->isElided()))
            found << QString("%1 cut without ellipsis").arg(name);
        if (cut && !item->toolTip(0).contains(line->text()))
            found << QString("%1 cut, tooltip \"%2\"").arg(name, item->toolTip(0));
    }
    if (!item->treeWidget()->visualItemRect(item).contains(widget->geometry()))
        found << "widget outside its row";
    return found.join("; ");
}

// The faults of the first row that has any, each row scrolled into view (rows get their widgets when painted).
QString treeFaults(QTreeWidget* tree)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        tree->scrollToItem(*it);
        tree->viewport()->repaint();
        QWidget* widget = tree->itemWidget(*it, 0);
        if (!widget)
            return QString("no widget for the shown row \"%1\"").arg((*it)->text(0));
        const QString found = faults(*it, widget);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

int rowCount(QTreeWidget* tree)
{
    int rows = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        ++rows;
    return rows;
}

// The tooltip the view shows over the row, as the user reads it.
QString shownToolTip(QTreeWidget* tree, QTreeWidgetItem* item)
{
    const QPoint spot = tree->visualItemRect(item).center();
    QHelpEvent help(QEvent::ToolTip, spot, tree->viewport()->mapToGlobal(spot));
    QCoreApplication::sendEvent(tree->viewport(), &help);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == "qtooltip_label" && top->isVisible())
            return TestSupport::PeerNameProbe::shownText(static_cast<QLabel*>(top));
    }
    return QString();
}

} // namespace

class tst_RosterRows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_font = QApplication::font(); }
    void cleanup();
    void readableAtTheDocksWidth_data();
    void readableAtTheDocksWidth();
    void peerNamesInToolTipsArePlain();
    void veryLongNamesAreCut();

private:
    QFont m_font;
};

void tst_RosterRows::cleanup()
{
    Application::loadLanguage("en");
    QApplication::setFont(m_font);
    QToolTip::hideText();
}

void tst_RosterRows::readableAtTheDocksWidth_data()
{
    QTest::addColumn<QString>("language");
    // The system's default font, in points; 0 keeps the one the platform gives.
    QTest::addColumn<int>("points");
    QTest::newRow("default font") << "en" << 0;
    QTest::newRow("larger default font") << "en" << 11;
    QTest::newRow("Russian") << "ru" << 0;
}

// The local root and rows in every state, among them long names and the long reasons of unavailable local servers.
void tst_RosterRows::readableAtTheDocksWidth()
{
    QFETCH(QString, language);
    QFETCH(int, points);
    Application::loadLanguage(language);
    if (points > 0) {
        QFont font = QApplication::font();
        font.setPointSize(points);
        QApplication::setFont(font);
    }
    Dock dock({"Home", "Garage", "Shed", "Country house by the lake", "Office"});
    dock.local(0)->setState(LocalVideoServer::Online);
    dock.local(0)->addCamera(camera(1, "Entrance", 0, dock.local(0)->id()));
    dock.local(0)->addCamera(camera(2, "Back yard", 0x2, dock.local(0)->id()));
    dock.local(0)->addCamera(camera(3, "Parking lot, north entrance gate", 0x3, dock.local(0)->id()));
    dock.local(1)->setState(LocalVideoServer::AccessDenied);
    dock.local(2)->setState(LocalVideoServer::IncorrectAnswer);
    GUI::ServerTreeItem* headquarters =
        dock.addServer("Headquarters and warehouse", 0, {camera(4, "Lobby", 0, "srv-Headquarters and warehouse")});
    dock.addServer("Warehouse", 0x8, {camera(5, "Loading dock", 0x2, "srv-Warehouse")});
    dock.addServer("Shop", 0xA, {});
    dock.tree->expandAll();
    QVERIFY(QTest::qWaitForWindowExposed(&dock.window));

    QTRY_COMPARE_WITH_TIMEOUT(treeFaults(dock.tree), QString(), 2000);
    QCOMPARE(rowCount(dock.tree), 14);
    // Once shown: a line that stays cut but changes its text, and a state line that appears.
    dock.local(3)->setState(LocalVideoServer::Online);
    dock.local(3)->addCamera(camera(6, "Pier", 0, dock.local(3)->id()));
    headquarters->server()->setFlags(VideoServer::VideoServerFlags(0x8));
    QTRY_COMPARE_WITH_TIMEOUT(treeFaults(dock.tree), QString(), 2000);
    QCOMPARE(rowCount(dock.tree), 15);
    if (qEnvironmentVariableIsSet("QUORVEL_GRAB_DIR")) {
        dock.roster->grab().save(QString("%1/roster-%2.png")
                                     .arg(qEnvironmentVariable("QUORVEL_GRAB_DIR"), QTest::currentDataTag())
                                     .replace(' ', '-'));
    }
}

// A name that looks like markup shows as typed in every row's tooltip, and the view reads no file for it.
void tst_RosterRows::peerNamesInToolTipsArePlain()
{
    TestSupport::PeerNameProbe probe;
    for (const QString& name : probe.names()) {
        Dock dock({name});
        const QString serverId = dock.local(0)->id();
        dock.local(0)->setState(LocalVideoServer::Online);
        dock.local(0)->addCamera(camera(1, name, 0x2, serverId));
        GUI::ServerTreeItem* server = dock.addServer(name, 0x8, {});
        dock.tree->expandAll();
        QVERIFY(QTest::qWaitForWindowExposed(&dock.window));
        QTreeWidgetItem* local = dock.localRoot()->child(0);

        QVERIFY(shownToolTip(dock.tree, local).startsWith("Videoserver \"" + name + "\" is online"));
        QCOMPARE(shownToolTip(dock.tree, local->child(0)), "\"" + name + "\" camera is offline");
        QCOMPARE(shownToolTip(dock.tree, server), "Videoserver \"" + name + "\" is offline");
        QVERIFY(!probe.fileOpened());
    }
}

// Names of a million letters show cut to a few hundred in the rows and their tooltips; the records keep them whole.
void tst_RosterRows::veryLongNamesAreCut()
{
    QString name;
    for (int i = 0; name.size() < 1000000; ++i)
        name += QString("Hall %1, ").arg(i);
    name.truncate(1000000);
    const QString cut = name.left(199) + QChar(0x2026);
    Dock dock({name});
    dock.local(0)->setState(LocalVideoServer::Online);
    dock.local(0)->addCamera(camera(1, name, 0x2, dock.local(0)->id()));
    GUI::ServerTreeItem* server = dock.addServer(name, 0x8, {});
    dock.tree->expandAll();
    QVERIFY(QTest::qWaitForWindowExposed(&dock.window));
    QTreeWidgetItem* local = dock.localRoot()->child(0);
    for (QTreeWidgetItem* row : {local, local->child(0), static_cast<QTreeWidgetItem*>(server)}) {
        QVERIFY2(row->toolTip(0).size() < 300, qPrintable(QString::number(row->toolTip(0).size())));
        for (const QLabel* line : dock.tree->itemWidget(row, 0)->findChildren<QLabel*>())
            QVERIFY2(line->text().size() <= 200, qPrintable(QString::number(line->text().size())));
    }
    QTRY_COMPARE_WITH_TIMEOUT(treeFaults(dock.tree), QString(), 2000);
    QCOMPARE(shownToolTip(dock.tree, local), "Videoserver \"" + cut + "\" is online");
    QCOMPARE(shownToolTip(dock.tree, local->child(0)), "\"" + cut + "\" camera is offline");
    QCOMPARE(shownToolTip(dock.tree, server), "Videoserver \"" + cut + "\" is offline");
    QCOMPARE(dock.local(0)->name(), name);
    QCOMPARE(dock.local(0)->cameras().first()->name(), name);
    QCOMPARE(server->server()->alias(), name);
}

QUORVEL_TEST_MAIN(tst_RosterRows)
#include "tst_RosterRows.moc"
