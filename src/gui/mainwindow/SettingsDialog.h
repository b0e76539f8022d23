#pragma once

#include <QDialog>

#include <memory>

namespace QuorvelClient {
namespace GUI {

namespace Ui {
class SettingsDialog;
}

class PathValidator;

// The user's settings: saved credentials, language, archive options, export folder and HTTP proxy. Changes are
// only written to the settings; their users pick them up when they next read them.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SettingsDialog(QWidget* parent = nullptr);
    ~SettingsDialog() override;

    void selectGeneralTab();
    void selectProxyTab();

private slots:
    void on_buttonBox_accepted();
    void on_buttonBox_rejected();
    void saveSettings();
    bool validateAll();
    void fillSettings();
    void onUseProxyClicked(bool checked);

private:
    std::unique_ptr<Ui::SettingsDialog> ui;
    PathValidator* pathValidator;
    // A password stored on a removable drive would go wherever the drive goes, so it is neither shown nor kept.
    bool canStorePassword;
};

} // namespace GUI
} // namespace QuorvelClient
