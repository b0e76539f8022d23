#include "core/LocalVideoServer.h"
#include "core/SessionManager.h"
#include "gui/DialogSeam.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/playback/PlaybackWindow2.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/RosterWidget.h"
#include "gui/roster/ServerTreeItem.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "peer/FakeNetwork.h"
#include "peer/FlvStreamSource.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"
#include "support/Widgets.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QAction>
#include <QDockWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <memory>

using QuorvelClient::Core::LocalVideoServer;
using QuorvelClient::GUI::DialogSeam;
using QuorvelClient::GUI::MainWindow;
using QuorvelClient::GUI::RosterWidget;
namespace Core = QuorvelClient::Core;
using TestSupport::child;

namespace {

const char* const kHighlight = "background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5,fx:0.5, "
                               "fy:0.5, stop:0.685714 rgba(255, 255, 255, 255), stop:1 rgba(85, 85, 85, 255))";

QAction* action(QWidget* window, const char* name)
{
    return window->findChild<QAction*>(QLatin1String(name));
}

QToolBar* toolBar(QWidget* window)
{
    return child<QToolBar>(window, "mainToolBar");
}

QWidget* buttonOf(QWidget* window, const char* actionName)
{
    return toolBar(window)->widgetForAction(action(window, actionName));
}

QStatusBar* statusBar(QWidget* window)
{
    return child<QStatusBar>(window, "statusBar");
}

// How long the status bar keeps its text: the interval of its clearing timer, 0 when it keeps it.
int statusTimeout(QWidget* window)
{
    const QTimer* timer = statusBar(window)->findChild<QTimer*>();
    return timer && timer->isActive() ? timer->interval() : 0;
}

QTimer* timer(QWidget* window, const char* name)
{
    return window->findChild<QTimer*>(QLatin1String(name));
}

bool sameIcon(const QIcon& icon, const QString& path)
{
    const QImage expected = QIcon(path).pixmap(28).toImage();
    return !expected.isNull() && icon.pixmap(28).toImage() == expected;
}

RosterWidget* roster(QWidget* window)
{
    return window->findChild<RosterWidget*>();
}

QList<QTreeWidgetItem*> serverRows(QWidget* window)
{
    QList<QTreeWidgetItem*> rows;
    for (QTreeWidgetItemIterator it(roster(window)->findChild<QTreeWidget*>()); *it; ++it) {
        if ((*it)->type() == QuorvelClient::GUI::ServerTreeItem::Type)
            rows << *it;
    }
    return rows;
}

// The record of a camera row, null when the tree has no row for it.
QuorvelClient::Core::CameraPtr cameraRecord(QWidget* window, const QString& serverId, int id = 1)
{
    for (QTreeWidgetItemIterator it(roster(window)->findChild<QTreeWidget*>()); *it; ++it) {
        if ((*it)->type() == QuorvelClient::GUI::CameraTreeItem::Type) {
            const Core::CameraPtr camera = static_cast<QuorvelClient::GUI::CameraTreeItem*>(*it)->camera();
            if (camera->globalId() == Core::camera_global_id_t(serverId, id))
                return camera;
        }
    }
    return nullptr;
}

int players(QWidget* window)
{
    return window->findChild<QuorvelClient::GUI::VideoContainer*>()->players().size();
}

QMessageBox* updateBox(QWidget* window)
{
    const QList<QMessageBox*> boxes = window->findChildren<QMessageBox*>();
    return boxes.size() == 1 ? boxes.first() : nullptr;
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void constructionLaysOutTheWindow();
    void codecKeysGetADefault_data();
    void codecKeysGetADefault();
    void updateLevelsShowOnTheButton_data();
    void updateLevelsShowOnTheButton();
    void failedChecksOnlyTellTheStatusBar_data();
    void failedChecksOnlyTellTheStatusBar();
    void updatesActionShowsTheKnownState();
    void signOutAsksFirst_data();
    void signOutAsksFirst();
    void endedSessionsAskForSignOut_data();
    void endedSessionsAskForSignOut();
    void openedCamerasFollowThePlayers();
    void showsTheTreeAndAPlayingCamera();
    void toggleActionsNameTheNextClick_data();
    void toggleActionsNameTheNextClick();
    void dialogsOpenFromTheToolbar();
    void localServerStatusShowsTheNameAsTyped_data();
    void localServerStatusShowsTheNameAsTyped();
    void closingStoresTheGeometries();
    void unusableGeometryKeepsTheDefault_data();
    void unusableGeometryKeepsTheDefault();

private:
    int versionRequests() const;
    // A window whose first update check has been answered.
    std::unique_ptr<MainWindow> makeWindow();

    TestSupport::FakeNetwork* net = nullptr;
};

void tst_MainWindow::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel Client"));
    QCoreApplication::setApplicationVersion(QStringLiteral("5.6.0 Build 232"));
    net = new TestSupport::FakeNetwork(this);
    QVERIFY(net->start());
    net->service.addAccount(QStringLiteral("user@quorvel.example"), QStringLiteral("right"));
    net->useProxy();
    QuorvelClient::Core::SessionManager::create(QStringLiteral("user@quorvel.example"), QStringLiteral("right"));
    QSignalSpy signedIn(QuorvelClient::Core::SessionManager::instance(),
                        &QuorvelClient::Core::SessionManager::newSessionId);
    QuorvelClient::Core::SessionManager::instance()->requestSessionId();
    QVERIFY(signedIn.wait(20000));
}

void tst_MainWindow::init()
{
    net->service.clearScript();
    net->service.clearRequests();
    net->service.setClientVersion(QStringLiteral("5.6.0"));
    Utils::Keys::mainWindowGeometry().remove();
}

int tst_MainWindow::versionRequests() const
{
    int count = 0;
    for (const TestSupport::PeerRequest& request : net->service.requests())
        count += request.path.endsWith("public/version/client");
    return count;
}

std::unique_ptr<MainWindow> tst_MainWindow::makeWindow()
{
    auto window = std::make_unique<MainWindow>();
    [&] {
        QTRY_VERIFY_WITH_TIMEOUT(statusBar(window.get())->currentMessage() != QStringLiteral("Checking for updates..."),
                                 20000);
    }();
    return window;
}

void tst_MainWindow::constructionLaysOutTheWindow()
{
    auto window = std::make_unique<MainWindow>();
    QCOMPARE(statusBar(window.get())->currentMessage(), QStringLiteral("Checking for updates..."));
    QCOMPARE(statusTimeout(window.get()), 0);
    QVERIFY(!window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Quorvel Client"));
    QCOMPARE(window->size(), QSize(850, 520));
    auto* cameras = child<QDockWidget>(window.get(), "camerasDock");
    QCOMPARE(cameras->windowTitle(), QStringLiteral("Cameras"));
    QCOMPARE(cameras->widget(), roster(window.get()));
    QVERIFY(qobject_cast<QuorvelClient::GUI::PlaybackWindow2*>(window->centralWidget()));
    QCOMPARE(window->dockWidgetArea(cameras), Qt::LeftDockWidgetArea);
    QCOMPARE(int(cameras->features()),
             int(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable));

    QStringList order;
    for (QAction* a : toolBar(window.get())->actions())
        order << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
    QCOMPARE(order.join(' '), QStringLiteral("actExpand actEditServer actAddServer | actSound actSettings | "
                                             "actInformation actCheckUpdates actSignOut  actionClose_all"));
    QVERIFY(!action(window.get(), "actionClose_all")->isVisible());
    for (const char* name :
         {"actExpand", "actSound", "actSettings", "actInformation", "actCheckUpdates", "actSignOut", "actionClose_all"})
        QVERIFY2(!action(window.get(), name)->icon().pixmap(28).isNull(), name);

    QTRY_COMPARE_WITH_TIMEOUT(statusBar(window.get())->currentMessage(), QStringLiteral("Updates checked"), 20000);
    QCOMPARE(statusTimeout(window.get()), 2700);
    QCOMPARE(versionRequests(), 1);
    // The playback window needs 625 of the form's 850 pixels; a wider window gives the dock its own width.
    window->resize(1000, 600);
    window->show();
    QCOMPARE(cameras->width(), 250);
}

void tst_MainWindow::codecKeysGetADefault_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("absent") << QVariant() << QVariant(QStringLiteral("MPEG4"));
    QTest::newRow("empty") << QVariant(QString()) << QVariant(QStringLiteral("MPEG4"));
    QTest::newRow("set") << QVariant(QStringLiteral("H264")) << QVariant(QStringLiteral("H264"));
    QTest::newRow("a number") << QVariant(5) << QVariant(5);
    QTest::newRow("a list") << QVariant(QStringList{"a", "b"}) << QVariant(QStringList{"a", "b"});
}

void tst_MainWindow::codecKeysGetADefault()
{
    QFETCH(QVariant, stored);
    QFETCH(QVariant, expected);
    for (const auto* key : {&Utils::Keys::videoLiveCodec(), &Utils::Keys::videoArchiveCodec()}) {
        key->remove();
        if (stored.isValid())
            Utils::Settings::instance()->setValue(key->name(), stored);
    }
    MainWindow window;
    QCOMPARE(Utils::Keys::videoLiveCodec().stored(), expected);
    QCOMPARE(Utils::Keys::videoArchiveCodec().stored(), expected);
}

void tst_MainWindow::updateLevelsShowOnTheButton_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<int>("boxIcon"); // -1: no box
    QTest::addColumn<bool>("critical");
    QTest::newRow("1: available") << "5.6.1"
                                  << ":/branded-icons/quorvel/update-not-important.png"
                                  << "New version is avaliable" << -1 << false;
    QTest::newRow("2: important") << "5.7.0"
                                  << ":/branded-icons/quorvel/update-important.png"
                                  << "New version is avaliable!" << int(QMessageBox::Information) << false;
    QTest::newRow("3: critical") << "6.0.0"
                                 << ":/branded-icons/quorvel/update-critical.png"
                                 << "New version is avaliable!" << int(QMessageBox::Warning) << true;
}

void tst_MainWindow::updateLevelsShowOnTheButton()
{
    QFETCH(QString, version);
    QFETCH(QString, icon);
    QFETCH(QString, tooltip);
    QFETCH(int, boxIcon);
    QFETCH(bool, critical);
    net->service.setClientVersion(version);
    auto window = makeWindow();
    window->show();
    QAction* updates = action(window.get(), "actCheckUpdates");
    QWidget* button = buttonOf(window.get(), "actCheckUpdates");

    QVERIFY(sameIcon(updates->icon(), icon));
    QCOMPARE(updates->toolTip(), tooltip);
    QCOMPARE(button->styleSheet(), QLatin1String(kHighlight));
    QMessageBox* box = updateBox(window.get());
    QCOMPARE(box != nullptr, boxIcon >= 0);
    if (box) {
        QVERIFY(box->isVisible());
        QCOMPARE(int(box->icon()), boxIcon);
        // The notice leaves the window usable.
        QVERIFY(!QApplication::activeModalWidget());
        QSignalSpy sound(window.get(), &MainWindow::soundSet);
        QTest::mouseClick(buttonOf(window.get(), "actSound"), Qt::LeftButton);
        QCOMPARE(sound.count(), 1);
        QCOMPARE(box->text().startsWith(QStringLiteral("CRITICAL update of Quorvel Client is out!")), critical);
    }

    QTimer* blink = timer(window.get(), "blinkTimer");
    QTimer* repeat = timer(window.get(), "updateMessageTimer");
    QCOMPARE(blink->isActive(), critical);
    QCOMPARE(repeat->isActive(), critical);
    if (!critical)
        return;
    QCOMPARE(blink->interval(), 800);
    QCOMPARE(repeat->interval(), 600000);
    QTRY_COMPARE_WITH_TIMEOUT(button->styleSheet(), QStringLiteral("background-color: rgba(85, 85, 85, 255);"), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(button->styleSheet(), QLatin1String(kHighlight) + QLatin1Char(';'), 2000);
    // The notice outlives sessions.
    window->deinit();
    window->init(false);
    QVERIFY(repeat->isActive());
    QVERIFY(blink->isActive());
    // Shown again at its period, in the same box.
    box->hide();
    repeat->start(50);
    QTRY_VERIFY(box->isVisible());
    QCOMPARE(updateBox(window.get()), box);
}

void tst_MainWindow::failedChecksOnlyTellTheStatusBar_data()
{
    QTest::addColumn<TestSupport::PeerReply>("reply");
    QTest::newRow("HTTP 500") << TestSupport::PeerReply::json("{}", 500);
    QTest::newRow("not JSON") << TestSupport::PeerReply::json("<html>no</html>");
    QTest::newRow("version of two numbers")
        << TestSupport::FakeService::envelope(QVariantMap{{QStringLiteral("version"), QStringLiteral("6.0")}});
}

void tst_MainWindow::failedChecksOnlyTellTheStatusBar()
{
    QFETCH(TestSupport::PeerReply, reply);
    net->service.enqueueReply(reply);
    MainWindow window;
    QTRY_COMPARE_WITH_TIMEOUT(statusBar(&window)->currentMessage(), QStringLiteral("Could not check for updates"),
                              20000);
    QCOMPARE(statusTimeout(&window), 2000);
    QAction* updates = action(&window, "actCheckUpdates");
    QVERIFY(sameIcon(updates->icon(), QStringLiteral(":/branded-icons/quorvel/update.png")));
    QCOMPARE(updates->toolTip(), QStringLiteral("Check for updates..."));
    QVERIFY(buttonOf(&window, "actCheckUpdates")->styleSheet().isEmpty());
    QVERIFY(!updateBox(&window));
    QVERIFY(!timer(&window, "blinkTimer")->isActive());
}

void tst_MainWindow::updatesActionShowsTheKnownState()
{
    auto window = makeWindow();
    window->show();
    QTest::mouseClick(buttonOf(window.get(), "actCheckUpdates"), Qt::LeftButton);
    QMessageBox* box = updateBox(window.get());
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QCOMPARE(box->icon(), QMessageBox::Information);
    QVERIFY2(box->text().startsWith(QStringLiteral("You have the latest version of Quorvel Client")),
             qPrintable(box->text()));
    QCOMPARE(statusBar(window.get())->currentMessage(), QStringLiteral("Checking for updates..."));
    QTRY_COMPARE_WITH_TIMEOUT(versionRequests(), 2, 20000);
    // A second click reuses the box.
    QTest::mouseClick(buttonOf(window.get(), "actCheckUpdates"), Qt::LeftButton);
    QCOMPARE(updateBox(window.get()), box);
}

void tst_MainWindow::signOutAsksFirst_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QVariantList>("expected");
    QTest::newRow("yes") << 0 << "&Yes" << QVariantList{0};
    QTest::newRow("no") << 0 << "&No" << QVariantList{};
    QTest::newRow("escape") << int(Qt::Key_Escape) << QString() << QVariantList{};
}

void tst_MainWindow::signOutAsksFirst()
{
    QFETCH(int, key);
    QFETCH(QString, button);
    QFETCH(QVariantList, expected);
    auto window = makeWindow();
    window->show();
    QSignalSpy signout(window.get(), &MainWindow::signoutRequired);
    QStringList seen;
    DialogSeam::setAnswerer([&](QDialog* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        seen << box->windowTitle() << box->text() << box->defaultButton()->text();
        if (key)
            QTest::keyClick(box, Qt::Key(key));
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == button)
                b->click();
        }
        return box->result();
    });
    QTest::mouseClick(buttonOf(window.get(), "actSignOut"), Qt::LeftButton);
    DialogSeam::setAnswerer({});
    QCOMPARE(seen, (QStringList{"Are you sure?", "Are you sure you want to sign out?", "&No"}));
    QVariantList emitted;
    for (const QList<QVariant>& args : signout)
        emitted << args.first();
    QCOMPARE(emitted, expected);
}

void tst_MainWindow::endedSessionsAskForSignOut_data()
{
    QTest::addColumn<int>("serviceCode");
    QTest::addColumn<int>("expected");
    QTest::newRow("signed in elsewhere") << 10017 << 10017;
    QTest::newRow("session rejected") << 10002 << 10002;
}

void tst_MainWindow::endedSessionsAskForSignOut()
{
    QFETCH(int, serviceCode);
    QFETCH(int, expected);
    auto window = makeWindow();
    QSignalSpy signout(window.get(), &MainWindow::signoutRequired);
    net->service.enqueueReply(TestSupport::FakeService::failure(serviceCode));
    window->init(false);
    QTRY_COMPARE_WITH_TIMEOUT(signout.count(), 1, 20000);
    QCOMPARE(signout.first().first().toInt(), expected);
    window->deinit();
    QTest::qWait(100);
    QCOMPARE(signout.count(), 1);
}

void tst_MainWindow::openedCamerasFollowThePlayers()
{
    auto window = makeWindow();
    window->init(false);
    window->show();
    QTRY_COMPARE_WITH_TIMEOUT(serverRows(window.get()).size(), 2, 20000);
    const Core::CameraPtr office = cameraRecord(window.get(), QStringLiteral("srv-office"));
    const Core::CameraPtr home = cameraRecord(window.get(), QStringLiteral("srv-home"));
    QAction* closeAll = action(window.get(), "actionClose_all");
    RosterWidget* tree = roster(window.get());
    auto open = [&](const Core::CameraPtr& camera, bool newLayout) {
        emit tree->openCamerasRequested(Core::GlobalCameraList{{camera->globalId(), camera}}, newLayout);
        return QStringLiteral("%1 %2").arg(players(window.get())).arg(closeAll->isVisible() ? "close all" : "-");
    };
    QCOMPARE(open(office, true), QStringLiteral("1 -"));
    QCOMPARE(open(home, false), QStringLiteral("2 close all"));
    QCOMPARE(open(home, true), QStringLiteral("1 -"));
    QCOMPARE(open(office, false), QStringLiteral("2 close all"));

    // The roster keeps the record of an open camera when the camera leaves its server's list and comes back.
    auto leaveAndReturn = [&] {
        QVariantMap servers = TestSupport::FakeService::sampleRoster();
        QVariantMap server = servers.value("a").toMap();
        server.insert("cameras", QVariantMap{{"2", server.value("cameras").toMap().value("2")}});
        servers.insert("a", server);
        for (const QVariantMap& reply : {servers, TestSupport::FakeService::sampleRoster()}) {
            net->service.setRoster(reply);
            QMetaObject::invokeMethod(tree, "requestServerList");
            const bool listed = reply.value("a").toMap().value("cameras").toMap().size() == 2;
            [&] {
                QTRY_COMPARE_WITH_TIMEOUT(bool(cameraRecord(window.get(), QStringLiteral("srv-office"))), listed,
                                          20000);
            }();
        }
        return cameraRecord(window.get(), QStringLiteral("srv-office"));
    };
    QCOMPARE(leaveAndReturn(), office);
    QTest::mouseClick(buttonOf(window.get(), "actionClose_all"), Qt::LeftButton);
    QCOMPARE(players(window.get()), 0);
    QVERIFY(!closeAll->isVisible());
    QVERIFY(leaveAndReturn() != office);
    window->deinit();
}

void tst_MainWindow::showsTheTreeAndAPlayingCamera()
{
    TestSupport::FlvStreamSource server;
    QVERIFY(TestSupport::serveClip(server));
    // The players reach the local server through the proxy of the settings, as every stream does.
    net->proxy.map(QStringLiteral("127.0.0.1"), server.port(), QHostAddress::LocalHost, server.port());
    auto window = makeWindow();
    window->init(false);
    window->resize(1280, 800);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTRY_COMPARE_WITH_TIMEOUT(serverRows(window.get()).size(), 2, 20000);
    const Core::CameraPtr camera = TestSupport::localCamera(1, server.hostAndPort(), QSize(320, 240));
    emit roster(window.get())->openCamerasRequested(Core::GlobalCameraList{{camera->globalId(), camera}}, true);
    auto* container = window->findChild<QuorvelClient::GUI::VideoContainer*>();
    QuorvelClient::GUI::VideoWidget* video = container->players().first()->videoWidget();
    QTRY_COMPARE_WITH_TIMEOUT(video->playerState(), QuorvelClient::GUI::VideoWidget::Playing, 20000);
    QTest::qWait(500);

    const QImage shot = window->grab().toImage();
    const QRect area(video->mapTo(window.get(), QPoint(0, 0)), video->size());
    int lit = 0;
    for (int y = area.top(); y <= area.bottom(); y += 4) {
        for (int x = area.left(); x <= area.right(); x += 4)
            lit += qGray(shot.pixel(x, y)) > 40;
    }
    QVERIFY2(lit > area.width() * area.height() / 16 / 2, qPrintable(QString::number(lit)));
    auto* tree = roster(window.get())->findChild<QTreeWidget*>();
    for (QTreeWidgetItem* row : serverRows(window.get()))
        QVERIFY(tree->viewport()->rect().intersects(tree->visualItemRect(row)));
    window->deinit();
}

void tst_MainWindow::toggleActionsNameTheNextClick_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("afterFirst"); // text, tooltip, icon
    QTest::addColumn<QStringList>("effects");    // after each click
    QTest::newRow("sound") << "actSound" << QStringList{"Sound on", "Turn on sound", ":/icons/sound-off.png"}
                           << QStringList{"sound off, rows collapsed", "sound on, rows collapsed"};
    QTest::newRow("expand") << "actExpand" << QStringList{"Collapse", "Collapse all", ":/icons/collapse-all.png"}
                            << QStringList{"rows expanded", "rows collapsed"};
}

void tst_MainWindow::toggleActionsNameTheNextClick()
{
    QFETCH(QString, name);
    QFETCH(QStringList, afterFirst);
    QFETCH(QStringList, effects);
    auto window = makeWindow();
    window->init(false);
    window->show();
    QTRY_COMPARE_WITH_TIMEOUT(serverRows(window.get()).size(), 2, 20000);
    roster(window.get())->findChild<QTreeWidget*>()->collapseAll();
    QSignalSpy soundSpy(window.get(), &MainWindow::soundSet);
    auto effect = [&] {
        QStringList seen;
        for (const QList<QVariant>& args : soundSpy)
            seen << (args.first().toBool() ? "sound on" : "sound off");
        soundSpy.clear();
        int expanded = 0;
        for (QTreeWidgetItem* row : serverRows(window.get()))
            expanded += row->isExpanded();
        seen << (expanded == 0                                 ? "rows collapsed"
                 : expanded == serverRows(window.get()).size() ? "rows expanded"
                                                               : "rows partly expanded");
        return seen.join(", ");
    };
    QAction* a = action(window.get(), qPrintable(name));
    const QString text = a->text();
    const QString tip = a->toolTip();
    const QImage icon = a->icon().pixmap(28).toImage();

    QTest::mouseClick(buttonOf(window.get(), qPrintable(name)), Qt::LeftButton);
    QCOMPARE(a->text(), afterFirst[0]);
    QCOMPARE(a->toolTip(), afterFirst[1]);
    QVERIFY(sameIcon(a->icon(), afterFirst[2]));
    QCOMPARE(effect(), effects[0]);

    QTest::mouseClick(buttonOf(window.get(), qPrintable(name)), Qt::LeftButton);
    QCOMPARE(a->text(), text);
    QCOMPARE(a->toolTip(), tip);
    QCOMPARE(a->icon().pixmap(28).toImage(), icon);
    QCOMPARE(effect(), effects[1]);
    window->deinit();
}

void tst_MainWindow::dialogsOpenFromTheToolbar()
{
    auto window = makeWindow();
    window->show();
    QList<QDialog*> dialogs;
    QStringList classes;
    QStringList tabs;
    DialogSeam::setAnswerer([&](QDialog* dialog) {
        dialogs << dialog;
        classes << dialog->metaObject()->className();
        if (auto* tabWidget = dialog->findChild<QTabWidget*>(QStringLiteral("tabWidget"))) {
            tabs << tabWidget->currentWidget()->objectName();
            tabWidget->setCurrentIndex(1);
        }
        dialog->reject();
        return dialog->result();
    });
    QTest::mouseClick(buttonOf(window.get(), "actSettings"), Qt::LeftButton);
    QTest::mouseClick(buttonOf(window.get(), "actSettings"), Qt::LeftButton);
    QTest::mouseClick(buttonOf(window.get(), "actInformation"), Qt::LeftButton);
    DialogSeam::setAnswerer({});

    QCOMPARE(classes,
             (QStringList{"QuorvelClient::GUI::SettingsDialog", "QuorvelClient::GUI::SettingsDialog", "AboutDialog"}));
    QCOMPARE(dialogs[0], dialogs[1]);
    QCOMPARE(dialogs[0]->parentWidget(), window.get());
    QCOMPARE(tabs, (QStringList{"authTab", "authTab"}));
}

void tst_MainWindow::localServerStatusShowsTheNameAsTyped_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("expected");
    QTest::newRow("placeholders") << "Lab %2" << int(LocalVideoServer::Offline)
                                  << "Videoserver \"Lab %2\" (IP 127.0.0.1): offline";
    QTest::newRow("quotes, per cent, Cyrillic")
        << "Склад \"Север\" 100%1%" << int(LocalVideoServer::AccessDenied)
        << "Videoserver \"Склад \"Север\" 100%1%\" (IP 127.0.0.1): access denied, please check server's password";
}

void tst_MainWindow::localServerStatusShowsTheNameAsTyped()
{
    QFETCH(QString, name);
    QFETCH(int, state);
    QFETCH(QString, expected);
    auto window = makeWindow();
    LocalVideoServer server(LocalVideoServer::Offline, QStringLiteral("127.0.0.1"), 8080, name, QString(), false,
                            false);
    emit roster(window.get())->localVideoserverStateChanged(&server, LocalVideoServer::LocalVideoServerState(state));
    QCOMPARE(statusBar(window.get())->currentMessage(), expected);
    QCOMPARE(statusTimeout(window.get()), 3500);
}

void tst_MainWindow::closingStoresTheGeometries()
{
    QRect placed;
    {
        auto window = makeWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->setGeometry(120, 90, 1000, 640);
        placed = window->geometry();
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        QList<QByteArray> written;
        QTimer::singleShot(0, window.get(), [&] {
            window->close();
            // In the file at once, before the store's own delayed write; read from a copy, since settings objects
            // of one process share what they hold.
            const QString copy = TestSupport::rootDir() + QStringLiteral("/closed.ini");
            QFile::remove(copy);
            QFile::copy(Utils::Settings::instance()->fileName(), copy);
            const QSettings file(copy, QSettings::IniFormat);
            for (const char* key : {"mainWindow/geometry", "roster/geometry", "playbackWindow/geometry"})
                written << file.value(QLatin1String(key)).toByteArray();
        });
        // Closing the last window ends the program's event loop.
        QTimer guard;
        connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        guard.start(10000);
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(lastClosed.count(), 1);
        QCOMPARE(written, (QList<QByteArray>{window->saveGeometry(), roster(window.get())->saveGeometry(),
                                             window->centralWidget()->saveGeometry()}));
    }
    auto window = makeWindow();
    window->show();
    QCOMPARE(window->geometry(), placed);
}

void tst_MainWindow::unusableGeometryKeepsTheDefault_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage") << QByteArray("\x01\xd9\xd0\xcb\x00\x03garbage", 13);
}

void tst_MainWindow::unusableGeometryKeepsTheDefault()
{
    QFETCH(QByteArray, stored);
    Utils::Keys::mainWindowGeometry().setValue(stored);
    MainWindow window;
    window.show();
    QCOMPARE(window.size(), QSize(850, 520));
}

QUORVEL_TEST_MAIN(tst_MainWindow)
#include "tst_MainWindow.moc"
