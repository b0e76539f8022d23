#include "gui/mainwindow/LocalServerDialog.h"

#include "gui/DialogSeam.h"
#include "ui_LocalServerDialog.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>

using QuorvelClient::Core::LocalVideoServer;
using QuorvelClient::Core::LocalVideoServerPtr;

namespace {

// Digits only: the list file keeps the number, and a port it cannot use is dropped at the next start.
bool isPort(const QString& text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const int port = text.toInt(&ok, 10);
    return ok && port >= 1 && port <= 65535;
}

} // namespace

LocalServerDialog::LocalServerDialog(QWidget* parent) : QDialog(parent), ui(new Ui::LocalServerDialog)
{
    ui->setupUi(this);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(screen.width() / 2 - width() / 2, screen.height() / 2 - height() / 2);
    adjustSize();
    connect(ui->showPassword, &QCheckBox::clicked, this, &LocalServerDialog::showPassword);
    connect(ui->localhost, &QRadioButton::toggled, this, &LocalServerDialog::selectLocal);
}

LocalServerDialog::~LocalServerDialog() = default;

LocalVideoServerPtr LocalServerDialog::addServer()
{
    LocalServerDialog dialog;
    dialog.setWindowTitle(tr("Add local videoserver"));
    return dialog.run();
}

LocalVideoServerPtr LocalServerDialog::editServer(LocalVideoServerPtr server)
{
    if (!server)
        return {};
    LocalServerDialog dialog;
    dialog.setWindowTitle(tr("Edit local videoserver settings"));
    // A stored password can be replaced but not revealed.
    dialog.ui->showPassword->hide();
    dialog.server = std::move(server);
    return dialog.run();
}

LocalVideoServerPtr LocalServerDialog::run()
{
    if (QuorvelClient::GUI::DialogSeam::exec(this) != QDialog::Accepted)
        return {};
    return std::make_shared<LocalVideoServer>(LocalVideoServer::Offline, ui->ipAddress->text(),
                                              ui->port->text().toInt(nullptr, 10), ui->name->text(),
                                              ui->password->text(), false, false);
}

void LocalServerDialog::showPassword(bool show)
{
    ui->password->setEchoMode(show ? QLineEdit::Normal : QLineEdit::Password);
}

void LocalServerDialog::selectLocal(bool local)
{
    ui->ipAddress->setEnabled(!local);
    if (local)
        ui->ipAddress->setText(QStringLiteral("127.0.0.1"));
}

void LocalServerDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored by the window system keeps what the user typed.
    if (!server || event->spontaneous())
        return;
    ui->name->setText(server->name());
    ui->ipAddress->setText(server->host());
    ui->port->setText(QString::number(server->port()));
    ui->password->setText(server->password());
    // Checking the already checked button changes nothing, so a stored 127.0.0.x address stays in the field.
    if (server->host().contains(QLatin1String("127.0.0.")))
        ui->localhost->setChecked(true);
    else
        ui->foreignHost->setChecked(true);
}

void LocalServerDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}

void LocalServerDialog::on_buttonBox_accepted()
{
    if (ui->ipAddress->text().isEmpty())
        refuse(tr("Please fill the IP-address field."), ui->ipAddress);
    else if (ui->port->text().isEmpty())
        refuse(tr("Please fill the videoserver's port field."), ui->port);
    else if (ui->name->text().isEmpty())
        refuse(tr("Please enter the name for this videoserver."), ui->name);
    else if (!isPort(ui->port->text()))
        refuse(tr("Please enter a port number from 1 to 65535."), ui->port);
    else
        accept();
}

void LocalServerDialog::refuse(const QString& message, QWidget* field)
{
    QMessageBox box(QMessageBox::Warning, tr("Could not add videoserver"), message, QMessageBox::Ok, this);
    QuorvelClient::GUI::DialogSeam::exec(&box);
    field->setFocus();
}
