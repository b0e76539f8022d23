#define QTEST_QPA_MOUSE_HANDLING

#include "core/SessionManager.h"
#include "gui/playback/VideoPlaceholderWidget.h"
#include "gui/playback/WindowRig.h"
#include "gui/playback/widgets/Timeline.h"
#include "gui/playback/widgets/VolumeSlider.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "support/BoxAnswerer.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"
#include "support/Widgets.h"
#include "utils/SettingsKeys.h"

#include <QComboBox>
#include <QDirIterator>
#include <QErrorMessage>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextEdit>
#include <QTimer>

#include <vlc/vlc.h>

using namespace QuorvelClient::Core;
using namespace QuorvelClient::GUI;
using TestSupport::child;

class tst_PlaybackWindow2 : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void opensCamerasAndPlaysLive();
    void stripCommandsReachThePlayers();
    void qualityAndArchiveFollowTheCameraCount();
    void savesTheActiveCamerasPicture();
    void proposedImageNameFitsTheFileSystem();
    void closingPlayers();
    void everyNamedImageExists();
    void clickPlaysEveryCameraOnOneClock();
    void clickedTime_data();
    void clickedTime();
    void stripFollowsThePlayersWhateverTheyReport();
    void idleScheduleLeavesTheStripToTheTick();
    void everyArchiveStartReachesTheStrip();
    void clickDropsPendingLiveReissues();
    void pauseAndWatchLimitHoldTheSchedule();
    void lateRecordsJoinThePlayback();
    void archiveModeTakesNineCameras();
    void watchLimit_data();
    void watchLimit();
    void interruptionEndsTheWatchPeriod();

private:
    PlaybackWindow2* window() const { return m_rig.window.get(); }
    QList<VideoWidget*> widgets() const;
    bool allIn(VideoWidget::PlayerState state) const;
    static bool hasPicture(VideoWidget* widget);
    QString timeText() const { return child<QLabel>(window(), "timeLabel")->text(); }
    // The strip shows a clock, and Pause can be clicked.
    bool stripPlays() const
    {
        return child<QPushButton>(window(), "btnPause")->isEnabled() && timeText() != "--:--:--";
    }
    GlobalCameraList cameras(int first, int count) const;
    void openOnArchiveDay(const GlobalCameraList& cameras);
    // The archive requests of one camera, as "<startId> <startTime as hh:mm:ss>".
    QStringList archiveRequests(int camera) const;
    void playAt(const char* time) const;
    void watchTimeout() const { QVERIFY(QMetaObject::invokeMethod(window(), "onMaxViewDurationReached")); }

    TestSupport::WindowRig m_rig;
};

namespace {

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

CameraPtr accountCamera(int id)
{
    CameraPtr camera = TestSupport::localCamera(id, QStringLiteral("srv-1"), QSize(320, 240));
    camera->setServerType(0);
    return camera;
}

} // namespace

QList<VideoWidget*> tst_PlaybackWindow2::widgets() const
{
    QList<VideoWidget*> result;
    for (VideoPlayer* player : window()->findChild<VideoContainer*>()->players())
        result << player->videoWidget();
    return result;
}

bool tst_PlaybackWindow2::hasPicture(VideoWidget* widget)
{
    QMutexLocker locker(widget->streamPlayer()->frameMutex());
    return !widget->streamPlayer()->frame().isNull();
}

bool tst_PlaybackWindow2::allIn(VideoWidget::PlayerState state) const
{
    const QList<VideoWidget*> all = widgets();
    return std::all_of(all.cbegin(), all.cend(), [state](VideoWidget* w) { return w->playerState() == state; });
}

GlobalCameraList tst_PlaybackWindow2::cameras(int first, int count) const
{
    GlobalCameraList list;
    for (int id = first; id < first + count; ++id)
        list.insert(m_rig.camera(id)->globalId(), m_rig.camera(id));
    return list;
}

void tst_PlaybackWindow2::openOnArchiveDay(const GlobalCameraList& cameras)
{
    m_rig.open(cameras.values(), kArchiveDay);
}

QStringList tst_PlaybackWindow2::archiveRequests(int camera) const
{
    QStringList result;
    for (const auto& request : m_rig.source.requests()) {
        if (request.path == "/flv/archive" && request.query.queryItemValue("camera") == QString::number(camera)) {
            const qint64 start = request.query.queryItemValue("startTime").toLongLong();
            result << request.query.queryItemValue("startId") + ' ' +
                          QDateTime::fromSecsSinceEpoch(start).toString("hh:mm:ss");
        }
    }
    return result;
}

void tst_PlaybackWindow2::playAt(const char* time) const
{
    window()->findChild<Timeline*>()->playTime(at(time));
}

void tst_PlaybackWindow2::initTestCase()
{
    QVERIFY(m_rig.start());
    m_rig.source.setArchiveLoops(20);
    Utils::Keys::streamerHost().setValue(m_rig.serverId());
    SessionManager::create(QString(), QString());
}

void tst_PlaybackWindow2::init()
{
    Utils::Keys::panelVolume().remove();
    Utils::Keys::panelQuality().remove();
    Utils::Keys::noWatchLimit().remove();
    m_rig.newWindow();
    m_rig.source.clearRequests();
}

void tst_PlaybackWindow2::opensCamerasAndPlaysLive()
{
    QSignalSpy opened(window(), &PlaybackWindow2::cameraOpened);
    QSignalSpy closeAll(window(), &PlaybackWindow2::closeAllNeeded);
    QSignalSpy messages(window(), &PlaybackWindow2::showMessage);
    auto* pause = child<QPushButton>(window(), "btnPause");
    QVERIFY(!pause->isEnabled());

    const GlobalCameraList three = cameras(1, 3);
    window()->addCameras(three);
    QCOMPARE(opened.size(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(opened.at(i).at(0).value<CameraPtr>(), three.values().at(i));
    QCOMPARE(QList<QVariantList>(closeAll), QList<QVariantList>{{true}});
    QCOMPARE(timeText(), "--:--:--");

    QTRY_VERIFY_WITH_TIMEOUT(allIn(VideoWidget::Playing), 20000);
    QStringList targets;
    for (const auto& request : m_rig.source.requests())
        targets << QString::fromLatin1(request.target);
    targets.sort();
    QStringList expected;
    for (int id = 1; id <= 3; ++id)
        expected << QStringLiteral("/flv/live?server=1&camera=%1&sessionId=p%40ss%20w%2Frd&q=2&vcodec=flv&vcodec=h264&"
                                   "vcodec=mpeg4&acodec=mp3")
                        .arg(id);
    QCOMPARE(targets, expected);
    QTRY_VERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d \\(LIVE\\)$").match(timeText()).hasMatch());
    QVERIFY(pause->isEnabled());

    // All already open: one message and nothing opened; a null record is skipped.
    GlobalCameraList again = three;
    again.insert({m_rig.serverId(), 99}, CameraPtr());
    window()->addCameras(again);
    QCOMPARE(messages.value(0).value(0).toString(), "That cameras are already opened");
    QCOMPARE(opened.size(), 3);

    // Only sixteen fit; the seventeenth is left out without a word.
    window()->addCameras(cameras(10, 14));
    QCOMPARE(m_rig.panel()->cameras().size(), 16);
    QCOMPARE(opened.size(), 16);
    QCOMPARE(messages.size(), 1);
}

void tst_PlaybackWindow2::stripCommandsReachThePlayers()
{
    window()->setSound(true);
    window()->addCameras(cameras(1, 2));
    QTRY_VERIFY_WITH_TIMEOUT(allIn(VideoWidget::Playing), 20000);

    // Pause, then continue: every live stream is asked again.
    auto* pause = child<QPushButton>(window(), "btnPause");
    pause->click();
    QTRY_VERIFY_WITH_TIMEOUT(allIn(VideoWidget::Paused), 10000);
    QCOMPARE(pause->toolTip(), "Continue watching");
    const int requests = m_rig.source.requestCount();
    pause->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_rig.source.requestCount(), requests + 2, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(allIn(VideoWidget::Playing), 20000);

    // The volume slider reaches the setting and libvlc, up to 200 %.
    auto* slider = window()->findChild<VolumeSlider*>();
    for (const auto& [x, volume] : QList<std::pair<int, int>>{{83, 200}, {3, 0}, {43, 100}, {83, 200}}) {
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(x, 12));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(x, 12));
        QCOMPARE(Utils::Keys::panelVolume().value(), volume);
        // A player whose sound has not started yet takes it once it starts.
        for (VideoWidget* widget : widgets())
            QTRY_COMPARE_WITH_TIMEOUT(libvlc_audio_get_volume(widget->mediaPlayer()), volume, 5000);
    }

    // Rotate turns the active camera and keeps the angle.
    child<QPushButton>(window(), "btnRotateRight")->click();
    const CameraPtr active = window()->findChild<VideoContainer*>()->activeWidget()->camera();
    QCOMPARE(Utils::Keys::cameraRotation(active->serverId(), active->id()).value(), 90);

    // Speed x2 with a camera that cannot play faster: one warning naming it, and the speed still goes through.
    CameraPtr slow = std::make_shared<Camera>(5, "Gate", m_rig.serverId(), 0, "Old", false, true, true, QSize(320, 240),
                                              "h264", Camera::CameraFlags(), QString());
    slow->setServerType(1);
    slow->setPassword(m_rig.server.password());
    window()->addCamera(slow);
    QSignalSpy speed(m_rig.panel(), &ControlPanel::speedChangeRequested);
    auto* boxSpeed = child<QComboBox>(window(), "boxSpeed");
    boxSpeed->setCurrentIndex(1);
    auto* box = child<QErrorMessage>(window(), "errorMessage");
    QVERIFY(box->isVisible());
    QCOMPARE(box->windowTitle(), "Playing with increased speed is not supported");
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
    auto* timelinePanel = child<QWidget>(window(), "timelinePanel");
    auto* quality = child<QComboBox>(window(), "boxQuality");
    // The last quality asked of each camera, by camera number.
    const auto lastQualities = [this] {
        QMap<QString, QString> result;
        for (const auto& request : m_rig.source.requests())
            result.insert(request.query.queryItemValue("camera"), request.query.queryItemValue("q"));
        return result;
    };

    window()->addCameras(cameras(1, 8));
    window()->addCameras(cameras(20, 3));
    QCOMPARE(widgets().size(), 11);
    QVERIFY(!timelinePanel->isVisible() && !child<QComboBox>(window(), "boxSpeed")->isEnabled());
    QVERIFY(quality->currentText() == "Low" && !quality->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(lastQualities().values(), QStringList(11, "0"), 15000);

    QList<VideoPlayer*> players = window()->findChild<VideoContainer*>()->players();
    players.at(0)->close();
    players.at(1)->close();
    QVERIFY(timelinePanel->isVisible() && quality->isEnabled());
    QCOMPARE(quality->count(), 2);
    QCOMPARE(quality->currentText(), "Middle");
    QTRY_COMPARE_WITH_TIMEOUT(lastQualities().values().count("1"), 9, 15000);

    for (int i = 2; i < 5; ++i)
        players.at(i)->close();
    QCOMPARE(quality->count(), 3);
    QCOMPARE(quality->currentText(), "High");
    QVERIFY(!Utils::Keys::panelQuality().isStored());
}

void tst_PlaybackWindow2::savesTheActiveCamerasPicture()
{
    window()->addCamera(m_rig.camera(4, "Office: Door 1", "Main"));
    // A stream plays before its first picture is decoded, long before under the sanitizers.
    QTRY_VERIFY_WITH_TIMEOUT(hasPicture(widgets().first()), 20000);

    QString proposed;
    QString answer;
    TestSupport::BoxAnswerer boxes;
    boxes.setDialogHandler([&](QDialog* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        proposed = static_cast<QFileDialog*>(dialog)->directory().absolutePath() + "/" + edit->text();
        if (answer.isEmpty())
            return int(QDialog::Rejected);
        edit->setText(answer);
        static_cast<QFileDialog*>(dialog)->setOption(QFileDialog::DontConfirmOverwrite);
        dialog->accept();
        return dialog->result();
    });
    const auto saveAt = [&](const QString& file) {
        answer = file;
        m_rig.panel()->setCurrentTime(QDateTime(QDate(2014, 3, 3), QTime(14, 5, 9)));
        child<QPushButton>(window(), "btnSave")->click();
    };

    TestSupport::MessageCapture log;
    QSignalSpy messages(window(), &PlaybackWindow2::showMessage);
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
    QVERIFY(log.contains(QString("Save frame to: \"%1\" . Saved path: \"%2\"").arg(file, TestSupport::workDir())));
    QCOMPARE(messages.size(), 0);
    // The next proposal is in the folder of the last image.
    saveAt(QString());
    QCOMPARE(proposed, TestSupport::workDir() + "/Main-Office__Door_1_03_03_14_14_05_09.jpg");

    // A folder that cannot take the file: a warning and a status text.
    const QString lost = TestSupport::workDir() + "/missing/y.jpg";
    saveAt(lost);
    QVERIFY(log.contains(QString("Cannot save frame to: \"%1\"").arg(lost)));
    QVERIFY(messages.value(0).value(0).toString().contains(lost));
    // A save that wrote is good, whatever the file system tells of the file afterwards (here: nothing kept).
    saveAt("/dev/null");
    QVERIFY(log.contains("Save frame to: \"/dev/null\""));
    QCOMPARE(log.count("Cannot save frame to:"), 1);
    QCOMPARE(messages.size(), 1);
}

// A long camera name is proposed whole while the file name fits in 255 bytes, and cut between letters to fit beyond.
void tst_PlaybackWindow2::proposedImageNameFitsTheFileSystem()
{
    const QString tail = "_03_03_14_14_05_09.jpg";
    const QString cyrillic = QString::fromUtf8("Дверь").repeated(60);
    const QList<QPair<QString, QString>> cases{
        {QString(200, 'a') + " " + QString(27, 'b'), "Main-" + QString(200, 'a') + "_" + QString(27, 'b') + tail},
        {cyrillic, "Main-" + cyrillic.left(114) + tail}};
    for (const auto& [name, expected] : cases) {
        m_rig.newWindow();
        window()->addCamera(m_rig.camera(4, name, "Main"));
        QTRY_VERIFY_WITH_TIMEOUT(hasPicture(widgets().first()), 20000);

        QString proposed;
        TestSupport::BoxAnswerer boxes;
        boxes.setDialogHandler([&](QDialog* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
            proposed = edit->text();
            edit->setText(TestSupport::workDir() + "/" + proposed);
            static_cast<QFileDialog*>(dialog)->setOption(QFileDialog::DontConfirmOverwrite);
            dialog->accept();
            return dialog->result();
        });
        m_rig.panel()->setCurrentTime(QDateTime(QDate(2014, 3, 3), QTime(14, 5, 9)));
        child<QPushButton>(window(), "btnSave")->click();
        QCOMPARE(proposed, expected);
        QVERIFY(proposed.toUtf8().size() <= 255);
        QFile saved(TestSupport::workDir() + "/" + proposed);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.read(2), QByteArray("\xFF\xD8"));
    }
}

void tst_PlaybackWindow2::closingPlayers()
{
    QStringList events;
    connect(window(), &PlaybackWindow2::closeAllNeeded, this,
            [&](bool needed) { events << QString("closeAllNeeded %1").arg(needed); });
    connect(window(), &PlaybackWindow2::cameraClosed, this, [&](CameraPtr camera) { events << camera->name(); });
    connect(window(), &PlaybackWindow2::allCamerasClosed, this, [&] { events << "allCamerasClosed"; });

    const GlobalCameraList three = cameras(1, 3);
    window()->addCameras(three);
    QTRY_VERIFY_WITH_TIMEOUT(timeText().endsWith(" (LIVE)"), 20000);
    events.clear();
    // The close control of the first player.
    VideoPlayer* first = window()->findChild<VideoContainer*>()->players().first();
    child<QPushButton>(first, "closeButton")->click();
    QCOMPARE(events, QStringList({"Cam 1"}));
    QCOMPARE(m_rig.panel()->cameras().keys(), three.keys().mid(1));

    events.clear();
    window()->removeAllCameras();
    QCOMPARE(events, QStringList({"Cam 2", "closeAllNeeded 0", "Cam 3", "closeAllNeeded 0", "allCamerasClosed"}));
    QVERIFY(m_rig.panel()->cameras().isEmpty());
    for (const char* name : {"btnPause", "btnLive", "btnRotateRight", "btnSave", "btnExport", "btnSearch"})
        QVERIFY2(!child<QPushButton>(window(), name)->isEnabled(), name);
    QCOMPARE(timeText(), "--:--:--");

    // A camera closed and opened again restarts once when its flags change.
    window()->addCameras({{three.firstKey(), three.first()}});
    TestSupport::MessageCapture log;
    three.first()->setFlags(Camera::Offline);
    three.first()->setFlags(Camera::CameraFlags());
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
            for (auto matches = image.globalMatch(QString::fromUtf8(file.readAll())); matches.hasNext(); ++named) {
                const QString name = matches.next().captured(0);
                if (QPixmap(name).isNull())
                    missing << name;
            }
        }
    }
    QVERIFY(named > 20);
    QCOMPARE(missing, QStringList());
}

void tst_PlaybackWindow2::clickPlaysEveryCameraOnOneClock()
{
    m_rig.server.setRecords(31, {record(100, "09:00:00", 1200)});
    m_rig.server.setRecords(32, {record(300, "09:00:03", 1200)});
    openOnArchiveDay(cameras(31, 2));
    QSignalSpy requested(m_rig.panel(), &ControlPanel::playArchiveRequested);
    m_rig.source.clearRequests();

    // L's picture time when M is asked for its archive.
    QDateTime firstAt;
    QObject context;
    connect(&m_rig.source, &TestSupport::FlvStreamSource::requestReceived, &context, [&](const QByteArray& target) {
        if (target.contains("camera=32&"))
            firstAt = widgets().at(0)->currentTime();
    });

    playAt("09:00:01");
    QCOMPARE(requested.size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(m_rig.source.requestCount("/flv/archive"), 1, 5000);
    QCOMPARE(m_rig.source.requests().first().target,
             "/flv/archive?server=1&camera=31&sessionId=p%40ss%20w%2Frd&startId=100&endId=200&startTime=" +
                 QByteArray::number(at("09:00:01").toSecsSinceEpoch()) +
                 "&q=2&vcodec=flv&vcodec=h264&acodec=mp3&speed=1&vcodec=mpeg4");
    QTRY_COMPARE_WITH_TIMEOUT(m_rig.source.requestCount("/flv/archive"), 2, 15000);
    QCOMPARE(archiveRequests(32), QStringList{"300 09:00:04"});
    // M's record starts 3 s after the click: it waits for L's clock to reach it, however late L's pictures come.
    const qint64 late = at("09:00:04").msecsTo(firstAt);
    QVERIFY2(late >= 0 && late <= 1500, qPrintable(QString::number(late)));

    // M's first picture comes after L's: L waits until M has caught up, and from then on they stay together.
    // Both players read their times at once, not at their own polls.
    const auto apart = [this] {
        for (VideoWidget* widget : widgets())
            widget->streamPlayer()->pollState();
        return widgets().at(0)->currentTime().msecsTo(widgets().at(1)->currentTime());
    };
    QTRY_VERIFY_WITH_TIMEOUT(allIn(VideoWidget::Playing), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(apart()) <= 500, 20000);
    for (int i = 0; i < 8; ++i) {
        QTest::qWait(250);
        const qint64 ms = apart();
        QVERIFY2(qAbs(ms) <= 1000, qPrintable(QString::number(ms)));
    }
    QVERIFY2(timeText().startsWith("09:00:") && !timeText().contains("LIVE"), qPrintable(timeText()));
}

void tst_PlaybackWindow2::clickedTime_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("request"); // empty: nothing is played, and the log says why
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
    m_rig.server.setRecords(33, {record(100, "09:00:00", 1200), record(500, "09:30:00", 600)});
    openOnArchiveDay(cameras(33, 1));
    QTRY_VERIFY_WITH_TIMEOUT(allIn(VideoWidget::Playing), 20000);
    QSignalSpy requested(m_rig.panel(), &ControlPanel::playArchiveRequested);
    TestSupport::MessageCapture messages;

    window()->findChild<Timeline*>()->playTime(time);
    QCOMPARE(requested.size(), request.isEmpty() ? 0 : 1);
    if (!request.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(33), QStringList{request}, 5000);
        return;
    }
    QFETCH(QString, log);
    QCOMPARE(messages.count(log), 1);
    QTest::qWait(500);
    QCOMPARE(archiveRequests(33), QStringList());
    QVERIFY(allIn(VideoWidget::Playing) && timeText().endsWith(" (LIVE)"));
}

// A player reports only what its poll sees change: a stream that stopped and started again between two polls is
// never reported. A stop report of another player handled while the new stream starts must not hide it.
void tst_PlaybackWindow2::stripFollowsThePlayersWhateverTheyReport()
{
    m_rig.server.setRecords(39, {record(100, "09:00:00", 1200)});
    m_rig.server.setRecords(40, {record(300, "09:10:00", 600)});
    openOnArchiveDay(cameras(39, 2));
    playAt("09:00:01");
    QTRY_VERIFY_WITH_TIMEOUT(stripPlays(), 20000);
    VideoWidget* first = widgets().at(0);
    VideoWidget* second = widgets().at(1);

    disconnect(first, &VideoWidget::playerStateChanged, window()->findChild<VideoContainer*>(), nullptr);
    m_rig.source.clearRequests();
    playAt("09:00:05");
    emit second->playerStateChanged(VideoWidget::Stopped);
    QVERIFY(!stripPlays());
    QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(39), QStringList{"100 09:00:05"}, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(first->isPlaying() && first->currentTime() > at("09:00:05"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(stripPlays(), 5000);
    QVERIFY2(timeText().startsWith("09:00:0"), qPrintable(timeText()));
}

// With no schedule running, as in live play, only the clock's tick notices a player that stops or starts without a
// report.
void tst_PlaybackWindow2::idleScheduleLeavesTheStripToTheTick()
{
    window()->addCameras(cameras(47, 1));
    QTRY_VERIFY_WITH_TIMEOUT(stripPlays(), 20000);
    VideoWidget* widget = widgets().first();
    disconnect(widget, &VideoWidget::playerStateChanged, window()->findChild<VideoContainer*>(), nullptr);
    widget->stop();
    QTRY_COMPARE_WITH_TIMEOUT(timeText(), "--:--:--", 5000);
    QVERIFY(!stripPlays());
    widget->playLive(QualitySettings::High);
    QTRY_VERIFY_WITH_TIMEOUT(stripPlays() && timeText().endsWith(" (LIVE)"), 20000);
}

// Clicks that start both cameras alternate with clicks that start the first only, the second due seconds later:
// the second's stop report then comes while the first starts. Each start shows on the strip.
void tst_PlaybackWindow2::everyArchiveStartReachesTheStrip()
{
    m_rig.server.setRecords(43, {record(100, "09:00:00", 1200)});
    m_rig.server.setRecords(44, {record(300, "09:00:10", 1200)});
    openOnArchiveDay(cameras(43, 2));
    VideoWidget* first = widgets().at(0);
    VideoWidget* second = widgets().at(1);
    QStringList missed;
    for (int i = 0; i < 50; ++i) {
        const bool both = i % 2 == 0;
        const QDateTime clicked = at(both ? "09:05:00" : "09:00:02").addSecs(i % 6);
        const qsizetype asked = archiveRequests(43).size();
        window()->findChild<Timeline*>()->playTime(clicked);
        QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(43).size(), asked + 1, 5000);
        const auto moving = [clicked](VideoWidget* w) { return w->isPlaying() && w->currentTime() > clicked; };
        QTRY_VERIFY_WITH_TIMEOUT(moving(first) && (!both || moving(second)), 20000);
        if (!QTest::qWaitFor([this] { return stripPlays(); }, 2000))
            missed << clicked.toString("hh:mm:ss");
    }
    QCOMPARE(missed, QStringList());
}

// A live stream that ended is asked again 500 ms later. A click meanwhile stops the player and the schedule puts it
// in archive mode: the re-issue must not turn into an archive request of a record the camera was never given.
void tst_PlaybackWindow2::clickDropsPendingLiveReissues()
{
    m_rig.server.setRecords(45, {record(100, "09:00:00", 1200)});
    openOnArchiveDay(cameras(45, 2));
    QTRY_VERIFY_WITH_TIMEOUT(allIn(VideoWidget::Playing), 20000);
    m_rig.source.clearRequests();
    m_rig.source.cutStreams();
    QTRY_VERIFY_WITH_TIMEOUT(widgets().at(1)->streamPlayer()->isRetryPending(), 10000);
    playAt("09:00:01");
    QTRY_VERIFY_WITH_TIMEOUT(widgets().at(0)->isPlaying() && widgets().at(0)->currentTime() > at("09:00:02"), 20000);
    QTest::qWait(500);
    QCOMPARE(archiveRequests(46), QStringList());
    QCOMPARE(archiveRequests(45), QStringList{"100 09:00:01"});
}

// An account camera starts the watch period; its own archive requests fail on the local server, harmlessly.
void tst_PlaybackWindow2::pauseAndWatchLimitHoldTheSchedule()
{
    m_rig.server.setRecords(34, {record(100, "09:00:00", 1200)});
    m_rig.server.setRecords(35, {record(300, "09:00:05", 1200)});
    GlobalCameraList open = cameras(34, 2);
    open.insert(accountCamera(36)->globalId(), accountCamera(36));
    openOnArchiveDay(open);
    QTRY_VERIFY_WITH_TIMEOUT(timeText().endsWith(" (LIVE)"), 20000);
    m_rig.source.clearRequests();
    // From the click on, the strip shows the archive's clock or none, never the live time it showed before.
    QSet<QString> shown;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] { shown << timeText(); });
    watch.start(1);
    playAt("09:00:01");
    QCOMPARE(timeText(), "09:00:01");
    // The live picture's state may still be the last one reported.
    QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(34).size(), 1, 5000);
    VideoWidget* first = widgets().first();
    QTRY_COMPARE_WITH_TIMEOUT(first->playerState(), VideoWidget::Playing, 20000);
    // Pause can be clicked once the strip shows a clock.
    QTRY_VERIFY_WITH_TIMEOUT(stripPlays(), 10000);

    auto* pause = child<QPushButton>(window(), "btnPause");
    pause->click();
    QTRY_COMPARE_WITH_TIMEOUT(first->playerState(), VideoWidget::Paused, 5000);
    watch.stop();
    for (const QString& text : std::as_const(shown))
        QVERIFY2(text == "--:--:--" || text.startsWith("09:00:0"), qPrintable(text));
    QTRY_COMPARE(timeText(), first->currentTime().toString("hh:mm:ss"));
    const QString stillAt = timeText();
    QTest::qWait(2500);
    QCOMPARE(timeText(), stillAt);
    QCOMPARE(archiveRequests(35), QStringList());
    pause->click();
    QTRY_COMPARE_WITH_TIMEOUT(first->playerState(), VideoWidget::Playing, 5000);

    // The limit stops every player and the schedule; going on asks each started player's stream again from where
    // it stood, and the schedule goes on.
    watchTimeout();
    QTRY_COMPARE_WITH_TIMEOUT(first->playerState(), VideoWidget::Stopped, 5000);
    const QTime stopped = first->currentTime().time();
    QTest::mouseClick(window()->findChild<VideoPlaceholderWidget*>()->findChild<QPushButton*>("btnContinue"),
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
    m_rig.server.setRecords(37, {record(100, "09:00:00", 1200), record(500, "10:00:00", 60)});
    m_rig.server.setRecords(38, {record(300, "09:00:02", 2), record(320, "09:00:05", 300)});
    openOnArchiveDay(cameras(37, 1));
    m_rig.server.holdReplies("archive/list");
    window()->addCameras(cameras(38, 1));
    QTRY_COMPARE_WITH_TIMEOUT(m_rig.server.heldCount(), 1, 5000);
    m_rig.source.clearRequests();

    playAt("09:00:01");
    QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(37).size(), 1, 5000);
    QTRY_VERIFY(timeText().startsWith("09:00:0"));
    m_rig.server.holdReplies("archive/list", false);
    m_rig.server.releaseHeld();
    QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(38), QStringList{"300 09:00:03"}, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(38), (QStringList{"300 09:00:03", "320 09:00:06"}), 15000);
}

void tst_PlaybackWindow2::archiveModeTakesNineCameras()
{
    m_rig.server.setRecords(51, {record(100, "09:00:00", 1200)});
    m_rig.server.setRecords(58, {record(700, "08:30:00", 3600)});
    openOnArchiveDay(cameras(51, 7));
    playAt("09:00:01");
    QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(51).size(), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(widgets().first()->currentTime() > at("09:00:02"), 20000);
    QSignalSpy messages(window(), &PlaybackWindow2::showMessage);
    m_rig.source.clearRequests();

    window()->addCameras(cameras(58, 3));
    QCOMPARE(widgets().size(), 9);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.at(0).at(0).toString(), "You can open up to 9 archives simultaneously");
    QTest::qWait(500);
    QCOMPARE(m_rig.source.requestCount("/flv/live"), 0);

    // The one playing camera had started its last entry: its schedule stood. The added camera's records start it
    // again, at the clock's position.
    QTRY_COMPARE_WITH_TIMEOUT(archiveRequests(58).size(), 1, 10000);
    const QTime clock = widgets().first()->currentTime().time();
    const QTime asked = QTime::fromString(archiveRequests(58).first().section(' ', 1));
    QVERIFY2(asked.secsTo(clock) >= 0 && asked.secsTo(clock) <= 3,
             qPrintable(asked.toString() + " " + clock.toString()));
}

void tst_PlaybackWindow2::watchLimit_data()
{
    QTest::addColumn<bool>("account");
    QTest::addColumn<QString>("setting"); // when "common/noWatchLimit" is set
    QTest::newRow("account camera") << true << "";
    QTest::newRow("local cameras only") << false << "";
    QTest::newRow("limit switched off") << true << "before";
    QTest::newRow("limit switched off while counting") << true << "during";
}

void tst_PlaybackWindow2::watchLimit()
{
    QFETCH(bool, account);
    QFETCH(QString, setting);
    auto* timer = window()->findChild<QTimer*>("watchTimer");
    auto* placeholder = window()->findChild<VideoPlaceholderWidget*>();
    auto* container = window()->findChild<VideoContainer*>();
    auto* closeBar = child<QWidget>(window(), "frameClose");
    Utils::Keys::noWatchLimit().setValue(setting == "before");
    GlobalCameraList open = cameras(2, 1);
    if (account)
        open.insert(accountCamera(1)->globalId(), accountCamera(1));
    window()->addCameras(open);
    QTRY_VERIFY_WITH_TIMEOUT(allIn(VideoWidget::Playing), 20000);
    QCOMPARE(timer->isActive(), account && setting != "before");
    QCOMPARE(timer->interval(), 3600000);
    if (!setting.isEmpty() || !account) {
        // A timeout only stops the timer once the limit is off.
        Utils::Keys::noWatchLimit().setValue(true);
        watchTimeout();
        QVERIFY(!timer->isActive() && !placeholder->isVisible());
        QVERIFY(allIn(VideoWidget::Playing));
        return;
    }

    const QDateTime opened = QDateTime::currentDateTime();
    watchTimeout();
    QVERIFY(placeholder->isVisible() && closeBar->isVisible() && !container->isVisible() && !timer->isActive());
    const QRegularExpressionMatch text = QRegularExpression("^Watched since (.{17}) for 00:00:0\\d\\.$")
                                             .match(placeholder->findChild<QLabel*>("lbTimeText")->text());
    QVERIFY(text.hasMatch());
    QVERIFY(qAbs(QDateTime::fromString(text.captured(1), "dd.MM.yy hh:mm:ss").addYears(100).secsTo(opened)) <= 2);
    QTRY_VERIFY_WITH_TIMEOUT(allIn(VideoWidget::Stopped), 10000);

    // Closing all cameras from the bar leaves an empty grid in view.
    QTest::mouseClick(child<QPushButton>(closeBar, "btnClose"), Qt::LeftButton);
    QVERIFY(!placeholder->isVisible() && !closeBar->isVisible() && container->isVisible());
    QVERIFY(container->players().isEmpty());
}

// Nothing plays any more: the watch period ends; playing again starts a new hour, watched since then.
void tst_PlaybackWindow2::interruptionEndsTheWatchPeriod()
{
    auto* timer = window()->findChild<QTimer*>("watchTimer");
    auto* container = window()->findChild<VideoContainer*>();
    window()->addCameras({{accountCamera(1)->globalId(), accountCamera(1)}});
    const QDateTime opened = QDateTime::currentDateTime();
    QTRY_VERIFY_WITH_TIMEOUT(allIn(VideoWidget::Playing), 20000);
    QVERIFY(timer->isActive());

    container->stopPlayback(true);
    QTRY_VERIFY_WITH_TIMEOUT(!timer->isActive(), 5000);
    // The texts count whole seconds.
    QTRY_VERIFY(QDateTime::currentDateTime().toSecsSinceEpoch() > opened.toSecsSinceEpoch());
    const QDateTime again = QDateTime::currentDateTime();
    container->continuePlayback();
    QTRY_VERIFY_WITH_TIMEOUT(timer->isActive(), 20000);
    watchTimeout();
    const QString text = window()->findChild<VideoPlaceholderWidget*>()->findChild<QLabel*>("lbTimeText")->text();
    const QDateTime since = QDateTime::fromString(text.mid(14, 17), "dd.MM.yy hh:mm:ss").addYears(100);
    QVERIFY2(since.toSecsSinceEpoch() >= again.toSecsSinceEpoch(), qPrintable(text));
}

QUORVEL_TEST_MAIN(tst_PlaybackWindow2)
#include "tst_PlaybackWindow2.moc"
