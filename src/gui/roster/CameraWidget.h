#pragma once

#include <QByteArray>
#include <QStringList>
#include <QWidget>

#include <memory>

namespace Ui {
class CameraWidget;
}

// What a camera row of the roster draws: the preview, the name and the state line. It announces when it is first
// painted (previewOn) and when it is hidden again (previewOff), so that previews are fetched only for rows the
// user has seen.
class CameraWidget : public QWidget
{
    Q_OBJECT
public:
    CameraWidget(const QString& name, const QString& state, bool online, QWidget* parent = nullptr);
    ~CameraWidget() override;

    // The state line is shown only while it has a text.
    void setState(const QString& state);
    void setOnline(bool online);
    // JPEG bytes become the shown preview; empty bytes put the default picture back. True when the picture changed.
    bool setPreview(const QByteArray& preview);
    // The whole texts of the lines the widget shows cut at its width.
    QStringList cutTexts() const;

signals:
    void previewOn();
    void previewOff();
    void cutTextsChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::unique_ptr<Ui::CameraWidget> ui;
    bool hasPreview = false;
    bool previewActive = false;
};
