#define QTEST_QPA_MOUSE_HANDLING

#include "core/Camera.h"
#include "core/SessionManager.h"
#include "gui/playback/PlaybackWindow2.h"
#include "gui/playback/VideoPlaceholderWidget.h"
#include "gui/playback/controls/ControlPanel.h"
#include "gui/playback/widgets/ArchivePanel.h"
#include "gui/playback/widgets/Timeline.h"
#include "gui/playback/widgets/VolumeSlider.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "peer/FakeVideoServer.h"
#include "peer/FlvStreamSource.h"
#include "support/BoxAnswerer.h"
#include "support/MessageCapture.h"
#include "support/ObjectCensus.h"
#include "support/TestClips.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"
#include "utils/SettingsKeys.h"

#include <QComboBox>
#include <QDirIterator>
#include <QErrorMessage>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTextEdit>
#include <QTimer>

#include <vlc/vlc.h>

using QuorvelClient::Core::Camera;
using QuorvelClient::Core::CameraPtr;
using QuorvelClient::Core::GlobalCameraList;
using QuorvelClient::GUI::ControlPanel;
using QuorvelClient::GUI::PlaybackWindow2;
using QuorvelClient::GUI::VideoContainer;
using QuorvelClient::GUI::VideoPlayer;
using QuorvelClient::GUI::VideoWidget;
using QuorvelClient::GUI::VolumeSlider;

class tst_PlaybackWindow2 : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void opensCamerasAndPlaysLive();
    void stripCommandsReachThePlayers();
    void qualityAndArchiveFollowTheCameraCount();
    void savesTheActiveCamerasPicture();
    void closingPlayers();
    void reopenedCameraRestartsOncePerFlagChange();
    void everyNamedImageExists();
    void clickPlaysEveryCameraOnOneClock();
    void clickedTime_data();
    void clickedTime();
    void pauseAndWatchLimitHoldTheSchedule();
    void lateRecordsJoinThePlayback();
    void archiveModeTakesNineCameras();
    void watchLimit();
    void watchLimitStaysOff_data();
    void watchLimitStaysOff();

private:
    // Opens the cameras on yesterday's page of the archive and waits for their records and days.
    void openOnArchiveDay(const GlobalCameraList& cameras);
    // The archive requests of one camera, as "<startId> <startTime as hh:mm:ss>".
    QStringList archiveRequests(int camera) const;
    QString serverId() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.port()); }
    QuorvelClient::GUI::Timeline* timeline() const { return m_window->findChild<QuorvelClient::GUI::Timeline*>(); }

    // A local video server serving the test clip live and as archive; the account cameras stream from it too.
    TestSupport::FakeVideoServer m_server;
    TestSupport::FlvStreamSource m_source;
    std::unique_ptr<PlaybackWindow2> m_window;
};

namespace {

const QString kPassword = QStringLiteral("p@ss w/rd");

template <typename T> T* child(QWidget* parent, const char* name)
{
    T* found = parent->findChild<T*>(QLatin1String(name));
    if (!found)
        qWarning() << "no child" << name;
    return found;
}

QList<VideoWidget*> widgetsOf(PlaybackWindow2* window)
{
    QList<VideoWidget*> result;
    for (VideoPlayer* player : window->findChild<VideoContainer*>()->players())
        result << player->videoWidget();
    return result;
}

bool allIn(PlaybackWindow2* window, VideoWidget::PlayerState state)
{
    for (VideoWidget* widget : widgetsOf(window)) {
        if (widget->playerState() != state)
            return false;
    }
    return true;
}

// The last quality asked of each camera, by camera number.
QMap<QString, QString> lastQualities(const TestSupport::FlvStreamSource& source)
{
    QMap<QString, QString> result;
    for (const auto& request : source.requests())
        result.insert(request.query.queryItemValue("camera"), request.query.queryItemValue("q"));
    return result;
}

const QDate kArchiveDay = QDate::currentDate().addDays(-1);

QDateTime at(const char* time)
{
    return QDateTime(kArchiveDay, QTime::fromString(QLatin1String(time)));
}

// A reply's record: each bound is read one second later.
TestSupport::FakeRecord record(int startId, const char* start, int seconds)
{
    return {startId, startId + 100, at(start).toMSecsSinceEpoch(), seconds * 1000LL, 1};
}

} // namespace

void tst_PlaybackWindow2::initTestCase()
{
    QVERIFY(m_source.setLiveClip(TestSupport::clipPath(TestSupport::Clip::H264)));
    QVERIFY(m_source.setArchiveClip(TestSupport::clipPath(TestSupport::Clip::H264)));
    m_source.setArchiveLoops(20);
    m_source.attachTo(&m_server);
    m_server.setPassword(kPassword);
    QVERIFY(m_server.start());
    Utils::Keys::streamerHost().setValue(QStringLiteral("127.0.0.1:%1").arg(m_server.port()));
    QuorvelClient::Core::SessionManager::create(QString(), QString());
}

void tst_PlaybackWindow2::init()
{
    Utils::Keys::panelVolume().remove();
    Utils::Keys::panelQuality().remove();
    Utils::Keys::noWatchLimit().remove();
    m_source.clearRequests();
    m_window.reset(new PlaybackWindow2);
    m_window->resize(1000, 700);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_PlaybackWindow2::cleanup()
{
    m_window.reset();
}

namespace {

GlobalCameraList camerasOf(const QString& serverId, int first, int count)
{
    GlobalCameraList list;
    for (int id = first; id < first + count; ++id) {
        CameraPtr camera = TestSupport::localCamera(id, serverId, QSize(320, 240));
        camera->setPassword(kPassword);
        list.insert(camera->globalId(), camera);
    }
    return list;
}

CameraPtr accountCamera(int id)
{
    CameraPtr camera = TestSupport::localCamera(id, QStringLiteral("srv-1"), QSize(320, 240));
    camera->setServerType(0);
    return camera;
}

} // namespace

void tst_PlaybackWindow2::opensCamerasAndPlaysLive()
{
    const QString serverId = QStringLiteral("127.0.0.1:%1").arg(m_server.port());
    QSignalSpy opened(m_window.get(), &PlaybackWindow2::cameraOpened);
    QSignalSpy closeAll(m_window.get(), &PlaybackWindow2::closeAllNeeded);
    QSignalSpy messages(m_window.get(), &PlaybackWindow2::showMessage);
    auto* timeLabel = child<QLabel>(m_window.get(), "timeLabel");
    auto* pause = child<QPushButton>(m_window.get(), "btnPause");
    QCOMPARE(timeLabel->text(), QString("--:--:--"));
    QVERIFY(!pause->isEnabled());

    const GlobalCameraList three = camerasOf(serverId, 1, 3);
    m_window->addCameras(three);
    QCOMPARE(opened.size(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(opened.at(i).at(0).value<CameraPtr>(), three.values().at(i));
    QCOMPARE(closeAll.size(), 1);
    QCOMPARE(closeAll.at(0).at(0).toBool(), true);
    QCOMPARE(timeLabel->text(), QString("--:--:--"));

    QTRY_VERIFY_WITH_TIMEOUT(allIn(m_window.get(), VideoWidget::Playing), 20000);
    QStringList targets;
    for (const auto& request : m_source.requests())
        targets << QString::fromLatin1(request.target);
    targets.sort();
    QStringList expected;
    for (int id = 1; id <= 3; ++id)
        expected << QStringLiteral("/flv/live?server=1&camera=%1&sessionId=p%40ss%20w%2Frd&q=2&vcodec=flv&vcodec=h264&"
                                   "vcodec=mpeg4&acodec=mp3")
                        .arg(id);
    QCOMPARE(targets, expected);
    QTRY_VERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d \\(LIVE\\)$").match(timeLabel->text()).hasMatch());
    QVERIFY(pause->isEnabled());

    // All already open: one message and nothing opened; a null record is skipped.
    GlobalCameraList again = three;
    again.insert({serverId, 99}, CameraPtr());
    m_window->addCameras(again);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.at(0).at(0).toString(), QString("That cameras are already opened"));
    QCOMPARE(opened.size(), 3);

    // Only sixteen fit; the seventeenth is left out without a word.
    m_window->addCameras(camerasOf(serverId, 10, 14));
    QCOMPARE(widgetsOf(m_window.get()).size(), 16);
    QCOMPARE(m_window->findChild<ControlPanel*>()->cameras().size(), 16);
    QCOMPARE(opened.size(), 16);
    QCOMPARE(messages.size(), 1);
}

void tst_PlaybackWindow2::stripCommandsReachThePlayers()
{
    const QString serverId = QStringLiteral("127.0.0.1:%1").arg(m_server.port());
    m_window->setSound(true);
    m_window->addCameras(camerasOf(serverId, 1, 2));
    QTRY_VERIFY_WITH_TIMEOUT(allIn(m_window.get(), VideoWidget::Playing), 20000);

    // Pause, then continue: every live stream is asked again.
    auto* pause = child<QPushButton>(m_window.get(), "btnPause");
    pause->click();
    QTRY_VERIFY_WITH_TIMEOUT(allIn(m_window.get(), VideoWidget::Paused), 10000);
    QCOMPARE(pause->toolTip(), QString("Continue watching"));
    const int requests = m_source.requestCount();
    pause->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_source.requestCount(), requests + 2, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(allIn(m_window.get(), VideoWidget::Playing), 20000);

    // The volume slider reaches the setting and libvlc, up to 200 %.
    auto* slider = m_window->findChild<VolumeSlider*>();
    for (const auto& row : QList<QPair<int, int>>{{83, 200}, {3, 0}, {43, 100}, {83, 200}}) {
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(row.first, 12));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(row.first, 12));
        QCOMPARE(Utils::Keys::panelVolume().value(), row.second);
        for (VideoWidget* widget : widgetsOf(m_window.get()))
            QCOMPARE(libvlc_audio_get_volume(widget->mediaPlayer()), row.second);
    }

    // Rotate turns the active camera and keeps the angle.
    child<QPushButton>(m_window.get(), "btnRotateRight")->click();
    const CameraPtr active = m_window->findChild<VideoContainer*>()->activeWidget()->camera();
    QCOMPARE(Utils::Keys::cameraRotation(active->serverId(), active->id()).value(), 90);

    // Speed x2 with a camera that cannot play faster: one warning naming it, and the speed still goes through.
    CameraPtr slow = std::make_shared<Camera>(5, "Gate", serverId, 0, "Old", false, true, true, QSize(320, 240), "h264",
                                              Camera::CameraFlags(), QString());
    slow->setServerType(1);
    slow->setPassword(kPassword);
    m_window->addCamera(slow);
    auto* panel = m_window->findChild<ControlPanel*>();
    QSignalSpy speed(panel, &ControlPanel::speedChangeRequested);
    auto* boxSpeed = child<QComboBox>(m_window.get(), "boxSpeed");
    boxSpeed->setCurrentIndex(1);
    auto* box = child<QErrorMessage>(m_window.get(), "errorMessage");
    QVERIFY(box->isVisible());
    QCOMPARE(box->windowTitle(), QString("Playing with increased speed is not supported"));
    const QString text = box->findChild<QTextEdit*>()->toPlainText();
    QVERIFY2(text.contains("speed x2 ") && text.contains("Old-Gate"), qPrintable(text));
    QCOMPARE(speed.size(), 1);
    box->hide();
    boxSpeed->setCurrentIndex(0);
    QVERIFY(!box->isVisible());
    QCOMPARE(speed.size(), 2);
}

void tst_PlaybackWindow2::qualityAndArchiveFollowTheCameraCount()
{
    const QString serverId = QStringLiteral("127.0.0.1:%1").arg(m_server.port());
    auto* timelinePanel = child<QWidget>(m_window.get(), "timelinePanel");
    auto* quality = child<QComboBox>(m_window.get(), "boxQuality");
    auto* speed = child<QComboBox>(m_window.get(), "boxSpeed");
    const auto items = [&] {
        QStringList result;
        for (int i = 0; i < quality->count(); ++i)
            result << quality->itemText(i);
        return result;
    };

    m_window->addCameras(camerasOf(serverId, 1, 8));
    m_window->addCameras(camerasOf(serverId, 20, 3));
    QCOMPARE(widgetsOf(m_window.get()).size(), 11);
    QVERIFY(!timelinePanel->isVisible());
    QVERIFY(!speed->isEnabled());
    QCOMPARE(quality->currentText(), QString("Low"));
    QVERIFY(!quality->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(lastQualities(m_source).size(), 11, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(lastQualities(m_source).values(), QStringList(11, "0"), 15000);

    QList<VideoPlayer*> players = m_window->findChild<VideoContainer*>()->players();
    players.at(0)->close();
    players.at(1)->close();
    QVERIFY(timelinePanel->isVisible());
    QVERIFY(quality->isEnabled());
    QCOMPARE(items(), QStringList({"Low", "Middle"}));
    QCOMPARE(quality->currentText(), QString("Middle"));
    for (VideoWidget* widget : widgetsOf(m_window.get()))
        QTRY_COMPARE_WITH_TIMEOUT(lastQualities(m_source).value(QString::number(widget->camera()->id())), QString("1"),
                                  15000);

    for (int i = 2; i < 5; ++i)
        players.at(i)->close();
    QCOMPARE(widgetsOf(m_window.get()).size(), 6);
    QCOMPARE(items(), QStringList({"Low", "Middle", "High"}));
    QCOMPARE(quality->currentText(), QString("High"));
    QVERIFY(!Utils::Keys::panelQuality().isStored());
}

void tst_PlaybackWindow2::savesTheActiveCamerasPicture()
{
    const QString serverId = QStringLiteral("127.0.0.1:%1").arg(m_server.port());
    CameraPtr door = std::make_shared<Camera>(4, "Office: Door 1", serverId, 0, "Main", true, true, true,
                                              QSize(320, 240), "h264", Camera::CameraFlags(), QString());
    door->setServerType(1);
    door->setPassword(kPassword);
    m_window->addCamera(door);
    QTRY_VERIFY_WITH_TIMEOUT(allIn(m_window.get(), VideoWidget::Playing), 20000);
    QTest::qWait(300);

    QString proposed;
    QString answer;
    TestSupport::BoxAnswerer boxes;
    boxes.setDialogHandler([&](QDialog* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        proposed = static_cast<QFileDialog*>(dialog)->directory().absolutePath() + "/" + edit->text();
        if (answer.isEmpty())
            return int(QDialog::Rejected);
        edit->setText(answer);
        dialog->accept();
        return dialog->result();
    });
    auto* panel = m_window->findChild<ControlPanel*>();
    auto* save = child<QPushButton>(m_window.get(), "btnSave");
    const auto saveAt = [&](const QString& file) {
        answer = file;
        panel->setCurrentTime(QDateTime(QDate(2014, 3, 3), QTime(14, 5, 9)));
        save->click();
    };

    TestSupport::MessageCapture log;
    QSignalSpy messages(m_window.get(), &PlaybackWindow2::showMessage);
    // As in a user's home; the dialog would show another folder for one that does not exist.
    QVERIFY(QDir().mkpath(QDir::homePath() + "/Pictures"));
    saveAt(QString());
    QCOMPARE(proposed, QDir::homePath() + "/Pictures/Main-Office__Door_1_03_03_14_14_05_09.jpg");
    QCOMPARE(log.count("Save frame to:"), 0);

    const QString file = TestSupport::workDir() + "/x.png";
    saveAt(file);
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.read(2), QByteArray("\xFF\xD8"));
    QVERIFY2(log.contains(QString("Save frame to: \"%1\" . Saved path: \"%2\"").arg(file, TestSupport::workDir())),
             qPrintable(log.messages().join('\n')));
    QCOMPARE(messages.size(), 0);
    // The next proposal is in the folder of the last image.
    saveAt(QString());
    QCOMPARE(proposed, TestSupport::workDir() + "/Main-Office__Door_1_03_03_14_14_05_09.jpg");

    // A folder that cannot take the file: a warning and a status text.
    const QString lost = TestSupport::workDir() + "/missing/y.jpg";
    saveAt(lost);
    QVERIFY(log.contains(QString("Cannot save frame to: \"%1\"").arg(lost)));
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages.at(0).at(0).toString().contains(lost));
}

void tst_PlaybackWindow2::closingPlayers()
{
    const QString serverId = QStringLiteral("127.0.0.1:%1").arg(m_server.port());
    QStringList events;
    connect(m_window.get(), &PlaybackWindow2::closeAllNeeded, this,
            [&](bool needed) { events << QString("closeAllNeeded %1").arg(needed); });
    connect(m_window.get(), &PlaybackWindow2::cameraClosed, this,
            [&](CameraPtr camera) { events << "closed " + camera->name(); });
    connect(m_window.get(), &PlaybackWindow2::allCamerasClosed, this, [&] { events << "allCamerasClosed"; });
    auto* panel = m_window->findChild<ControlPanel*>();

    m_window->addCameras(camerasOf(serverId, 1, 3));
    auto* timeLabel = child<QLabel>(m_window.get(), "timeLabel");
    QTRY_VERIFY_WITH_TIMEOUT(timeLabel->text().endsWith(" (LIVE)"), 20000);
    events.clear();
    // The close control of the first player.
    VideoPlayer* first = m_window->findChild<VideoContainer*>()->players().first();
    child<QPushButton>(first, "closeButton")->click();
    QCOMPARE(events, QStringList({"closed Cam 1"}));
    QCOMPARE(panel->cameras().keys(), camerasOf(serverId, 2, 2).keys());

    events.clear();
    m_window->removeAllCameras();
    QCOMPARE(events,
             QStringList({"closed Cam 2", "closeAllNeeded 0", "closed Cam 3", "closeAllNeeded 0", "allCamerasClosed"}));
    QVERIFY(panel->cameras().isEmpty());
    for (const char* name : {"btnPause", "btnLive", "btnRotateRight", "btnSave", "btnExport", "btnSearch"})
        QVERIFY2(!child<QPushButton>(m_window.get(), name)->isEnabled(), name);
    QCOMPARE(timeLabel->text(), QString("--:--:--"));
}

void tst_PlaybackWindow2::reopenedCameraRestartsOncePerFlagChange()
{
    const QString serverId = QStringLiteral("127.0.0.1:%1").arg(m_server.port());
    const GlobalCameraList one = camerasOf(serverId, 1, 1);
    m_window->addCameras(one);
    m_window->removeAllCameras();
    m_window->addCameras(one);

    TestSupport::MessageCapture log;
    one.first()->setFlags(Camera::Offline);
    one.first()->setFlags(Camera::CameraFlags());
    QCOMPARE(log.count("Play path:"), 1);
}

void tst_PlaybackWindow2::everyNamedImageExists()
{
    static const QRegularExpression image(QStringLiteral(":/?icons/[\\w./-]+\\.(png|svg|gif)"));
    QStringList missing;
    int named = 0;
    for (const char* folder : {"/src/forms", "/src/gui"}) {
        QDirIterator files(QStringLiteral(QUORVEL_SOURCE_DIR) + folder, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            auto matches = image.globalMatch(QString::fromUtf8(file.readAll()));
            while (matches.hasNext()) {
                const QString name = matches.next().captured(0);
                ++named;
                if (QPixmap(name).isNull())
                    missing << name;
            }
        }
    }
    QVERIFY(named > 20);
    QCOMPARE(missing, QStringList());
}

void tst_PlaybackWindow2::openOnArchiveDay(const GlobalCameraList& cameras)
{
    TestSupport::ObjectCensus census;
    // The clock's first report would bring the calendar back to today.
    m_window->findChild<ControlPanel*>()->setCurrentTime(QDateTime::currentDateTime());
    m_window->findChild<QuorvelClient::GUI::ArchivePanel*>()->setCurrentDate(kArchiveDay);
    m_window->addCameras(cameras);
    QTRY_COMPARE_WITH_TIMEOUT(census.alive("QuorvelClient::Core::StreamerClient"), 0, 10000);
}

QStringList tst_PlaybackWindow2::archiveRequests(int camera) const
{
    QStringList result;
    for (const auto& request : m_source.requests()) {
        if (request.path == "/flv/archive" && request.query.queryItemValue("camera") == QString::number(camera)) {
            const qint64 start = request.query.queryItemValue("startTime").toLongLong();
            result << request.query.queryItemValue("startId") + ' ' +
                          QDateTime::fromSecsSinceEpoch(start).toString("hh:mm:ss");
        }
    }
    return result;
}

void tst_PlaybackWindow2::clickPlaysEveryCameraOnOneClock()
{
    m_server.setRecords(31, {record(100, "09:00:00", 1200)});
    m_server.setRecords(32, {record(300, "09:00:03", 1200)});
    openOnArchiveDay(camerasOf(serverId(), 31, 2));
    QSignalSpy requested(m_window->findChild<ControlPanel*>(), &ControlPanel::playArchiveRequested);
    m_source.clearRequests();

    timeline()->playTime(at("09:00:01"));
    QCOMPARE(requested.size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(m_source.requestCount("/flv/archive"), 1, 5000);
    QCOMPARE(m_source.requests().first().target,
             "/flv/archive?server=1&camera=31&sessionId=p%40ss%20w%2Frd&startId=100&endId=200&startTime=" +
                 QByteArray::number(at("09:00:01").toSecsSinceEpoch()) +
                 "&q=2&vcodec=flv&vcodec=h264&acodec=mp3&speed=1&vcodec=mpeg4");
    QTRY_COMPARE_WITH_TIMEOUT(m_source.requestCount("/flv/archive"), 2, 15000);
    QCOMPARE(archiveRequests(32), QStringList{"300 09:00:04"});
    const qint64 gap = m_source.requests().at(1).elapsed - m_source.requests().at(0).elapsed;
    // M's record starts 3 s after the click: it waits for L's clock, which starts with L's first pictures (later on
    // a loaded machine or under the sanitizers).
    QVERIFY2(gap > 2500 && gap < 6500, qPrintable(QString::number(gap)));

    QTRY_VERIFY_WITH_TIMEOUT(allIn(m_window.get(), VideoWidget::Playing), 20000);
    for (int i = 0; i < 8; ++i) {
        QTest::qWait(250);
        const QList<VideoWidget*> widgets = widgetsOf(m_window.get());
        const qint64 apart = widgets.at(0)->currentTime().msecsTo(widgets.at(1)->currentTime());
        QVERIFY2(qAbs(apart) <= 1000, qPrintable(QString::number(apart)));
    }
    const QString text = child<QLabel>(m_window.get(), "timeLabel")->text();
    QVERIFY2(text.startsWith("09:00:") && !text.contains("LIVE"), qPrintable(text));
}

void tst_PlaybackWindow2::clickedTime_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("log");

    QTest::newRow("inside a record") << at("09:10:00") << "100 09:10:00"
                                     << "";
    QTest::newRow("in a gap") << at("09:25:00") << "500 09:30:01"
                              << "";
    QTest::newRow("after the day's last record") << at("09:50:00") << ""
                                                 << "No archive records to play from:";
    QTest::newRow("in the future") << QDateTime::currentDateTime().addSecs(60) << ""
                                   << "No archive to play after now:";
}

void tst_PlaybackWindow2::clickedTime()
{
    QFETCH(QDateTime, time);
    QFETCH(QString, request);
    QFETCH(QString, log);

    m_server.setRecords(33, {record(100, "09:00:00", 1200), record(500, "09:30:00", 600)});
    openOnArchiveDay(camerasOf(serverId(), 33, 1));
    QTRY_VERIFY_WITH_TIMEOUT(allIn(m_window.get(), VideoWidget::Playing), 20000);
    QSignalSpy requested(m_window->findChild<ControlPanel*>(), &ControlPanel::playArchiveRequested);
    TestSupport::MessageCapture messages;

    timeline()->playTime(time);
    QCOMPARE(requested.size(), request.isEmpty() ? 0 : 1);
    if (!request.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(33), QStringList{request}, 5000);
        return;
    }
    QCOMPARE(messages.count(log), 1);
    QTest::qWait(500);
    QCOMPARE(archiveRequests(33), QStringList());
    QVERIFY(allIn(m_window.get(), VideoWidget::Playing));
    QVERIFY(child<QLabel>(m_window.get(), "timeLabel")->text().endsWith(" (LIVE)"));
}

// An account camera starts the watch period; its own archive requests fail on the local server, harmlessly.
void tst_PlaybackWindow2::pauseAndWatchLimitHoldTheSchedule()
{
    m_server.setRecords(34, {record(100, "09:00:00", 1200)});
    m_server.setRecords(35, {record(300, "09:00:05", 1200)});
    GlobalCameraList cameras = camerasOf(serverId(), 34, 2);
    const CameraPtr account = accountCamera(36);
    cameras.insert(account->globalId(), account);
    openOnArchiveDay(cameras);
    m_source.clearRequests();
    timeline()->playTime(at("09:00:01"));
    // The live picture's state may still be the last one reported.
    QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(34).size(), 1, 5000);
    VideoWidget* first = widgetsOf(m_window.get()).first();
    QTRY_COMPARE_WITH_TIMEOUT(first->playerState(), VideoWidget::Playing, 20000);

    auto* pause = child<QPushButton>(m_window.get(), "btnPause");
    auto* timeLabel = child<QLabel>(m_window.get(), "timeLabel");
    pause->click();
    QTRY_COMPARE_WITH_TIMEOUT(first->playerState(), VideoWidget::Paused, 5000);
    const QString stillAt = timeLabel->text();
    QTest::qWait(2500);
    QCOMPARE(timeLabel->text(), stillAt);
    QCOMPARE(archiveRequests(35), QStringList());
    pause->click();
    QTRY_COMPARE_WITH_TIMEOUT(first->playerState(), VideoWidget::Playing, 5000);

    // The limit stops every player and the schedule; going on asks each started player's stream again from where
    // it stood, and the schedule goes on.
    QVERIFY(QMetaObject::invokeMethod(m_window.get(), "onMaxViewDurationReached"));
    QTRY_COMPARE_WITH_TIMEOUT(first->playerState(), VideoWidget::Stopped, 5000);
    const QTime stopped = first->currentTime().time();
    QTest::mouseClick(m_window->findChild<VideoPlaceholderWidget*>()->findChild<QPushButton*>("btnContinue"),
                      Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(34).size(), 2, 5000);
    QVERIFY(qAbs(QTime::fromString(archiveRequests(34).last().mid(4)).secsTo(stopped)) <= 1);
    QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(35), QStringList{"300 09:00:06"}, 15000);
    // The account camera has nothing to play: going on asks it for nothing.
    QCOMPARE(archiveRequests(36), QStringList());
}

void tst_PlaybackWindow2::lateRecordsJoinThePlayback()
{
    // A later record of the first camera keeps the schedule running.
    m_server.setRecords(37, {record(100, "09:00:00", 1200), record(500, "10:00:00", 60)});
    m_server.setRecords(38, {record(300, "09:00:02", 2), record(320, "09:00:05", 300)});
    openOnArchiveDay(camerasOf(serverId(), 37, 1));
    m_server.holdReplies("archive/list");
    m_window->addCameras(camerasOf(serverId(), 38, 1));
    QTRY_COMPARE_WITH_TIMEOUT(m_server.heldCount(), 1, 5000);
    m_source.clearRequests();

    timeline()->playTime(at("09:00:01"));
    QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(37).size(), 1, 5000);
    QTRY_VERIFY(child<QLabel>(m_window.get(), "timeLabel")->text().startsWith("09:00:0"));
    m_server.holdReplies("archive/list", false);
    m_server.releaseHeld();
    QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(38), QStringList{"300 09:00:03"}, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(38), (QStringList{"300 09:00:03", "320 09:00:06"}), 15000);
}

void tst_PlaybackWindow2::archiveModeTakesNineCameras()
{
    m_server.setRecords(51, {record(100, "09:00:00", 1200)});
    openOnArchiveDay(camerasOf(serverId(), 51, 7));
    timeline()->playTime(at("09:00:01"));
    QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(51).size(), 1, 5000);
    QSignalSpy messages(m_window.get(), &PlaybackWindow2::showMessage);
    m_source.clearRequests();

    m_window->addCameras(camerasOf(serverId(), 58, 3));
    QCOMPARE(widgetsOf(m_window.get()).size(), 9);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.at(0).at(0).toString(), QString("You can open up to 9 archives simultaneously"));
    QTest::qWait(500);
    QCOMPARE(m_source.requestCount("/flv/live"), 0);
}

void tst_PlaybackWindow2::watchLimit()
{
    auto* timer = m_window->findChild<QTimer*>("watchTimer");
    auto* placeholder = m_window->findChild<VideoPlaceholderWidget*>();
    auto* container = m_window->findChild<VideoContainer*>();
    auto* closeBar = child<QWidget>(m_window.get(), "frameClose");
    const CameraPtr account = accountCamera(1);
    m_window->addCameras({{account->globalId(), account}});
    QTRY_VERIFY_WITH_TIMEOUT(allIn(m_window.get(), VideoWidget::Playing), 20000);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 3600000);
    QCOMPARE(timer->parent(), m_window.get());

    const QDateTime opened = QDateTime::currentDateTime();
    QVERIFY(QMetaObject::invokeMethod(m_window.get(), "onMaxViewDurationReached"));
    QVERIFY(placeholder->isVisible() && closeBar->isVisible() && !container->isVisible() && !timer->isActive());
    const QRegularExpressionMatch text = QRegularExpression("^Watched since (.{17}) for 00:00:0\\d\\.$")
                                             .match(placeholder->findChild<QLabel*>("lbTimeText")->text());
    QVERIFY(text.hasMatch());
    QVERIFY(qAbs(QDateTime::fromString(text.captured(1), "dd.MM.yy hh:mm:ss").addYears(100).secsTo(opened)) <= 2);
    QTRY_VERIFY_WITH_TIMEOUT(allIn(m_window.get(), VideoWidget::Stopped), 10000);

    // Closing all cameras from the bar leaves an empty grid in view.
    QTest::mouseClick(child<QPushButton>(closeBar, "btnClose"), Qt::LeftButton);
    QVERIFY(!placeholder->isVisible() && !closeBar->isVisible() && container->isVisible());
    QVERIFY(container->players().isEmpty());
}

void tst_PlaybackWindow2::watchLimitStaysOff_data()
{
    QTest::addColumn<bool>("account");
    QTest::addColumn<QString>("setting");

    QTest::newRow("local cameras only") << false << "";
    QTest::newRow("limit switched off") << true << "before";
    QTest::newRow("limit switched off while counting") << true << "during";
}

void tst_PlaybackWindow2::watchLimitStaysOff()
{
    QFETCH(bool, account);
    QFETCH(QString, setting);

    auto* timer = m_window->findChild<QTimer*>("watchTimer");
    Utils::Keys::noWatchLimit().setValue(setting == "before");
    GlobalCameraList cameras = camerasOf(serverId(), 2, 1);
    if (account)
        cameras.insert(accountCamera(1)->globalId(), accountCamera(1));
    m_window->addCameras(cameras);
    QTRY_VERIFY_WITH_TIMEOUT(allIn(m_window.get(), VideoWidget::Playing), 20000);
    QCOMPARE(timer->isActive(), setting == "during");

    // A timeout only stops the timer once the limit is off.
    Utils::Keys::noWatchLimit().setValue(true);
    QVERIFY(QMetaObject::invokeMethod(m_window.get(), "onMaxViewDurationReached"));
    QVERIFY(!timer->isActive());
    QVERIFY(!m_window->findChild<VideoPlaceholderWidget*>()->isVisible());
    for (VideoWidget* widget : widgetsOf(m_window.get()))
        QVERIFY(widget->isPlaying());
}

QUORVEL_TEST_MAIN(tst_PlaybackWindow2)
#include "tst_PlaybackWindow2.moc"
