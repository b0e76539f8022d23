#pragma once

#include "core/VideoServer.h"

#include <QDialog>
#include <QUrl>

#include <memory>

namespace QuorvelClient {
namespace GUI {

namespace Ui {
class ServerPropertiesDialog;
}

// The read-only properties of one account video server: id, name, availability, billing with the payment link,
// blocking and the user's rights. One instance serves the whole process; each show reads the record afresh.
class ServerPropertiesDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ServerPropertiesDialog(QWidget* parent = nullptr);
    ~ServerPropertiesDialog() override;

    // True when the user closed the dialog with OK.
    static bool showProperties(Core::VideoServerPtr server);
    // The portal page where the account pays: "pay" when payment is due ("billing"), otherwise the tariff page.
    static QUrl paymentPage(bool billing);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::unique_ptr<Ui::ServerPropertiesDialog> ui;
    Core::VideoServerPtr server;
};

} // namespace GUI
} // namespace QuorvelClient
