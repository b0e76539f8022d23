#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AboutDialog;
}

// The logo, name, version, maker and web site of the program, as start-up set them on the application.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    ~AboutDialog() override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::unique_ptr<Ui::AboutDialog> ui;
};
