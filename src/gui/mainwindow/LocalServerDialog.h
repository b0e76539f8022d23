#pragma once

#include "core/LocalVideoServer.h"

#include <QDialog>

#include <memory>

namespace Ui {
class LocalServerDialog;
}

// Asks for a video server of the local network: where it runs, its address and port, a name and its password. The
// entry points hand back a new offline record made from the fields, or null when the user cancels; the dialog
// itself stores nothing.
class LocalServerDialog : public QDialog
{
    Q_OBJECT
public:
    explicit LocalServerDialog(QWidget* parent = nullptr);
    ~LocalServerDialog() override;

    static QuorvelClient::Core::LocalVideoServerPtr addServer();
    // The given record is only shown, never changed.
    static QuorvelClient::Core::LocalVideoServerPtr editServer(QuorvelClient::Core::LocalVideoServerPtr server);

public slots:
    void showPassword(bool show);
    void selectLocal(bool local);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void on_buttonBox_accepted();

private:
    QuorvelClient::Core::LocalVideoServerPtr run();
    void refuse(const QString& message, QWidget* field);

    std::unique_ptr<Ui::LocalServerDialog> ui;
    QuorvelClient::Core::LocalVideoServerPtr server;
};
