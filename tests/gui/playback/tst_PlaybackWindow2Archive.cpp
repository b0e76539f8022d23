#include "core/Camera.h"
#include "core/SessionManager.h"
#include "gui/playback/PlaybackWindow2.h"
#include "gui/playback/VideoPlaceholderWidget.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "peer/FakeVideoServer.h"
#include "peer/FlvStreamSource.h"
#include "support/TestClips.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"
#include "utils/SettingsKeys.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

using QuorvelClient::Core::CameraPtr;
using QuorvelClient::Core::GlobalCameraList;
using QuorvelClient::GUI::PlaybackWindow2;
using QuorvelClient::GUI::VideoContainer;
using QuorvelClient::GUI::VideoPlayer;
using QuorvelClient::GUI::VideoWidget;

class tst_PlaybackWindow2Archive : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void watchLimit();
    void watchLimitStaysOff_data();
    void watchLimitStaysOff();

private:
    // One host serves a local server's records and streams, and the account cameras' streams.
    TestSupport::FakeVideoServer m_server;
    TestSupport::FlvStreamSource m_source;
    std::unique_ptr<PlaybackWindow2> m_window;
};

namespace {

const QString kPassword = QStringLiteral("p@ss w/rd");

QList<VideoWidget*> widgetsOf(PlaybackWindow2* window)
{
    QList<VideoWidget*> result;
    for (VideoPlayer* player : window->findChild<VideoContainer*>()->players())
        result << player->videoWidget();
    return result;
}

bool allIn(PlaybackWindow2* window, VideoWidget::PlayerState state)
{
    const QList<VideoWidget*> widgets = widgetsOf(window);
    return !widgets.isEmpty() &&
           std::all_of(widgets.begin(), widgets.end(), [state](VideoWidget* w) { return w->playerState() == state; });
}

CameraPtr accountCamera(int id)
{
    CameraPtr camera = TestSupport::localCamera(id, QStringLiteral("srv-1"), QSize(320, 240));
    camera->setServerType(0);
    return camera;
}

GlobalCameraList listOf(const QList<CameraPtr>& cameras)
{
    GlobalCameraList list;
    for (const CameraPtr& camera : cameras)
        list.insert(camera->globalId(), camera);
    return list;
}

} // namespace

void tst_PlaybackWindow2Archive::initTestCase()
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

void tst_PlaybackWindow2Archive::init()
{
    Utils::Keys::noWatchLimit().remove();
    m_source.clearRequests();
    m_window.reset(new PlaybackWindow2);
    m_window->resize(1000, 700);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_PlaybackWindow2Archive::cleanup()
{
    m_window.reset();
}

void tst_PlaybackWindow2Archive::watchLimit()
{
    auto* timer = m_window->findChild<QTimer*>("watchTimer");
    auto* placeholder = m_window->findChild<VideoPlaceholderWidget*>();
    auto* container = m_window->findChild<VideoContainer*>();
    auto* closeBar = m_window->findChild<QWidget*>("frameClose");
    QVERIFY(timer && placeholder && closeBar);
    QVERIFY(!timer->isActive());

    m_window->addCameras(listOf({accountCamera(1)}));
    QTRY_VERIFY_WITH_TIMEOUT(allIn(m_window.get(), VideoWidget::Playing), 20000);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 3600000);
    QCOMPARE(timer->parent(), m_window.get());

    const QDateTime opened = QDateTime::currentDateTime();
    QVERIFY(QMetaObject::invokeMethod(m_window.get(), "onMaxViewDurationReached"));
    QVERIFY(placeholder->isVisible() && closeBar->isVisible() && !container->isVisible());
    QVERIFY(!timer->isActive());
    const QRegularExpressionMatch text = QRegularExpression("^Watched since (.{17}) for 00:00:0\\d\\.$")
                                             .match(placeholder->findChild<QLabel*>("lbTimeText")->text());
    QVERIFY(text.hasMatch());
    QVERIFY(qAbs(QDateTime::fromString(text.captured(1), "dd.MM.yy hh:mm:ss").addYears(100).secsTo(opened)) <= 2);
    QTRY_VERIFY_WITH_TIMEOUT(allIn(m_window.get(), VideoWidget::Stopped), 10000);

    // Going on asks the stream again and starts a new hour.
    const int requests = m_source.requestCount();
    QTest::mouseClick(placeholder->findChild<QPushButton*>("btnContinue"), Qt::LeftButton);
    QVERIFY(!placeholder->isVisible() && !closeBar->isVisible() && container->isVisible());
    QVERIFY(timer->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(m_source.requestCount(), requests + 1, 10000);
    QCOMPARE(m_source.requests().last().path, QByteArray("/flv/live"));
    QTRY_VERIFY_WITH_TIMEOUT(allIn(m_window.get(), VideoWidget::Playing), 20000);

    // Closing all cameras from the bar leaves an empty grid in view.
    QVERIFY(QMetaObject::invokeMethod(m_window.get(), "onMaxViewDurationReached"));
    QTest::mouseClick(closeBar->findChild<QPushButton*>("btnClose"), Qt::LeftButton);
    QVERIFY(!placeholder->isVisible() && !closeBar->isVisible() && container->isVisible());
    QVERIFY(container->players().isEmpty());
    QVERIFY(!timer->isActive());
}

void tst_PlaybackWindow2Archive::watchLimitStaysOff_data()
{
    QTest::addColumn<bool>("account");
    QTest::addColumn<QString>("setting"); // "", "before" or "during"

    QTest::newRow("local cameras only") << false << "";
    QTest::newRow("limit switched off") << true << "before";
    QTest::newRow("limit switched off while counting") << true << "during";
}

void tst_PlaybackWindow2Archive::watchLimitStaysOff()
{
    QFETCH(bool, account);
    QFETCH(QString, setting);

    auto* timer = m_window->findChild<QTimer*>("watchTimer");
    if (setting == "before")
        Utils::Keys::noWatchLimit().setValue(true);
    CameraPtr local = TestSupport::localCamera(2, QStringLiteral("127.0.0.1:%1").arg(m_server.port()), QSize(320, 240));
    local->setPassword(kPassword);
    m_window->addCameras(listOf(account ? QList<CameraPtr>{local, accountCamera(1)} : QList<CameraPtr>{local}));
    QTRY_VERIFY_WITH_TIMEOUT(allIn(m_window.get(), VideoWidget::Playing), 20000);
    QCOMPARE(timer->isActive(), setting == "during");
    if (setting != "during")
        return;

    Utils::Keys::noWatchLimit().setValue(true);
    QVERIFY(QMetaObject::invokeMethod(m_window.get(), "onMaxViewDurationReached"));
    QVERIFY(!timer->isActive());
    QVERIFY(!m_window->findChild<VideoPlaceholderWidget*>()->isVisible());
    QTest::qWait(500);
    QVERIFY(allIn(m_window.get(), VideoWidget::Playing));
}

QUORVEL_TEST_MAIN(tst_PlaybackWindow2Archive)
#include "tst_PlaybackWindow2Archive.moc"
