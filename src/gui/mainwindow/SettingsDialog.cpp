#include "gui/mainwindow/SettingsDialog.h"

#include "application/Language.h"
#include "gui/DialogSeam.h"
#include "gui/mainwindow/PathValidator.h"
#include "ui_SettingsDialog.h"
#include "utils/DriveType.h"
#include "utils/ExportFolder.h"
#include "utils/SettingsKeys.h"

#include <QDir>
#include <QIntValidator>
#include <QMessageBox>
#include <QRegularExpressionValidator>

namespace QuorvelClient {
namespace GUI {

namespace {

// Takes only whole numbers up to the top while typing; QIntValidator lets "99999" through as unfinished input.
class PortValidator : public QIntValidator
{
public:
    explicit PortValidator(QObject* parent) : QIntValidator(0, 65535, parent) {}

    State validate(QString& input, int&) const override
    {
        if (input.isEmpty())
            return Intermediate;
        for (const QChar c : input) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return Invalid;
        }
        return input.toInt() <= top() ? Acceptable : Invalid;
    }
};

} // namespace

SettingsDialog::SettingsDialog(QWidget* parent)
    : QDialog(parent), ui(new Ui::SettingsDialog), pathValidator(nullptr),
      canStorePassword(Utils::workingDriveType() != Utils::DriveRemovable)
{
    ui->setupUi(this);
    pathValidator = new PathValidator(ui->pathEdit, ui->pathButton, ui->availLabel, this);

    ui->email->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^[A-Za-z0-9_\\.\\-\\%]+@[A-Za-z0-9\\.\\-]+\\.[A-Za-z]{2,4}$")), this));
    ui->proxyPort->setValidator(new PortValidator(this));
    ui->password->setEnabled(canStorePassword);

    fillSettings();
    adjustSize();
    connect(ui->useProxy, &QCheckBox::clicked, this, &SettingsDialog::onUseProxyClicked);
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::selectGeneralTab()
{
    ui->tabWidget->setCurrentIndex(0);
}

void SettingsDialog::selectProxyTab()
{
    ui->tabWidget->setCurrentIndex(1);
}

void SettingsDialog::fillSettings()
{
    using namespace Utils::Keys;
    ui->email->setText(authEmail().value());
    ui->password->setText(canStorePassword ? authPassword().value() : QString());
    ui->coloredArchive->setChecked(coloredArchive().value());
    ui->noWatchLimit->setChecked(noWatchLimit().value());

    const bool useProxy = proxyUseProxy().value();
    ui->useProxy->setChecked(useProxy);
    ui->proxyHost->setText(proxyHost().value());
    ui->proxyPort->setText(QString::number(proxyPort().value()));
    ui->proxyLogin->setText(proxyUsername().value());
    ui->proxyPassword->setText(proxyPassword().value());
    onUseProxyClicked(useProxy);

    // The combo shows the language the program runs in, not the one stored for the next start.
    if (Application::currentLanguage() == QLatin1String("ru"))
        ui->language->setCurrentIndex(ui->language->findText(QStringLiteral("Russian"), Qt::MatchContains));
    else
        ui->language->setCurrentIndex(0);

    QString path = arcExportPath().value();
    if (path.isEmpty())
        path = Utils::defaultExportFolder();
    ui->pathEdit->setText(QDir::toNativeSeparators(path));
    pathValidator->Update();
}

void SettingsDialog::saveSettings()
{
    using namespace Utils::Keys;
    authEmail().setValue(ui->email->text());
    authPassword().setValue(canStorePassword ? ui->password->text() : QString());
    proxyUseProxy().setValue(ui->useProxy->isChecked());
    proxyHost().setValue(ui->proxyHost->text());
    proxyPort().setValue(ui->proxyPort->text().toInt());
    proxyUsername().setValue(ui->proxyLogin->text());
    proxyPassword().setValue(ui->proxyPassword->text());
    language().setValue(ui->language->currentText().contains(QLatin1String("Russian")) ? QStringLiteral("ru")
                                                                                       : QStringLiteral("en"));
    coloredArchive().setValue(ui->coloredArchive->isChecked());
    noWatchLimit().setValue(ui->noWatchLimit->isChecked());
    arcExportPath().setValue(ui->pathEdit->text());
}

bool SettingsDialog::validateAll()
{
    return pathValidator->Check();
}

void SettingsDialog::on_buttonBox_accepted()
{
    if (!pathValidator->Check())
        return;
    saveSettings();
    if (Utils::Keys::language().value() != Application::currentLanguage()) {
        QMessageBox box(
            QMessageBox::Information, tr("Restart required"),
            tr("The language change will take effect after restart of %1.").arg(QCoreApplication::applicationName()),
            QMessageBox::Ok, this);
        DialogSeam::exec(&box);
    }
    accept();
}

void SettingsDialog::on_buttonBox_rejected()
{
    fillSettings();
    reject();
}

void SettingsDialog::onUseProxyClicked(bool checked)
{
    ui->proxyHost->setEnabled(checked);
    ui->proxyPort->setEnabled(checked);
    ui->proxyLogin->setEnabled(checked);
    ui->proxyPassword->setEnabled(checked);
}

} // namespace GUI
} // namespace QuorvelClient
