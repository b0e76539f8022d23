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

Core::VideoServerPtr videoServer(int cameras, VideoServer::VideoServerFlags flags = {})
{
    auto server =
        std::make_shared<VideoServer>(flags, "srv", 0, 0, 0, "Srv", true, true, true, false, false, false, false);
    for (int id = 1; id <= cameras; ++id) {
        server->addCamera(std::make_shared<Core::Camera>(id, "Cam", "srv", 0, "Srv", false, true, false,
                                                         QSize(640, 480), "h264", Core::Camera::CameraFlags(), ""));
    }
    return server;
}

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
};

void tst_ServerTreeItem::countsCameras_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<QString>("word");
    QTest::newRow("en singular") << "en" << QList<int>{0, 1} << "camera";
    QTest::newRow("en plural") << "en" << QList<int>{2} << "cameras";
    QTest::newRow("ru one") << "ru" << QList<int>{1, 21, 101, 121} << QString::fromUtf8("камера");
    QTest::newRow("ru few") << "ru" << QList<int>{2, 3, 4, 22, 34} << QString::fromUtf8("камеры");
    QTest::newRow("ru many") << "ru" << QList<int>{0, 5, 11, 12, 20, 25, 30, 40, 111, 114} << QString::fromUtf8("камер");
}

void tst_ServerTreeItem::countsCameras()
{
    QFETCH(QString, language);
    QFETCH(QList<int>, counts);
    QFETCH(QString, word);
    Application::loadLanguage(language);
    for (int count : counts) {
        QTreeWidget tree;
        auto* item = new ServerTreeItem(videoServer(count));
        tree.addTopLevelItem(item);
        item->createWidget();
        const QString text = QString("Srv (%1 %2)").arg(count).arg(word);
        QCOMPARE(item->text(2), text);
        QCOMPARE(tree.itemWidget(item, 0)->findChild<QLabel*>("name")->text(), text);
    }
}

void tst_ServerTreeItem::followsServerState_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("archive");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("log");
    QTest::newRow("online") << 0 << false << "server-icon"
                            << "Videoserver \"Srv\" is online"
                            << ""
                            << "Srv (1 camera)"
                            << "QFlags()";
    QTest::newRow("offline with archive") << 8 << true << "server-icon"
                                          << "Videoserver \"Srv\" is online"
                                          << "offline"
                                          << "Srv (1 camera)"
                                          << "QFlags(0x8)";
    QTest::newRow("some not paid") << 1 << false << "server-icon"
                                   << "Videoserver \"Srv\" is online"
                                   << "some cameras were not paid"
                                   << "Srv (1 camera)"
                                   << "QFlags(0x1)";
    QTest::newRow("none paid") << 2 << false << "off-server-icon"
                               << "Videoserver \"Srv\" is cameras were not paid"
                               << "cameras were not paid"
                               << "Srv"
                               << "QFlags(0x2)";
    QTest::newRow("none paid, offline") << 10 << false << "off-server-icon"
                                        << "Videoserver \"Srv\" is cameras were not paid, offline"
                                        << "cameras were not paid, offline"
                                        << "Srv"
                                        << "QFlags(0x2|0x8)";
}

void tst_ServerTreeItem::followsServerState()
{
    QFETCH(int, flags);
    QFETCH(bool, archive);
    QFETCH(QString, icon);
    QFETCH(QString, tooltip);
    QFETCH(QString, state);
    QFETCH(QString, text);
    QFETCH(QString, log);
    const Core::VideoServerPtr server = videoServer(1, VideoServer::Blocked);
    QTreeWidget tree;
    auto* item = new ServerTreeItem(server);
    tree.addTopLevelItem(item);
    item->createWidget();

    TestSupport::MessageCapture capture;
    server->setHasArchive(archive);
    server->setFlags(VideoServer::VideoServerFlags(flags));
    QCOMPARE(capture.messages(), QStringList("Videoserver state changed to: " + log));
    const QString iconPath = ":icons/" + icon + ".png";
    QCOMPARE(item->icon(0).pixmap(24).toImage(), QIcon(iconPath).pixmap(24).toImage());
    QCOMPARE(item->toolTip(0), tooltip);
    QCOMPARE(item->text(1), QString::number(flags));
    QCOMPARE(item->text(2), text);
    QWidget* widget = tree.itemWidget(item, 0);
    QCOMPARE(widget->findChild<QLabel*>("state")->text(), state);
    QCOMPARE(widget->findChild<QLabel*>("state")->isVisibleTo(widget), !state.isEmpty());
    QCOMPARE(widget->findChild<QLabel*>("name")->font().bold(), text != "Srv");
}

QUORVEL_TEST_MAIN(tst_ServerTreeItem)
#include "tst_ServerTreeItem.moc"
