#include "application/Language.h"
#include "gui/roster/ServerTreeItem.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"

#include <QLabel>
#include <QTreeWidget>

using namespace QuorvelClient;
using Core::VideoServer;
using GUI::ServerTreeItem;

namespace {

// The row, with its widget, of server "Srv" with that many cameras, in a tree of its own.
struct Row
{
    QTreeWidget tree;
    Core::VideoServerPtr server;
    ServerTreeItem* item;

    Row(int cameras, VideoServer::VideoServerFlags flags)
        : server(
              std::make_shared<VideoServer>(flags, "srv", 0, 0, 0, "Srv", true, true, true, false, false, false, false))
    {
        for (int id = 1; id <= cameras; ++id) {
            server->addCamera(std::make_shared<Core::Camera>(id, "Cam", "srv", 0, "Srv", false, true, false,
                                                             QSize(640, 480), "h264", Core::Camera::CameraFlags(), ""));
        }
        item = new ServerTreeItem(server);
        tree.addTopLevelItem(item);
        item->createWidget();
    }
    QLabel* label(const char* name) const { return tree.itemWidget(item, 0)->findChild<QLabel*>(name); }
};

} // namespace

class tst_ServerTreeItem : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Application::loadLanguage("en"); }
    void countsCameras_data();
    void countsCameras();
    void followsServerState_data();
    void followsServerState();
    void stateChangesAtOnceAreCounted_data();
    void stateChangesAtOnceAreCounted();
};

void tst_ServerTreeItem::countsCameras_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<QString>("word");
    QTest::newRow("ru one") << "ru" << QList<int>{1, 21, 101} << QString::fromUtf8("камера");
    QTest::newRow("ru few") << "ru" << QList<int>{2, 4, 22} << QString::fromUtf8("камеры");
    QTest::newRow("ru many") << "ru" << QList<int>{0, 5, 11, 14, 20, 111, 114} << QString::fromUtf8("камер");
}

void tst_ServerTreeItem::countsCameras()
{
    QFETCH(QString, language);
    QFETCH(QList<int>, counts);
    QFETCH(QString, word);
    Application::loadLanguage(language);
    for (int count : counts) {
        Row row(count, {});
        const QString text = QString("Srv (%1 %2)").arg(count).arg(word);
        QCOMPARE(row.item->text(2), text);
        QCOMPARE(row.label("name")->text(), text);
    }
}

void tst_ServerTreeItem::followsServerState_data()
{
    QTest::addColumn<int>("flags");
    // Icon, tooltip, state line (none when hidden) and name line, bold or not.
    QTest::addColumn<QString>("look");
    QTest::newRow("online") << 0 << "server-icon | Videoserver \"Srv\" is online | none | Srv (1 camera) bold";
    QTest::newRow("none paid, offline") << 10
                                        << "off-server-icon | Videoserver \"Srv\" is cameras were not paid, offline | "
                                           "cameras were not paid, offline | Srv normal";
}

void tst_ServerTreeItem::followsServerState()
{
    QFETCH(int, flags);
    QFETCH(QString, look);
    Row row(1, VideoServer::Blocked);
    row.server->setFlags(VideoServer::VideoServerFlags(flags));
    QString icon;
    for (const char* name : {"server-icon", "off-server-icon"}) {
        if (row.item->icon(0).pixmap(24).toImage() == QIcon(QString(":icons/%1.png").arg(name)).pixmap(24).toImage())
            icon = name;
    }
    const QLabel* state = row.label("state");
    const QLabel* name = row.label("name");
    QCOMPARE(QStringList({icon, row.item->toolTip(0),
                          state->isVisibleTo(row.tree.itemWidget(row.item, 0)) ? state->text() : "none",
                          name->text() + (name->font().bold() ? " bold" : " normal")})
                 .join(" | "),
             look);
    QCOMPARE(row.item->text(2), name->text());
}

void tst_ServerTreeItem::stateChangesAtOnceAreCounted_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("an ordinary setup's 50") << 50;
    QTest::newRow("300") << 300;
}

// A failed roster request takes every server offline at once: each change has its line up to a hundred, and one
// more line counts the rest once the event loop runs again.
void tst_ServerTreeItem::stateChangesAtOnceAreCounted()
{
    QFETCH(int, count);
    const int written = qMin(count, 100);
    QTreeWidget tree;
    QList<Core::VideoServerPtr> servers;
    for (int i = 0; i < count; ++i) {
        servers << std::make_shared<VideoServer>(VideoServer::VideoServerFlags(), QString::number(i), 0, 0, 0, "Srv",
                                                 true, true, true, false, false, false, false);
        tree.addTopLevelItem(new ServerTreeItem(servers.last()));
    }
    QCoreApplication::processEvents();
    TestSupport::MessageCapture log;
    for (const Core::VideoServerPtr& server : std::as_const(servers))
        server->setFlags(VideoServer::Offline);
    QCOMPARE(static_cast<ServerTreeItem*>(tree.topLevelItem(count - 1))->text(1), QString("8"));
    QCOMPARE(log.count("Videoserver state changed to: QFlags(0x8)"), written);
    QCoreApplication::processEvents();
    const QStringList summary =
        count > 100 ? QStringList(QString::fromUtf8("\u2026 and %1 more videoserver state changes").arg(count - 100))
                    : QStringList();
    QTRY_COMPARE(log.messages().filter("more videoserver state changes"), summary);
    QCOMPARE(log.messages().size(), written + int(summary.size()));
}

QUORVEL_TEST_MAIN(tst_ServerTreeItem)
#include "tst_ServerTreeItem.moc"
