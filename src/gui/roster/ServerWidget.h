#pragma once

#include <QStringList>
#include <QWidget>

#include <memory>

namespace Ui {
class ServerWidget;
}

// What a server row of the roster draws: its name with the camera count and its state line.
class ServerWidget : public QWidget
{
    Q_OBJECT
public:
    ServerWidget(const QString& name, const QString& state, QWidget* parent = nullptr);
    ~ServerWidget() override;

    void setName(const QString& name);
    // The state line is shown only while it has a text.
    void setState(const QString& state);
    void setBold(bool bold);
    // The whole texts of the lines the widget shows cut at its width.
    QStringList cutTexts() const;

signals:
    void cutTextsChanged();

private:
    std::unique_ptr<Ui::ServerWidget> ui;
};
