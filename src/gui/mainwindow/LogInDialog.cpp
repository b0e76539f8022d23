#include "gui/mainwindow/LogInDialog.h"

#include "core/RestClient.h"
#include "core/SessionManager.h"
#include "gui/DialogSeam.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/mainwindow/SettingsDialog.h"
#include "ui_LogInDialog.h"
#include "utils/DriveType.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QDebug>
#include <QEvent>
#include <QEventLoopLocker>
#include <QMessageBox>
#include <QTimer>

namespace QuorvelClient {
namespace GUI {

LogInDialog::LogInDialog(QWidget* parent)
    : QDialog(parent), ui(new Ui::LogInDialog), autoLoginTimer(nullptr), canStorePassword(true)
{
    ui->setupUi(this);

    canStorePassword = !isRemovableDrive();
    if (!canStorePassword) {
        Utils::Keys::authPassword().setValue(QString());
        // Off the drive at once, not at the next pass of the event loop: the program may not get that far.
        Utils::Settings::instance()->sync();
    }

    connect(ui->email, &QLineEdit::textChanged, this, &LogInDialog::updateButtons);
    connect(ui->password, &QLineEdit::textChanged, this, &LogInDialog::updateButtons);
    connect(ui->settings, &QPushButton::clicked, this, &LogInDialog::showSettings);
    connect(ui->serviceTypeSelector, &QComboBox::currentIndexChanged, this, &LogInDialog::updateButtons);

    loadSettings();

    autoLoginTimer = new QTimer(this);
    autoLoginTimer->setSingleShot(true);
    connect(autoLoginTimer, &QTimer::timeout, this, &LogInDialog::tryLogin);

    if (ui->saveAuth->isChecked()) {
        setBusyState();
        autoLoginTimer->start(2500);
    } else {
        ui->btnCancel->setDefault(false);
        ui->btnOk->setDefault(true);
    }

    ui->logo->setPixmap(QPixmap(QStringLiteral(":/branded-icons/quorvel/shortcut.png")));
    adjustSize();
}

LogInDialog::~LogInDialog()
{
    delete ui;
}

void LogInDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}

void LogInDialog::loadSettings()
{
    ui->btnOk->setEnabled(false);
    ui->email->setText(Utils::Keys::authEmail().value());
    if (!canStorePassword) {
        ui->saveAuth->hide();
        return;
    }
    if (!Utils::Keys::authSaveAuth().value())
        return;
    ui->password->setText(Utils::Keys::authPassword().value());
    ui->saveAuth->setChecked(true);
    const bool localOnly = Utils::Keys::authLocalOnly().value();
    selectServiceType(localOnly);
    ui->authFrame->setVisible(!localOnly);
    ui->linksFrame->setVisible(!localOnly);
}

bool LogInDialog::isLocalOnly() const
{
    const int index = ui->serviceTypeSelector->currentIndex();
    qDebug() << "ui->serviceTypeSelector->currentIndex()" << index;
    return index == 1;
}

bool LogInDialog::isRemovableDrive()
{
    QString root;
    const Utils::DriveType type = Utils::workingDriveType(&root);
    qDebug() << "Drive type:" << int(type) << "(" << root << ")";
    return type == Utils::DriveRemovable;
}

void LogInDialog::updateButtons()
{
    ui->email->setStyleSheet(QStringLiteral("background-color: white"));
    if (ui->serviceTypeSelector->currentIndex() == 1) {
        ui->btnOk->setEnabled(true);
        ui->authFrame->hide();
        ui->linksFrame->hide();
    } else {
        ui->authFrame->show();
        ui->linksFrame->show();
        ui->btnOk->setEnabled(!ui->email->text().isEmpty() && !ui->password->text().isEmpty());
    }
    adjustSize();
}

void LogInDialog::setBusyState()
{
    ui->btnCancel->setText(QObject::tr("Cancel"));
    ui->btnCancel->setDefault(true);
    ui->btnOk->setEnabled(false);
    ui->btnOk->setDefault(false);
    ui->email->setEnabled(false);
    ui->password->setEnabled(false);
    ui->serviceTypeSelector->setEnabled(false);
}

void LogInDialog::setIdleState()
{
    ui->btnCancel->setText(QObject::tr("Close"));
    ui->btnCancel->setDefault(false);
    ui->btnOk->setEnabled(true);
    ui->btnOk->setDefault(true);
    ui->email->setEnabled(true);
    ui->password->setEnabled(true);
    ui->saveAuth->setChecked(false);
    ui->email->setFocus();
    ui->serviceTypeSelector->setEnabled(true);
}

void LogInDialog::on_btnOk_clicked()
{
    setBusyState();
    Utils::Keys::authEmail().setValue(ui->email->text());
    Utils::Keys::authSaveAuth().setValue(ui->saveAuth->isChecked());
    if (canStorePassword && ui->saveAuth->isChecked()) {
        Utils::Keys::authPassword().setValue(ui->password->text());
        Utils::Keys::authLocalOnly().setValue(isLocalOnly());
    }
    tryLogin();
}

void LogInDialog::on_btnCancel_clicked()
{
    if (autoLoginTimer->isActive()) {
        autoLoginTimer->stop();
        setIdleState();
    } else {
        close();
    }
}

void LogInDialog::createMainWindow(bool localOnly)
{
    if (!mainWindow) {
        mainWindow = std::make_unique<MainWindow>();
        // Queued: the roster or the playback window that asks is still on the stack when it emits, and the
        // sign-out stops them.
        connect(mainWindow.get(), &MainWindow::signoutRequired, this, &LogInDialog::signout, Qt::QueuedConnection);
    }
    mainWindow->init(localOnly);
    mainWindow->show();
    close();
}

void LogInDialog::tryLogin()
{
    if (isLocalOnly()) {
        qDebug() << "Start for local service";
        Core::SessionManager::create(QString(), QString());
        createMainWindow(isLocalOnly());
        return;
    }
    qDebug() << "Start for internet and local service";
    Core::SessionManager::create(ui->email->text(), ui->password->text());
    Core::SessionManager* session = Core::SessionManager::instance();
    connect(session, &Core::SessionManager::newSessionId, this, &LogInDialog::onLogin);
    connect(session, &Core::SessionManager::error, this, &LogInDialog::onLoginError);
    session->requestSessionId();
}

void LogInDialog::onLogin()
{
    disconnect(Core::SessionManager::instance(), nullptr, this, nullptr);
    createMainWindow(isLocalOnly());
}

void LogInDialog::onLoginError(int code)
{
    if (code == 10017) {
        showReloginNotice();
        setIdleState();
        return;
    }
    QMessageBox box(
        QMessageBox::Warning, QObject::tr("Could not sign in"),
        QObject::tr("Could not sign in.\n%1.\nError code: %2.").arg(Core::RestClient::errorString(code)).arg(code),
        QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("loginErrorBox"));
    QPushButton* localButton = nullptr;
    if (code == -4 || code == -3) {
        localButton = box.addButton(QObject::tr("Enter for local access only"), QMessageBox::AcceptRole);
        localButton->setObjectName(QStringLiteral("localAccessButton"));
        box.setDefaultButton(box.addButton(QObject::tr("Close this window"), QMessageBox::RejectRole));
    } else {
        box.setDefaultButton(box.addButton(QObject::tr("OK"), QMessageBox::RejectRole));
    }
    DialogSeam::exec(&box);
    if (localButton && box.clickedButton() == localButton) {
        selectServiceType(true);
        createMainWindow(true);
        return;
    }
    setIdleState();
}

void LogInDialog::signout(int error)
{
    // The roster and the playback window can both report one rejected session; the first one signs out.
    if (!mainWindow || !mainWindow->isVisible()) {
        qDebug() << "Sign-out ignored, no session runs:" << error;
        return;
    }
    qDebug() << "Sign out:" << error;
    // Between closing the main window and showing the dialog no window is visible.
    QEventLoopLocker keepRunning;
    mainWindow->deinit();
    mainWindow->close();
    setIdleState();
    show();
    if (error == 10017)
        showReloginNotice();
    else if (error == 10002)
        showBadSessionNotice();
    else
        ui->password->clear();
}

void LogInDialog::showBadSessionNotice()
{
    showSignOutNotice(QObject::tr("You have been signed out.\nThis may have happened because of service error or "
                                  "because your session has expired.\nPlease sign in again."));
}

void LogInDialog::showReloginNotice()
{
    showSignOutNotice(QObject::tr("You have been signed out.\nThis may have happened because you signed in on another "
                                  "computer or device.\nPlease sign in again."));
}

void LogInDialog::showSignOutNotice(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QObject::tr("Sign-Out Notice"), text, QMessageBox::NoButton, this);
    box.addButton(QObject::tr("OK"), QMessageBox::AcceptRole);
    DialogSeam::exec(&box);
}

void LogInDialog::showSettings()
{
    autoLoginTimer->stop();
    const bool saveAuth = ui->saveAuth->isChecked();
    setIdleState();
    ui->saveAuth->setChecked(saveAuth);
    SettingsDialog settings;
    settings.selectProxyTab();
    DialogSeam::exec(&settings);
}

void LogInDialog::selectServiceType(bool localOnly)
{
    ui->serviceTypeSelector->setCurrentIndex(localOnly ? 1 : 0);
}

} // namespace GUI
} // namespace QuorvelClient
