#pragma once

#include <QDialog>

#include <memory>

class QTimer;

namespace QuorvelClient {
namespace GUI {

namespace Ui {
class LogInDialog;
}

class MainWindow;

// The first window: access mode, credentials, "Remember me" and the automatic sign-in countdown.
class LogInDialog : public QDialog
{
    Q_OBJECT
public:
    explicit LogInDialog(QWidget* parent = nullptr);
    ~LogInDialog() override;

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void on_btnOk_clicked();
    void on_btnCancel_clicked();
    void createMainWindow(bool localOnly);
    void onLogin();
    void onLoginError(int code);
    void tryLogin();
    void updateButtons();
    void showSettings();
    void selectServiceType(bool localOnly);
    void signout(int error);

private:
    void loadSettings();
    bool isLocalOnly() const;
    static bool isRemovableDrive();
    void setBusyState();
    void setIdleState();
    void showBadSessionNotice();
    void showReloginNotice();
    void showSignOutNotice(const QString& text);

    Ui::LogInDialog* ui;
    // Made at the first sign-in and kept for every later one; goes after the form.
    std::unique_ptr<MainWindow> mainWindow;
    QTimer* autoLoginTimer;
    bool canStorePassword;
};

} // namespace GUI
} // namespace QuorvelClient
