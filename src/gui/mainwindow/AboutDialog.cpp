#include "gui/mainwindow/AboutDialog.h"

#include "ui_AboutDialog.h"
#include "utils/ServiceHosts.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent), ui(new Ui::AboutDialog)
{
    ui->setupUi(this);
    // The logo is wider than the dialog and is clipped at its sides; the layout must not widen the dialog to it.
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    setMaximumSize(260, 170);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(screen.width() / 2 - width() / 2, screen.height() / 2 - height() / 2);
}

AboutDialog::~AboutDialog() = default;

// The base would place the dialog again; it stays where the constructor put it.
void AboutDialog::showEvent(QShowEvent*)
{
    layout()->setAlignment(ui->logo, Qt::AlignHCenter);
    // The form holds the templates; they are filled afresh in the running language.
    ui->retranslateUi(this);
    ui->lbApp->setText(ui->lbApp->text().arg(QCoreApplication::applicationName()));
    ui->lbVersion->setText(ui->lbVersion->text().arg(QCoreApplication::applicationVersion()));
    ui->lbCopy->setText(ui->lbCopy->text().arg(QCoreApplication::organizationName()));
    ui->logo->setPixmap(QPixmap(QStringLiteral(":/branded-icons/quorvel/logo.svg")));
    ui->lbURL->setText(ui->lbURL->text().arg(QCoreApplication::organizationDomain().toHtmlEscaped(),
                                             tr(Utils::ServiceHosts::portalHost).toHtmlEscaped()));
}

void AboutDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
