#include "gui/mainwindow/ServerPropertiesDialog.h"

#include "application/Language.h"
#include "gui/DialogSeam.h"
#include "ui_ServerPropertiesDialog.h"
#include "utils/CutText.h"
#include "utils/ServiceHosts.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

namespace QuorvelClient {
namespace GUI {

ServerPropertiesDialog::ServerPropertiesDialog(QWidget* parent) : QDialog(parent), ui(new Ui::ServerPropertiesDialog)
{
    ui->setupUi(this);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(screen.width() / 2 - width() / 2, screen.height() / 2 - height() / 2);
}

ServerPropertiesDialog::~ServerPropertiesDialog() = default;

bool ServerPropertiesDialog::showProperties(Core::VideoServerPtr server)
{
    // Lives until the process ends.
    static ServerPropertiesDialog* instance = new ServerPropertiesDialog;
    instance->server = std::move(server);
    return DialogSeam::exec(instance) == QDialog::Accepted;
}

QUrl ServerPropertiesDialog::paymentPage(bool billing)
{
    return QUrl(QStringLiteral("https://%1/?target=%2&lang=%3")
                    .arg(QLatin1String(Utils::ServiceHosts::portalHost),
                         billing ? QStringLiteral("pay") : QStringLiteral("my-tariff"),
                         Application::currentLanguage()));
}

// The dialog stays where the constructor centred it, so the base's placing is left out.
void ServerPropertiesDialog::showEvent(QShowEvent*)
{
    if (!server)
        return;
    using Core::VideoServer;
    // The status words are the record's own, in its translation context.
    const VideoServer::VideoServerFlags flags = server->flags();
    ui->name->setText(Utils::cutText(server->alias()));
    ui->serverId->setText(Utils::cutText(server->id()));

    const bool offline = flags.testFlag(VideoServer::Offline);
    ui->status->setText(offline ? VideoServer::flagsToString(VideoServer::Offline)
                                : QCoreApplication::translate("QuorvelClient::Core::VideoServer", "online"));
    ui->statusComment->setVisible(offline);

    const bool notPaid = flags & (VideoServer::SomeCamerasNotPaid | VideoServer::AllCamerasNotPaid);
    if (flags.testFlag(VideoServer::SomeCamerasNotPaid))
        ui->paid->setText(VideoServer::flagsToString(VideoServer::SomeCamerasNotPaid));
    else if (notPaid)
        ui->paid->setText(VideoServer::flagsToString(VideoServer::AllCamerasNotPaid));
    else
        ui->paid->clear();
    ui->paidComment->setVisible(notPaid);
    if (notPaid) {
        if (server->isOwner()) {
            const QUrl page = paymentPage(server->serviceStatus() == QLatin1String("billing"));
            const QString anchor = tr("<a href=\"%1\"><span style=\" text-decoration: underline; "
                                      "color:#0000ff;\">personal account</span></a>")
                                       .arg(page.toString().toHtmlEscaped());
            ui->paidComment->setText(
                tr("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" "
                   "\"http://www.w3.org/TR/REC-html40/strict.dtd\">\n<html><head><meta name=\"qrichtext\" "
                   "content=\"1\" /><style type=\"text/css\">\np, li { white-space: pre-wrap; "
                   "}\n</style></head><body style=\"font-style:normal;\">\n<p style=\"margin-top:0px; "
                   "margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; "
                   "text-indent:0px;\">To pay for the service, please go to your %1.</p></body></html>")
                    .arg(anchor));
        } else {
            ui->paidComment->setText(tr("Server's owner can pay for it's cameras."));
        }
    }

    const bool blocked = flags.testFlag(VideoServer::Blocked);
    ui->blocked->setText(blocked ? VideoServer::flagsToString(VideoServer::Blocked)
                                 : QCoreApplication::translate("QuorvelClient::Core::VideoServer", "not blocked"));
    ui->blockedComment->setVisible(blocked);

    ui->checkOwner->setChecked(server->isOwner());
    ui->checkView->setChecked(server->isLiveEnabled());
    ui->checkArchive->setChecked(server->isArchiveEnabled());

    adjustSize();
    resize(width() + 110, height());
}

void ServerPropertiesDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}

} // namespace GUI
} // namespace QuorvelClient
