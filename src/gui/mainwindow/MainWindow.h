#pragma once

#include "core/Camera.h"
#include "core/LocalVideoServer.h"

#include <QDateTime>
#include <QMainWindow>

#include <memory>

namespace Ui {
class MainWindow;
}

namespace QuorvelClient {
namespace GUI {

namespace Internal {
class MainWindowPrivate;
}

// The window of a signed-in session: the camera tree in the left dock, the playback window in the centre, the
// export panel in the bottom dock, the toolbar, the update notices and the status bar. It is made once at the
// first sign-in and kept across sign-outs; `init` and `deinit` start and stop a session's work.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void init(bool localOnly);
    void deinit();

signals:
    // 0 the user's own sign-out, 10002 a rejected session, 10017 a sign-in elsewhere.
    void signoutRequired(int error);
    void checkForUpdates();
    void soundSet(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void openCameras(Core::GlobalCameraList cameras, bool newTab = true);
    void onCameraOpened(Core::CameraPtr camera);
    void onCameraClosed(Core::CameraPtr camera);
    void onAllCamerasClosed();
    void showCloseAll(bool show);
    void showStatusText(QString text);
    void onLocalVideoserverStateChanged(Core::LocalVideoServer* server,
                                        Core::LocalVideoServer::LocalVideoServerState state);
    void onExportAccepted(Core::CameraPtr cam, QDateTime start, QDateTime end, qint64 duration);
    void onExportStarted();
    void onExportFinished();
    void onExportError();
    void showExportSettings();
    void onRelogin();
    void onBadSession();

    void on_actSignOut_triggered();
    void on_actSound_triggered();
    void on_actExpand_triggered();
    void on_actAddServer_triggered();
    void on_actEditServer_triggered();
    void on_actSettings_triggered();
    void on_actInformation_triggered();
    void on_actCheckUpdates_triggered();

    void onUpdateFound();
    void onUpdateError();
    void onUpdateCheckStarted();
    void onUpdateChecked();
    void showUpdateTooltip();
    void showUpdateMessage();
    void blinkUpdateIcon();

private:
    void createUpdateMachinery();
    void applySettings();
    // Shows a text in the status bar, when the window has one; a timeout of 0 keeps it until the next text.
    void showStatus(const QString& text, int timeout);
    QWidget* updateButton() const;

    std::unique_ptr<::Ui::MainWindow> ui;
    std::shared_ptr<Internal::MainWindowPrivate> d;
};

} // namespace GUI
} // namespace QuorvelClient
