#include "application/Language.h"
#include "core/media/Vlc.h"
#include "gui/mainwindow/LogInDialog.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/playback/PlaybackWindow2.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/RosterWidget.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "peer/FakeNetwork.h"
#include "peer/FakeVideoServer.h"
#include "peer/FlvStreamSource.h"
#include "support/BoxAnswerer.h"
#include "support/TestClips.h"
#include "support/TestEnvironment.h"
#include "support/Widgets.h"
#include "utils/DiskSpace.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

using namespace QuorvelClient;
using namespace QuorvelClient::GUI;
using TestSupport::child;
using TestSupport::shownWindow;

namespace {

Core::CameraPtr cameraOf(QWidget* window, const QString& serverId)
{
    for (QTreeWidgetItemIterator it(window->findChild<QTreeWidget*>()); *it; ++it) {
        if ((*it)->type() == CameraTreeItem::Type) {
            const Core::CameraPtr camera = static_cast<CameraTreeItem*>(*it)->camera();
            if (camera->serverId() == serverId)
                return camera;
        }
    }
    return {};
}

} // namespace

// The engine is started early, as at program start, while the sign-in dialog shows; the process has one engine,
// hence a test program of its own.
class tst_LogInDialogProxy : public QObject
{
    Q_OBJECT
private slots:
    void proxySetBeforeSignInCarriesVideo();
};

// A new user sets the proxy through "Settings..." after the engine started loading: live video and export go
// through it, with its credentials, as sign-in does.
void tst_LogInDialogProxy::proxySetBeforeSignInCarriesVideo()
{
    QCoreApplication::setApplicationVersion(QStringLiteral("5.6.0 Build 232"));
    // As start-up does; the settings dialog then stores the language it shows without a notice.
    Application::loadLanguage(QStringLiteral("en"));
    TestSupport::FakeNetwork net;
    QVERIFY(net.start());
    net.service.addAccount(QStringLiteral("user@quorvel.example"), QStringLiteral("right"));
    net.service.setClientVersion(QStringLiteral("5.6.0"));
    net.service.setRoster({});
    net.proxy.requireCredentials("viewer", "pa:ss@1");
    TestSupport::FakeVideoServer lab;
    TestSupport::FlvStreamSource stream;
    QVERIFY(stream.setLiveClip(TestSupport::clipPath(TestSupport::Clip::H264)));
    QVERIFY(stream.setArchiveClip(TestSupport::clipPath(TestSupport::Clip::H264)));
    stream.attachTo(&lab);
    lab.setPassword(QStringLiteral("pw"));
    lab.setCameras({{1, QStringLiteral("Door")}});
    QVERIFY(lab.start());
    net.proxy.map(QStringLiteral("127.0.0.1"), lab.port(), QHostAddress::LocalHost, lab.port());
    QFile list(QStringLiteral("local_roster.txt"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write(QJsonDocument(QJsonArray{QJsonObject{
                                 {"ip", "127.0.0.1"}, {"name", "Lab"}, {"password", "pw"}, {"port", lab.port()}}})
                   .toJson());
    list.close();
    const QString exports = TestSupport::rootDir() + QStringLiteral("/exports");
    QVERIFY(QDir().mkpath(exports));
    Utils::Keys::arcExportPath().setValue(exports);
    // Room enough for the settings dialog's folder check and the export's.
    Utils::setFreeSpaceForTesting([](const std::string&, quint64* total, quint64* user, quint64*) {
        for (quint64* bytes : {total, user}) {
            if (bytes)
                *bytes = quint64(4) << 30;
        }
        return true;
    });

    LogInDialog dialog;
    dialog.show();
    Core::Vlc::startEarly();

    TestSupport::BoxAnswerer boxes;
    boxes.setDialogHandler([&](QDialog* settings) {
        child<QCheckBox>(settings, "useProxy")->click();
        QTest::keyClicks(child<QLineEdit>(settings, "proxyHost"), QStringLiteral("127.0.0.1"));
        child<QLineEdit>(settings, "proxyPort")->setText(QString::number(net.proxy.port()));
        QTest::keyClicks(child<QLineEdit>(settings, "proxyLogin"), QStringLiteral("viewer"));
        QTest::keyClicks(child<QLineEdit>(settings, "proxyPassword"), QStringLiteral("pa:ss@1"));
        child<QDialogButtonBox>(settings, "buttonBox")->button(QDialogButtonBox::Ok)->click();
        return settings->result();
    });
    QTest::mouseClick(child<QPushButton>(&dialog, "settings"), Qt::LeftButton);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().className, QStringLiteral("QuorvelClient::GUI::SettingsDialog"));
    QVERIFY(Utils::Keys::proxyUseProxy().value());

    QTest::keyClicks(child<QLineEdit>(&dialog, "email"), QStringLiteral("user@quorvel.example"));
    QTest::keyClicks(child<QLineEdit>(&dialog, "password"), QStringLiteral("right"));
    QTest::mouseClick(child<QPushButton>(&dialog, "btnOk"), Qt::LeftButton);
    MainWindow* window = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(window = shownWindow<MainWindow>(), 20000);
    const QString labId = QStringLiteral("127.0.0.1:%1").arg(lab.port());
    QTRY_VERIFY_WITH_TIMEOUT(cameraOf(window, labId), 20000);
    const Core::CameraPtr camera = cameraOf(window, labId);

    // Requests for the stream that the proxy passed on with the credentials of the settings.
    const QByteArray credentials = "Basic " + QByteArray("viewer:pa:ss@1").toBase64();
    const QByteArray origin = QStringLiteral("GET http://%1").arg(labId).toLatin1();
    const auto proxied = [&](const QByteArray& path) {
        int count = 0;
        for (const TestSupport::FakeProxy::Entry& entry : net.proxy.entries())
            count += entry.requestLine.startsWith(origin + path + '?') && entry.proxyAuthorization == credentials;
        return count;
    };

    emit window->findChild<RosterWidget*>()->openCamerasRequested({{camera->globalId(), camera}}, true);
    VideoWidget* video = window->findChild<VideoContainer*>()->players().value(0)->videoWidget();
    QTRY_COMPARE_WITH_TIMEOUT(video->playerState(), VideoWidget::Playing, 20000);
    QVERIFY(proxied("/flv/live") > 0);

    const QDateTime start = QDateTime::currentDateTime().addSecs(-3600);
    emit window->findChild<PlaybackWindow2*>()->exportAccepted(camera, start, start.addSecs(4), 4000);
    QTRY_COMPARE_WITH_TIMEOUT(child<QStatusBar>(window, "statusBar")->currentMessage(),
                              QStringLiteral("Archive export done."), 30000);
    QVERIFY(proxied("/flv/archive") > 0);
    Utils::setFreeSpaceForTesting({});
    window->deinit();
    QFile::remove(QStringLiteral("local_roster.txt"));
    // Not one stream request reached the server past the proxy.
    QTRY_COMPARE(stream.requestCount("/flv/live"), proxied("/flv/live"));
    QTRY_COMPARE(stream.requestCount("/flv/archive"), proxied("/flv/archive"));
}

QUORVEL_TEST_MAIN(tst_LogInDialogProxy)
#include "tst_LogInDialogProxy.moc"
