#include "core/SessionManager.h"
#include "gui/DialogSeam.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/playback/PaintedTexts.h"
#include "gui/playback/PlaybackWindow2.h"
#include "gui/playback/export/ExportWidget.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/RosterWidget.h"
#include "gui/roster/ServerTreeItem.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "peer/FakeNetwork.h"
#include "peer/FakeVideoServer.h"
#include "peer/FlvStreamSource.h"
#include "support/BoxAnswerer.h"
#include "support/ObjectCensus.h"
#include "support/TestClips.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"
#include "support/Widgets.h"
#include "utils/DiskSpace.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QDockWidget>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <memory>

using namespace QuorvelClient;
using namespace QuorvelClient::GUI;
using TestSupport::child;

namespace {

QAction* action(QWidget* window, const char* name)
{
    return window->findChild<QAction*>(QLatin1String(name));
}

void click(QWidget* window, const char* actionName)
{
    QTest::mouseClick(child<QToolBar>(window, "mainToolBar")->widgetForAction(action(window, actionName)),
                      Qt::LeftButton);
}

// The status text and how long it stays: the interval of the status bar's clearing timer, 0 for good.
QString status(QWidget* window)
{
    auto* bar = child<QStatusBar>(window, "statusBar");
    const QTimer* timer = bar->findChild<QTimer*>();
    return bar->currentMessage() + QStringLiteral(" (%1)").arg(timer && timer->isActive() ? timer->interval() : 0);
}

bool sameIcon(const QIcon& icon, const QString& path)
{
    const QImage expected = QIcon(path).pixmap(28).toImage();
    return !expected.isNull() && icon.pixmap(28).toImage() == expected;
}

QList<QTreeWidgetItem*> rows(QWidget* window, int type)
{
    QList<QTreeWidgetItem*> found;
    for (QTreeWidgetItemIterator it(window->findChild<QTreeWidget*>()); *it; ++it) {
        if ((*it)->type() == type)
            found << *it;
    }
    return found;
}

// The row of a server's first camera, null when the tree shows none.
CameraTreeItem* cameraRow(QWidget* window, const QString& serverId)
{
    for (QTreeWidgetItem* row : rows(window, CameraTreeItem::Type)) {
        if (static_cast<CameraTreeItem*>(row)->camera()->globalId() == Core::camera_global_id_t(serverId, 1))
            return static_cast<CameraTreeItem*>(row);
    }
    return nullptr;
}

int players(QWidget* window)
{
    return window->findChild<VideoContainer*>()->players().size();
}

void open(QWidget* window, const Core::CameraPtr& camera, bool newLayout)
{
    emit window->findChild<RosterWidget*>()->openCamerasRequested({{camera->globalId(), camera}}, newLayout);
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void constructionLaysOutTheWindow_data();
    void constructionLaysOutTheWindow();
    void updateNotices_data();
    void updateNotices();
    void signOutRequests_data();
    void signOutRequests();
    void togglesNameTheNextClick_data();
    void togglesNameTheNextClick();
    void camerasOfTheTreePlay();
    void sixteenCellsKeepTheirTexts();
    void exportChecksTheFolderFirst_data();
    void exportChecksTheFolderFirst();
    void dialogsOpenOnce();
    void closingStoresTheGeometries();

private:
    // A window whose first update check has been answered; a started one shows the account's two servers.
    std::unique_ptr<MainWindow> makeWindow(bool started = true);
    // Starts a local server whose cameras stream the clip live, reached through the proxy as every peer is, and
    // lists it under the name in the local server file that the next window reads.
    bool startLocal(TestSupport::FakeVideoServer& server, TestSupport::FlvStreamSource& stream,
                    const QList<TestSupport::FakeCamera>& cameras, const QString& name);

    TestSupport::FakeNetwork* net = nullptr;
    std::unique_ptr<TestSupport::ObjectCensus> census;
};

void tst_MainWindow::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel Client"));
    QCoreApplication::setApplicationVersion(QStringLiteral("5.6.0 Build 232"));
    net = new TestSupport::FakeNetwork(this);
    QVERIFY(net->start());
    net->service.addAccount(QStringLiteral("user@quorvel.example"), QStringLiteral("right"));
    net->useProxy();
    Core::SessionManager::create(QStringLiteral("user@quorvel.example"), QStringLiteral("right"));
    QSignalSpy signedIn(Core::SessionManager::instance(), &Core::SessionManager::newSessionId);
    Core::SessionManager::instance()->requestSessionId();
    QVERIFY(signedIn.wait(20000));
}

void tst_MainWindow::init()
{
    net->service.clearScript();
    net->service.clearRequests();
    net->service.setClientVersion(QStringLiteral("5.6.0"));
    Utils::Keys::mainWindowGeometry().remove();
    census.reset(); // one census at a time: each chains to the hook it found
    census = std::make_unique<TestSupport::ObjectCensus>();
}

std::unique_ptr<MainWindow> tst_MainWindow::makeWindow(bool started)
{
    auto window = std::make_unique<MainWindow>();
    window->show();
    [&] { QTRY_VERIFY_WITH_TIMEOUT(!status(window.get()).startsWith("Checking"), 20000); }();
    if (started) {
        window->init(false);
        [&] { QTRY_COMPARE_WITH_TIMEOUT(rows(window.get(), ServerTreeItem::Type).size(), 2, 20000); }();
    }
    return window;
}

bool tst_MainWindow::startLocal(TestSupport::FakeVideoServer& server, TestSupport::FlvStreamSource& stream,
                                const QList<TestSupport::FakeCamera>& cameras, const QString& name)
{
    if (!stream.setLiveClip(TestSupport::clipPath(TestSupport::Clip::H264)))
        return false;
    stream.attachTo(&server);
    server.setPassword(QStringLiteral("pw"));
    server.setCameras(cameras);
    if (!server.start())
        return false;
    net->proxy.map(QStringLiteral("127.0.0.1"), server.port(), QHostAddress::LocalHost, server.port());
    QFile list(QStringLiteral("local_roster.txt"));
    if (!list.open(QIODevice::WriteOnly))
        return false;
    list.write(QJsonDocument(QJsonArray{QJsonObject{
                                 {"ip", "127.0.0.1"}, {"name", name}, {"password", "pw"}, {"port", server.port()}}})
                   .toJson());
    return true;
}

void tst_MainWindow::constructionLaysOutTheWindow_data()
{
    QTest::addColumn<QVariant>("codec");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("no codec") << QVariant() << QVariant("MPEG4");
    QTest::newRow("empty codec") << QVariant("") << QVariant("MPEG4");
    QTest::newRow("a codec") << QVariant("H264") << QVariant("H264");
    QTest::newRow("a list") << QVariant(QStringList{"a", "b"}) << QVariant(QStringList{"a", "b"});
}

void tst_MainWindow::constructionLaysOutTheWindow()
{
    QFETCH(QVariant, codec);
    QFETCH(QVariant, expected);
    for (const auto* key : {&Utils::Keys::videoLiveCodec(), &Utils::Keys::videoArchiveCodec()}) {
        key->remove();
        if (codec.isValid())
            Utils::Settings::instance()->setValue(key->name(), codec);
    }
    MainWindow window;
    QCOMPARE(Utils::Keys::videoLiveCodec().stored(), expected);
    QCOMPARE(Utils::Keys::videoArchiveCodec().stored(), expected);
    QCOMPARE(status(&window), QStringLiteral("Checking for updates... (0)"));
    auto* cameras = child<QDockWidget>(&window, "camerasDock");
    QCOMPARE(window.dockWidgetArea(cameras), Qt::LeftDockWidgetArea);
    QVERIFY(!action(&window, "actionClose_all")->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(status(&window), QStringLiteral("Updates checked (2700)"), 20000);
    QCOMPARE(net->service.requests().size(), 1);
    // The playback window needs 625 of the form's 850 pixels; a wider window gives the dock its own width.
    window.resize(1000, 600);
    window.show();
    QCOMPARE(cameras->width(), 250);
}

void tst_MainWindow::updateNotices_data()
{
    QTest::addColumn<TestSupport::PeerReply>("reply");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<int>("box"); // the message box's icon, -1 for no box
    const auto version = [](const char* text) {
        return TestSupport::FakeService::envelope(QVariantMap{{"version", QString::fromLatin1(text)}});
    };
    const QString icon = QStringLiteral(":/branded-icons/quorvel/update%1.png");
    const char* const latest = "Check for updates...";
    QTest::newRow("1") << version("5.6.1") << icon.arg("-not-important") << "New version is avaliable" << -1;
    QTest::newRow("2") << version("5.7.0") << icon.arg("-important") << "New version is avaliable!"
                       << int(QMessageBox::Information);
    QTest::newRow("3") << version("6.0.0") << icon.arg("-critical") << "New version is avaliable!"
                       << int(QMessageBox::Warning);
    QTest::newRow("HTTP 500") << TestSupport::PeerReply::json("{}", 500) << icon.arg("") << latest << -1;
    QTest::newRow("not JSON") << TestSupport::PeerReply::json("<html/>") << icon.arg("") << latest << -1;
    QTest::newRow("two numbers") << version("6.0") << icon.arg("") << latest << -1;
}

void tst_MainWindow::updateNotices()
{
    QFETCH(TestSupport::PeerReply, reply);
    QFETCH(QString, icon);
    QFETCH(QString, tooltip);
    QFETCH(int, box);
    const bool found = !icon.endsWith(QStringLiteral("update.png"));
    net->service.enqueueReply(reply);
    auto window = makeWindow(false);
    QCOMPARE(status(window.get()), found ? "Updates checked (2700)" : "Could not check for updates (2000)");
    QAction* updates = action(window.get(), "actCheckUpdates");
    QVERIFY(sameIcon(updates->icon(), icon));
    QCOMPARE(updates->toolTip(), tooltip);
    QWidget* button = child<QToolBar>(window.get(), "mainToolBar")->widgetForAction(updates);
    const QString highlight = QStringLiteral(
        "background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5,fx:0.5, fy:0.5, stop:0.685714 "
        "rgba(255, 255, 255, 255), stop:1 rgba(85, 85, 85, 255))");
    QCOMPARE(button->styleSheet(), found ? highlight : QString());
    const QList<QMessageBox*> boxes = window->findChildren<QMessageBox*>();
    QCOMPARE(boxes.size(), box < 0 ? 0 : 1);
    if (box >= 0) {
        QVERIFY(boxes[0]->isVisible());
        QCOMPARE(int(boxes[0]->icon()), box);
        // The notice leaves the window usable.
        QVERIFY(!QApplication::activeModalWidget());
        QSignalSpy sound(window.get(), &MainWindow::soundSet);
        click(window.get(), "actSound");
        QCOMPARE(sound.count(), 1);
    }
    // Updates asks again and shows what is known meanwhile, in the one box.
    click(window.get(), "actCheckUpdates");
    QCOMPARE(status(window.get()), QStringLiteral("Checking for updates... (0)"));
    // Answered before the window goes, like every check: an answer is what releases the client that carried it.
    QTRY_COMPARE_WITH_TIMEOUT(census->alive("QuorvelClient::Core::RestClient"), 0, 20000);
    QCOMPARE(net->service.requests().size(), 2);
    QCOMPARE(window->findChildren<QMessageBox*>().size(), 1);
    QMessageBox* shown = window->findChildren<QMessageBox*>().first();
    QVERIFY(shown->isVisible());
    QCOMPARE(shown->text().startsWith("You have the latest version of Quorvel Client"), !found);
    auto* blink = window->findChild<QTimer*>(QStringLiteral("blinkTimer"));
    auto* repeat = window->findChild<QTimer*>(QStringLiteral("updateMessageTimer"));
    const bool critical = box == int(QMessageBox::Warning);
    QCOMPARE(blink->isActive() && repeat->isActive(), critical);
    if (!critical)
        return;
    QVERIFY(shown->text().startsWith(QStringLiteral("CRITICAL update of Quorvel Client is out!")));
    QCOMPARE(repeat->interval(), 600000);
    QTRY_COMPARE_WITH_TIMEOUT(button->styleSheet(), QStringLiteral("background-color: rgba(85, 85, 85, 255);"), 1500);
    QTRY_COMPARE_WITH_TIMEOUT(button->styleSheet(), highlight + ';', 1500);
    // The notice outlives sessions and comes back in the same box.
    window->deinit();
    window->init(false);
    QVERIFY(blink->isActive() && repeat->isActive());
    shown->hide();
    repeat->start(50);
    QTRY_VERIFY(shown->isVisible());
    QCOMPARE(window->findChildren<QMessageBox*>().size(), 1);
}

void tst_MainWindow::signOutRequests_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QVariantList>("expected");
    QTest::newRow("Yes") << "Yes" << QVariantList{0};
    QTest::newRow("No") << "No" << QVariantList{};
    QTest::newRow("Escape") << "Escape" << QVariantList{};
    QTest::newRow("roster told 10017") << "10017" << QVariantList{10017};
    QTest::newRow("roster told 10002") << "10002" << QVariantList{10002};
    QTest::newRow("archive refused") << "playback" << QVariantList{10017};
}

void tst_MainWindow::signOutRequests()
{
    QFETCH(QString, how);
    QFETCH(QVariantList, expected);
    auto window = makeWindow(false);
    QSignalSpy signout(window.get(), &MainWindow::signoutRequired);
    if (how.toInt()) {
        net->service.enqueueReply(TestSupport::FakeService::failure(how.toInt()));
        window->init(false);
        QTRY_VERIFY_WITH_TIMEOUT(!signout.isEmpty(), 20000);
    } else if (how == QStringLiteral("playback")) {
        emit window->findChild<PlaybackWindow2*>()->relogin();
    } else {
        QString asked;
        DialogSeam::setAnswerer([&](QDialog* dialog) {
            auto* box = static_cast<QMessageBox*>(dialog);
            asked = box->text() + " / " + box->defaultButton()->text();
            if (how == QStringLiteral("Escape"))
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->button(how == QStringLiteral("Yes") ? QMessageBox::Yes : QMessageBox::No)->click();
            return box->result();
        });
        click(window.get(), "actSignOut");
        TestSupport::failOnUnexpectedBoxes();
        QCOMPARE(asked, QStringLiteral("Are you sure you want to sign out? / &No"));
    }
    QVariantList emitted;
    for (const QList<QVariant>& args : signout)
        emitted << args.first();
    QCOMPARE(emitted, expected);
    window->deinit();
}

void tst_MainWindow::togglesNameTheNextClick_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("afterFirst"); // text, tooltip, icon
    QTest::addColumn<QStringList>("effects");    // of each click
    QTest::newRow("sound") << "actSound" << QStringList{"Sound on", "Turn on sound", ":/icons/sound-off.png"}
                           << QStringList{"sound off, 0 rows expanded", "sound on, 0 rows expanded"};
    QTest::newRow("expand") << "actExpand" << QStringList{"Collapse", "Collapse all", ":/icons/collapse-all.png"}
                            << QStringList{"2 rows expanded", "0 rows expanded"};
}

void tst_MainWindow::togglesNameTheNextClick()
{
    QFETCH(QString, name);
    QFETCH(QStringList, afterFirst);
    QFETCH(QStringList, effects);
    auto window = makeWindow();
    window->findChild<QTreeWidget*>()->collapseAll();
    QSignalSpy sound(window.get(), &MainWindow::soundSet);
    auto effect = [&] {
        QStringList seen;
        for (const QList<QVariant>& args : sound)
            seen << (args.first().toBool() ? "sound on" : "sound off");
        sound.clear();
        int expanded = 0;
        for (QTreeWidgetItem* row : rows(window.get(), ServerTreeItem::Type))
            expanded += row->isExpanded();
        return (seen << QStringLiteral("%1 rows expanded").arg(expanded)).join(", ");
    };
    QAction* toggle = action(window.get(), qPrintable(name));
    const QStringList form{toggle->text(), toggle->toolTip()};
    const QImage formIcon = toggle->icon().pixmap(28).toImage();
    click(window.get(), qPrintable(name));
    QCOMPARE((QStringList{toggle->text(), toggle->toolTip()}), afterFirst.mid(0, 2));
    QVERIFY(sameIcon(toggle->icon(), afterFirst[2]));
    QCOMPARE(effect(), effects[0]);
    click(window.get(), qPrintable(name));
    QCOMPARE((QStringList{toggle->text(), toggle->toolTip()}), form);
    QCOMPARE(toggle->icon().pixmap(28).toImage(), formIcon);
    QCOMPARE(effect(), effects[1]);
    window->deinit();
}

void tst_MainWindow::camerasOfTheTreePlay()
{
    TestSupport::FakeVideoServer server;
    TestSupport::FlvStreamSource stream;
    // A name with placeholders, quotes and Cyrillic letters, shown as typed.
    const QString name = QStringLiteral("Lab %2 \"Север\" 100%");
    QVERIFY(startLocal(server, stream, {{1, "Door"}}, name));
    auto window = makeWindow();
    QTRY_COMPARE(status(window.get()), "Videoserver \"" + name + "\" (IP 127.0.0.1): online (3500)");
    QFile::remove(QStringLiteral("local_roster.txt"));

    // A click on the local camera plays it beside the tree.
    window->resize(1280, 800);
    const QString lab = QStringLiteral("127.0.0.1:%1").arg(server.port());
    QTRY_VERIFY(cameraRow(window.get(), lab));
    auto* tree = window->findChild<QTreeWidget*>();
    tree->scrollToItem(cameraRow(window.get(), lab));
    QTest::qWait(50);
    QTest::mouseClick(tree->itemWidget(cameraRow(window.get(), lab), 0)->findChild<QLabel*>(), Qt::LeftButton);
    QCOMPARE(players(window.get()), 1);
    VideoWidget* video = window->findChild<VideoContainer*>()->players().first()->videoWidget();
    QTRY_COMPARE_WITH_TIMEOUT(video->playerState(), VideoWidget::Playing, 20000);
    // A grab of the window shows the picture in the player: lit pixels in most of its area.
    const QRect area(video->mapTo(window.get(), QPoint(0, 0)), video->size());
    auto lit = [&] {
        const QImage shot = window->grab().toImage();
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); y += 4) {
            for (int x = area.left(); x <= area.right(); x += 4)
                count += qGray(shot.pixel(x, y)) > 40;
        }
        return count;
    };
    QTRY_VERIFY_WITH_TIMEOUT(lit() > area.width() * area.height() / 32, 10000);
    QVERIFY(tree->viewport()->rect().contains(tree->visualItemRect(cameraRow(window.get(), lab))));

    // Opened cameras replace the open ones or join them; "Close all windows" shows while more than one plays.
    const Core::CameraPtr local = cameraRow(window.get(), lab)->camera();
    const Core::CameraPtr office = cameraRow(window.get(), QStringLiteral("srv-office"))->camera();
    QAction* closeAll = action(window.get(), "actionClose_all");
    open(window.get(), office, false);
    QVERIFY(players(window.get()) == 2 && closeAll->isVisible());
    open(window.get(), office, true);
    QVERIFY(players(window.get()) == 1 && !closeAll->isVisible());
    open(window.get(), local, false);
    QVERIFY(players(window.get()) == 2 && closeAll->isVisible());
    click(window.get(), "actionClose_all");
    QVERIFY(players(window.get()) == 0 && !closeAll->isVisible());
    window->deinit();
}

// Sixteen cameras in the window at its smallest size: each cell's name and time stay apart, the time whole.
void tst_MainWindow::sixteenCellsKeepTheirTexts()
{
    TestSupport::FakeVideoServer server;
    TestSupport::FlvStreamSource stream;
    QList<TestSupport::FakeCamera> cameras;
    for (int id = 1; id <= 16; ++id)
        cameras.append({id, QStringLiteral("L%1").arg(id, 2, 10, QLatin1Char('0'))});
    cameras[5].name = QStringLiteral("Entrance north, parking level 2");
    QVERIFY(startLocal(server, stream, cameras, QStringLiteral("Lab")));
    auto window = makeWindow();
    QFile::remove(QStringLiteral("local_roster.txt"));
    QCOMPARE(window->size(), QSize(850, 520));
    const QString lab = QStringLiteral("127.0.0.1:%1").arg(server.port());
    QTRY_VERIFY_WITH_TIMEOUT(cameraRow(window.get(), lab), 20000);
    Core::GlobalCameraList all;
    for (QTreeWidgetItem* row : rows(window.get(), CameraTreeItem::Type)) {
        const Core::CameraPtr camera = static_cast<CameraTreeItem*>(row)->camera();
        if (camera->serverId() == lab)
            all.insert(camera->globalId(), camera);
    }
    QCOMPARE(all.size(), 16);
    emit window->findChild<RosterWidget*>()->openCamerasRequested(all, true);
    QCOMPARE(players(window.get()), 16);
    const QList<VideoPlayer*> cells = window->findChild<VideoContainer*>()->players();
    const auto playing = [&] {
        return std::all_of(cells.cbegin(), cells.cend(), [](VideoPlayer* cell) {
            return cell->videoWidget()->playerState() == VideoWidget::Playing;
        });
    };
    QTRY_VERIFY_WITH_TIMEOUT(playing(), 60000);
    // In a larger window the names show too, the long one cut.
    for (const QSize& size : {QSize(850, 520), QSize(1280, 800)}) {
        window->resize(size);
        QApplication::processEvents();
        for (VideoPlayer* cell : cells) {
            VideoWidget* video = cell->videoWidget();
            const QString time = video->currentTime().toString("dd.MM.yy hh:mm:ss");
            const QString name = video->camera()->name();
            QRectF nameBox, timeBox;
            QString shown;
            for (const TestSupport::PaintedText& run : TestSupport::paintedTextRuns(video)) {
                if (run.text == time)
                    timeBox = run.box;
                else if (run.text.startsWith(name.left(1)))
                    std::tie(shown, nameBox) = std::make_pair(run.text, run.box);
            }
            const QString at = QStringLiteral("%1 in %2 px: %3").arg(name).arg(video->width()).arg(shown);
            QVERIFY2(!timeBox.isNull() && timeBox.right() <= video->width() - 25, qPrintable(at));
            QVERIFY2(shown.isEmpty() || nameBox.right() < timeBox.left(), qPrintable(at));
            QVERIFY2(shown == name || (shown.isEmpty() && size.width() == 850) ||
                         (shown.endsWith(QChar(0x2026)) && name.size() > 20),
                     qPrintable(at));
        }
    }
    if (qEnvironmentVariableIsSet("QUORVEL_KEEP_TEST_DIR"))
        window->grab().save(TestSupport::workDir() + "/sixteen.png");
    window->deinit();
}

void tst_MainWindow::exportChecksTheFolderFirst_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("free"); // bytes free to the user
    QTest::addColumn<QString>("refusal");
    const QString exports = TestSupport::rootDir() + QStringLiteral("/exports");
    QTest::newRow("usable") << exports << 200000000 << QString();
    QTest::newRow("cannot be made") << "/proc/quorvel" << 200000000 << "Path /proc/quorvel does not exist. ";
    QTest::newRow("drive full") << exports << 1000 << "It is less than 100 Mb free on drive ";
}

void tst_MainWindow::exportChecksTheFolderFirst()
{
    QFETCH(QString, folder);
    QFETCH(int, free);
    QFETCH(QString, refusal);
    Utils::Keys::arcExportPath().setValue(folder);
    Utils::setFreeSpaceForTesting(
        [free](const std::string&, quint64*, quint64* user, quint64*) { return (*user = quint64(free), true); });
    TestSupport::FlvStreamSource server;
    QVERIFY(TestSupport::serveClip(server, TestSupport::Clip::H264, true));
    net->proxy.map(QStringLiteral("127.0.0.1"), server.port(), QHostAddress::LocalHost, server.port());
    auto window = makeWindow(false);
    const Core::CameraPtr camera = TestSupport::localCamera(3, server.hostAndPort(), QSize(320, 240));
    open(window.get(), camera, true);
    auto* dock = child<QDockWidget>(window.get(), "exportDock");
    auto* panel = window->findChild<ExportWidget*>();
    QCOMPARE(dock->widget(), panel);
    QVERIFY(!dock->isVisible());
    // The dock's features and the strip's export button, as the window has them after each step.
    auto* exportButton = child<QPushButton>(window.get(), "btnExport");
    auto state = [&] { return QStringLiteral("%1 %2").arg(int(dock->features())).arg(exportButton->isEnabled()); };
    QStringList seen{state()};
    connect(panel, &ExportWidget::exportStarted, dock, [&] { seen << state(); });

    TestSupport::BoxAnswerer boxes(QStringLiteral("OK"));
    exportButton->setEnabled(false); // as the strip leaves it when it hands the range over
    const QDateTime start = QDateTime::currentDateTime().addSecs(-3600);
    emit window->findChild<PlaybackWindow2*>()->exportAccepted(camera, start, start.addSecs(4), 4000);
    Utils::setFreeSpaceForTesting({});
    if (!refusal.isEmpty()) {
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("Export path error"));
        QVERIFY2(boxes.last().text.startsWith(refusal), qPrintable(boxes.last().text));
        QVERIFY(!dock->isVisible());
        QCOMPARE((seen << state()).join(", "), QStringLiteral("14 1, 14 1"));
        QTest::qWait(200);
        for (const TestSupport::FlvStreamSource::Request& request : server.requests())
            QVERIFY(request.path != "/flv/archive");
        return;
    }
    QCOMPARE(boxes.count(), 0);
    QVERIFY(dock->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(status(window.get()), QStringLiteral("Archive export done. (5000)"), 30000);
    seen << state();
    emit panel->exportStarted();
    emit panel->exportError();
    QCOMPARE(status(window.get()), QStringLiteral("Archive export interrupted (5000)"));
    QCOMPARE((seen << state()).join(", "), QStringLiteral("14 1, 14 0, 15 1, 14 0, 15 1"));
}

void tst_MainWindow::dialogsOpenOnce()
{
    auto window = makeWindow();
    rows(window.get(), ServerTreeItem::Type).first()->setSelected(true);
    QList<QDialog*> dialogs;
    QStringList seen;
    DialogSeam::setAnswerer([&](QDialog* dialog) {
        dialogs << dialog;
        seen << dialog->metaObject()->className();
        if (auto* tabs = dialog->findChild<QTabWidget*>(QStringLiteral("tabWidget"))) {
            seen << tabs->currentWidget()->objectName();
            tabs->setCurrentIndex(1);
        }
        dialog->reject();
        return dialog->result();
    });
    click(window.get(), "actSettings");
    emit window->findChild<ExportWidget*>()->showSettings();
    click(window.get(), "actInformation");
    click(window.get(), "actEditServer");
    click(window.get(), "actAddServer");
    TestSupport::failOnUnexpectedBoxes();
    const QString settings = QStringLiteral("QuorvelClient::GUI::SettingsDialog");
    QCOMPARE(seen, (QStringList{settings, "authTab", settings, "authTab", "AboutDialog",
                                "QuorvelClient::GUI::ServerPropertiesDialog", "LocalServerDialog"}));
    QCOMPARE(dialogs[0], dialogs[1]);
    QCOMPARE(dialogs[0]->parentWidget(), window.get());
    window->deinit();
}

void tst_MainWindow::closingStoresTheGeometries()
{
    QRect placed;
    {
        auto window = makeWindow(false);
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
        QCOMPARE(written, (QList<QByteArray>{window->saveGeometry(), window->findChild<RosterWidget*>()->saveGeometry(),
                                             window->centralWidget()->saveGeometry()}));
    }
    QCOMPARE(makeWindow(false)->geometry(), placed);
    // Stored bytes that are no geometry keep the default size.
    for (const QByteArray& stored : {QByteArray(), QByteArray("\x01\xd9\xd0\xcb\x00\x03garbage", 13)}) {
        Utils::Keys::mainWindowGeometry().setValue(stored);
        QCOMPARE(makeWindow(false)->size(), QSize(850, 520));
    }
}

QUORVEL_TEST_MAIN(tst_MainWindow)
#include "tst_MainWindow.moc"
