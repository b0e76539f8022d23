#pragma once

#include <QDateTime>
#include <QTime>
#include <QWidget>

#include <memory>

namespace Ui {
class VideoPlaceholderWidget;
}

// Takes the place of the video grid once the watching limit is reached: since when and for how long video was
// watched, and a button to go on watching.
class VideoPlaceholderWidget : public QWidget
{
    Q_OBJECT
public:
    explicit VideoPlaceholderWidget(QWidget* parent = nullptr);
    ~VideoPlaceholderWidget() override;

    void setInfo(const QDateTime& start, const QTime& duration);

signals:
    void continueClicked();

private:
    std::unique_ptr<Ui::VideoPlaceholderWidget> ui;
};
