#include "gui/mainwindow/MainWindow.h"

#include "application/UpdateManager.h"
#include "gui/DialogSeam.h"
#include "gui/mainwindow/AboutDialog.h"
#include "gui/mainwindow/SettingsDialog.h"
#include "gui/mainwindow/UpdateMessageBox.h"
#include "gui/playback/PlaybackWindow2.h"
#include "gui/playback/export/ExportWidget.h"
#include "gui/roster/RosterWidget.h"
#include "ui_MainWindow.h"
#include "utils/CutText.h"
#include "utils/Intervals.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace QuorvelClient {
namespace GUI {

namespace Internal {

class MainWindowPrivate
{
public:
    QTimer* updateMessageTimer = nullptr;
    Application::UpdateManager* updateManager = nullptr;
    QTimer* blinkTimer = nullptr;
    bool sound = true;
    bool rosterCollapsed = true;
    PlaybackWindow2* playbackWindow = nullptr;
    RosterWidget* rosterWidget = nullptr;
    ExportWidget* exportWidget = nullptr;
    QDockWidget* exportDock = nullptr;
    SettingsDialog* settingsDialog = nullptr;
    // Made at its first showing and reused, so a repeated notice refreshes the open box instead of stacking boxes.
    UpdateMessageBox* updateMessageBox = nullptr;
    bool blinkHighlighted = true;
};

} // namespace Internal

namespace {

const char* const kHighlight = "background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5,fx:0.5, "
                               "fy:0.5, stop:0.685714 rgba(255, 255, 255, 255), stop:1 rgba(85, 85, 85, 255))";
const char* const kPlain = "background-color: rgba(85, 85, 85, 255);";

// The value a codec key holds counts as set when it reads as text, or as a list of texts, that is not empty.
bool isEmptyValue(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().isEmpty();
    return value.toString().isEmpty();
}

void storeDefaultCodec(const Utils::SettingKey<QString>& key)
{
    if (isEmptyValue(key.stored()))
        key.setValue(QStringLiteral("MPEG4"));
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), ui(new ::Ui::MainWindow), d(std::make_shared<Internal::MainWindowPrivate>())
{
    setVisible(false);
    ui->setupUi(this);
    ui->actCheckUpdates->setIcon(QIcon(QStringLiteral(":branded-icons/quorvel/update.png")));

    auto* spacer = new QWidget(ui->mainToolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ui->mainToolBar->addWidget(spacer);
    ui->mainToolBar->addAction(ui->actionClose_all);
    ui->actionClose_all->setVisible(false);

    auto* camerasDock = new QDockWidget(tr("Cameras"));
    camerasDock->setObjectName(QStringLiteral("camerasDock"));
    d->rosterWidget = new RosterWidget;
    camerasDock->setWidget(d->rosterWidget);
    addDockWidget(Qt::LeftDockWidgetArea, camerasDock);
    // Before the window is shown a dock takes its content's size hint, not a width set on the dock itself.
    resizeDocks({camerasDock}, {250}, Qt::Horizontal);
    connect(d->rosterWidget, &RosterWidget::openCamerasRequested, this, &MainWindow::openCameras);
    connect(d->rosterWidget, &RosterWidget::localVideoserverStateChanged, this,
            &MainWindow::onLocalVideoserverStateChanged);
    connect(d->rosterWidget, &RosterWidget::relogin, this, &MainWindow::onRelogin);
    connect(d->rosterWidget, &RosterWidget::badSession, this, &MainWindow::onBadSession);

    d->exportDock = new QDockWidget;
    d->exportDock->setObjectName(QStringLiteral("exportDock"));
    // Not closable until an export has ended.
    d->exportDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                               QDockWidget::DockWidgetVerticalTitleBar);
    d->exportWidget = new ExportWidget;
    d->exportDock->setWidget(d->exportWidget);
    addDockWidget(Qt::BottomDockWidgetArea, d->exportDock);
    connect(d->exportWidget, &ExportWidget::exportStarted, this, &MainWindow::onExportStarted);
    connect(d->exportWidget, &ExportWidget::exportFinished, this, &MainWindow::onExportFinished);
    connect(d->exportWidget, &ExportWidget::exportError, this, &MainWindow::onExportError);
    connect(d->exportWidget, &ExportWidget::showSettings, this, &MainWindow::showExportSettings);
    d->exportDock->hide();

    setWindowTitle(QCoreApplication::applicationName());
    if (QStatusBar* bar = findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly))
        bar->setStyleSheet(QStringLiteral("color: white"));

    createUpdateMachinery();

    d->playbackWindow = new PlaybackWindow2;
    PlaybackWindow2* playback = d->playbackWindow;
    playback->setSound(d->sound);
    connect(this, &MainWindow::soundSet, playback, &PlaybackWindow2::setSound);
    connect(ui->actionClose_all, &QAction::triggered, playback, &PlaybackWindow2::removeAllCameras);
    connect(playback, &PlaybackWindow2::showMessage, this, &MainWindow::showStatusText);
    connect(playback, &PlaybackWindow2::relogin, this, &MainWindow::onRelogin);
    connect(playback, &PlaybackWindow2::closeAllNeeded, this, &MainWindow::showCloseAll);
    connect(playback, &PlaybackWindow2::exportAccepted, this, &MainWindow::onExportAccepted);
    connect(playback, &PlaybackWindow2::cameraClosed, this, &MainWindow::onCameraClosed);
    connect(playback, &PlaybackWindow2::cameraOpened, this, &MainWindow::onCameraOpened);
    connect(playback, &PlaybackWindow2::allCamerasClosed, this, &MainWindow::onAllCamerasClosed);
    connect(d->exportWidget, &ExportWidget::exportStarted, playback, &PlaybackWindow2::onExportStarted);
    connect(d->exportWidget, &ExportWidget::exportFinished, playback, &PlaybackWindow2::onExportFinished);
    connect(d->exportWidget, &ExportWidget::exportError, playback, &PlaybackWindow2::onExportError);
    setCentralWidget(playback);

    applySettings();
    d->updateManager->checkForUpdates();
}

MainWindow::~MainWindow()
{
    // The docked and central widgets are destroyed after this object's own part; nothing they report on their
    // way out may reach it.
    d->playbackWindow->disconnect(this);
    d->rosterWidget->disconnect(this);
    d->exportWidget->disconnect(this);
}

void MainWindow::createUpdateMachinery()
{
    // A child, so that it goes with the window and its check timer can be found from it.
    d->updateManager = new Application::UpdateManager(30, this);
    Application::UpdateManager* manager = d->updateManager;
    connect(manager, &Application::UpdateManager::updateFound, this, &MainWindow::onUpdateFound);
    connect(manager, &Application::UpdateManager::updateError, this, &MainWindow::onUpdateError);
    connect(manager, &Application::UpdateManager::updatesCheckStarted, this, &MainWindow::onUpdateCheckStarted);
    connect(manager, &Application::UpdateManager::updatesChecked, this, &MainWindow::onUpdateChecked);
    connect(this, &MainWindow::checkForUpdates, manager, &Application::UpdateManager::checkForUpdates);

    d->updateMessageTimer = new QTimer(this);
    d->updateMessageTimer->setObjectName(QStringLiteral("updateMessageTimer"));
    d->updateMessageTimer->setInterval(Utils::intervalMs(Utils::Interval::UpdateMessageRepeat));
    connect(d->updateMessageTimer, &QTimer::timeout, this, &MainWindow::showUpdateMessage);

    d->blinkTimer = new QTimer(this);
    d->blinkTimer->setObjectName(QStringLiteral("blinkTimer"));
    d->blinkTimer->setInterval(800);
    connect(d->blinkTimer, &QTimer::timeout, this, &MainWindow::blinkUpdateIcon);
}

void MainWindow::applySettings()
{
    storeDefaultCodec(Utils::Keys::videoLiveCodec());
    storeDefaultCodec(Utils::Keys::videoArchiveCodec());
    restoreGeometry(Utils::Keys::mainWindowGeometry().value());
    d->rosterWidget->restoreGeometry(Utils::Keys::rosterGeometry().value());
    d->playbackWindow->restoreGeometry(Utils::Keys::playbackWindowGeometry().value());
}

void MainWindow::init(bool localOnly)
{
    d->rosterWidget->init(localOnly);
    d->updateManager->start();
}

void MainWindow::deinit()
{
    d->playbackWindow->removeAllCameras();
    d->rosterWidget->deinit();
    d->updateManager->stop();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    Utils::Keys::mainWindowGeometry().setValue(saveGeometry());
    Utils::Keys::rosterGeometry().setValue(d->rosterWidget->saveGeometry());
    Utils::Keys::playbackWindowGeometry().setValue(d->playbackWindow->saveGeometry());
    // The program may end right after the last window closes; the geometries must be in the file by then.
    Utils::Settings::instance()->sync();
    QMainWindow::closeEvent(event);
}

void MainWindow::openCameras(Core::GlobalCameraList cameras, bool newTab)
{
    if (newTab)
        d->playbackWindow->removeAllCameras();
    d->playbackWindow->addCameras(cameras);
}

void MainWindow::onCameraOpened(Core::CameraPtr camera)
{
    d->rosterWidget->addOpenedCamera(camera);
}

void MainWindow::onCameraClosed(Core::CameraPtr camera)
{
    d->rosterWidget->removeOpenedCamera(camera);
}

void MainWindow::onAllCamerasClosed()
{
    d->rosterWidget->removeAllOpenedCameras();
}

void MainWindow::showCloseAll(bool show)
{
    ui->actionClose_all->setVisible(show);
}

void MainWindow::showStatus(const QString& text, int timeout)
{
    if (QStatusBar* bar = findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly))
        bar->showMessage(text, timeout);
}

void MainWindow::showStatusText(QString text)
{
    showStatus(text, 5000);
}

void MainWindow::onLocalVideoserverStateChanged(Core::LocalVideoServer* server,
                                                Core::LocalVideoServer::LocalVideoServerState state)
{
    // One pass, so that a "%1" or "%2" inside the name is shown as typed.
    showStatus(tr("Videoserver \"%1\" (IP %2): %3")
                   .arg(Utils::cutText(server->name()), Utils::cutText(server->host()),
                        Core::LocalVideoServer::stateText(state)),
               3500);
}

void MainWindow::onExportAccepted(Core::CameraPtr cam, QDateTime start, QDateTime end, qint64 duration)
{
    const QString path = ExportWidget::exportPath();
    const int code = d->exportWidget->checkPath(path);
    if (code != 0) {
        QMessageBox box(QMessageBox::Warning, tr("Export path error"), d->exportWidget->pathErrorText(code, path),
                        QMessageBox::Ok, this);
        DialogSeam::exec(&box);
        // The strip leaves the state it took for the export.
        d->playbackWindow->onExportError();
        return;
    }
    d->exportDock->setVisible(true);
    d->exportWidget->startExport(cam, start, end, duration);
}

void MainWindow::onExportStarted()
{
    d->exportDock->setFeatures(d->exportDock->features() & ~QDockWidget::DockWidgetClosable);
}

void MainWindow::onExportFinished()
{
    d->exportDock->setFeatures(d->exportDock->features() | QDockWidget::DockWidgetClosable);
    showStatusText(tr("Archive export done."));
}

void MainWindow::onExportError()
{
    d->exportDock->setFeatures(d->exportDock->features() | QDockWidget::DockWidgetClosable);
    showStatusText(tr("Archive export interrupted"));
}

void MainWindow::showExportSettings()
{
    on_actSettings_triggered();
}

void MainWindow::onRelogin()
{
    emit signoutRequired(10017);
}

void MainWindow::onBadSession()
{
    emit signoutRequired(10002);
}

void MainWindow::on_actSignOut_triggered()
{
    QMessageBox box(QMessageBox::Question, tr("Are you sure?"), tr("Are you sure you want to sign out?"),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    DialogSeam::exec(&box);
    if (box.clickedButton() == box.button(QMessageBox::Yes))
        emit signoutRequired(0);
}

void MainWindow::on_actSound_triggered()
{
    d->sound = !d->sound;
    const QString iconWord = d->sound ? QStringLiteral("on") : QStringLiteral("off");
    // The placeholder lets a translation drop the word; it is filled with nothing.
    QString stateWord = d->sound ? tr("off%1") : tr("on%1");
    stateWord.remove(QStringLiteral("%1"));
    const QString verb = d->sound ? tr("Turn off") : tr("Turn on");
    ui->actSound->setIcon(QIcon(QStringLiteral(":icons/sound-%1.png").arg(iconWord)));
    ui->actSound->setToolTip(tr("%1 sound").arg(verb));
    ui->actSound->setText(tr("Sound %1").arg(stateWord));
    emit soundSet(d->sound);
}

void MainWindow::on_actExpand_triggered()
{
    // The icon words name resource files and stay untranslated in the catalogue.
    const QString iconWord = d->rosterCollapsed ? tr("collapse") : tr("expand");
    const QString label = d->rosterCollapsed ? tr("Collapse") : tr("Expand");
    ui->actExpand->setIcon(QIcon(QStringLiteral(":icons/%1-all.png").arg(iconWord)));
    ui->actExpand->setToolTip(tr("%1 all").arg(label));
    ui->actExpand->setText(label);
    if (d->rosterCollapsed)
        d->rosterWidget->expandAll();
    else
        d->rosterWidget->collapseAll();
    d->rosterCollapsed = !d->rosterCollapsed;
}

void MainWindow::on_actAddServer_triggered()
{
    d->rosterWidget->addLocalServer();
}

void MainWindow::on_actEditServer_triggered()
{
    d->rosterWidget->showProperties();
}

void MainWindow::on_actSettings_triggered()
{
    if (!d->settingsDialog)
        d->settingsDialog = new SettingsDialog(this);
    d->settingsDialog->selectGeneralTab();
    DialogSeam::exec(d->settingsDialog);
}

void MainWindow::on_actInformation_triggered()
{
    AboutDialog about;
    DialogSeam::exec(&about);
}

void MainWindow::on_actCheckUpdates_triggered()
{
    emit checkForUpdates();
    showUpdateMessage();
}

void MainWindow::onUpdateFound()
{
    showUpdateTooltip();
    const int level = d->updateManager->updateInfo().level();
    if (level == 2 || level == 3)
        showUpdateMessage();
    if (level == 3)
        d->updateMessageTimer->start();
}

void MainWindow::onUpdateError()
{
    showStatus(tr("Could not check for updates"), 2000);
}

void MainWindow::onUpdateCheckStarted()
{
    showStatus(tr("Checking for updates..."), 0);
}

void MainWindow::onUpdateChecked()
{
    showStatus(tr("Updates checked"), 2700);
}

QWidget* MainWindow::updateButton() const
{
    return ui->mainToolBar->widgetForAction(ui->actCheckUpdates);
}

void MainWindow::showUpdateTooltip()
{
    const Application::UpdateInfo info = d->updateManager->updateInfo();
    ui->actCheckUpdates->setToolTip(info.title());
    if (info.level() == 0)
        return;
    if (QWidget* button = updateButton())
        button->setStyleSheet(QLatin1String(kHighlight));
    switch (info.level()) {
    case 1:
        ui->actCheckUpdates->setIcon(QIcon(QStringLiteral(":branded-icons/quorvel/update-not-important.png")));
        break;
    case 2:
        ui->actCheckUpdates->setIcon(QIcon(QStringLiteral(":branded-icons/quorvel/update-important.png")));
        break;
    case 3:
        ui->actCheckUpdates->setIcon(QIcon(QStringLiteral(":branded-icons/quorvel/update-critical.png")));
        d->blinkTimer->setInterval(800);
        d->blinkTimer->start();
        break;
    default:
        break;
    }
}

void MainWindow::blinkUpdateIcon()
{
    d->blinkHighlighted = !d->blinkHighlighted;
    if (QWidget* button = updateButton())
        button->setStyleSheet(d->blinkHighlighted ? QLatin1String(kHighlight) + QLatin1Char(';')
                                                  : QString::fromLatin1(kPlain));
}

void MainWindow::showUpdateMessage()
{
    const Application::UpdateInfo info = d->updateManager->updateInfo();
    if (!d->updateMessageBox) {
        d->updateMessageBox = new UpdateMessageBox(this);
        d->updateMessageBox->setObjectName(QStringLiteral("updateMessageBox"));
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if (info.level() >= 0 && info.level() <= 2)
        icon = QMessageBox::Information;
    else if (info.level() == 3)
        icon = QMessageBox::Warning;
    d->updateMessageBox->showMessage(info.message(), icon);
}

} // namespace GUI
} // namespace QuorvelClient
