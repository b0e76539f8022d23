#include "gui/video/VideoPlayer.h"

#include "gui/video/Overlay.h"
#include "gui/video/VideoWidget.h"

#include <QCloseEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>

namespace QuorvelClient {
namespace GUI {

namespace Internal {

class VideoPlayerPrivate
{
public:
    // Someone else may destroy the widget; the player then closes.
    QPointer<VideoWidget> widget;
    QPushButton* closeButton = nullptr;
    Overlay* overlay = nullptr;
    bool active = false;
    bool sound = false;
    VideoPlayer* owner = nullptr;
};

} // namespace Internal

VideoPlayer::VideoPlayer(VideoWidget* widget) : QWidget(nullptr), d(std::make_shared<Internal::VideoPlayerPrivate>())
{
    d->widget = widget;
    d->owner = this;
    if (widget) {
        // By the time it announces its end the widget is only a QWidget: the player lets go of it before closing.
        connect(widget, &QObject::destroyed, this, [this] {
            d->widget.clear();
            close();
        });
        widget->setParent(this);
        widget->move(0, 0);
    }
    d->overlay = new Internal::Overlay(this);

    d->closeButton = new QPushButton(this);
    d->closeButton->setObjectName(QStringLiteral("closeButton"));
    d->closeButton->setIcon(QIcon(QStringLiteral(":icons/close/hovered.svg")));
    d->closeButton->setIconSize(QSize(9, 9));
    d->closeButton->setStyleSheet(
        QStringLiteral("QPushButton { border: 1px solid black; border-radius: 8px; background-color: black; "
                       "color: white}\n"
                       "QPushButton:hover { background-color: #fff5ee }\n"
                       "QPushButton:pressed { background-color: white }\n"
                       "QPushButton:flat { border: none; }\n"
                       "QPushButton:default { border-color: black; }"));
    d->closeButton->resize(16, 16);
    connect(d->closeButton, &QPushButton::clicked, this, &QWidget::close);
    placeCloseButton(width());
}

VideoPlayer::~VideoPlayer()
{
    // The widget goes with the player as a Qt child; its end must not close a player being destroyed.
    if (d->widget)
        disconnect(d->widget, nullptr, this, nullptr);
}

VideoWidget* VideoPlayer::videoWidget() const
{
    return d->widget;
}

void VideoPlayer::setOverlayVisible(bool visible)
{
    d->overlay->setShown(visible);
}

bool VideoPlayer::saveCurrentFrame(const QString& fileName)
{
    return d->widget && d->widget->saveFrame(fileName);
}

QDateTime VideoPlayer::currentTime() const
{
    return d->widget ? d->widget->currentTime() : QDateTime::currentDateTime();
}

void VideoPlayer::blink()
{
    d->overlay->blink();
}

void VideoPlayer::setVolume(int volume)
{
    if (d->widget)
        d->widget->setVolume(volume);
}

void VideoPlayer::setSound(bool on)
{
    d->sound = on;
    if (d->widget)
        d->widget->setSound(d->active ? on : false);
}

void VideoPlayer::setActive(bool active)
{
    if (active == d->active)
        return;
    d->active = active;
    if (d->widget)
        d->widget->setSound(active ? d->sound : false);
    d->overlay->setActive(active);
    placeCloseButton(width());
}

bool VideoPlayer::isActive() const
{
    return d->active;
}

void VideoPlayer::placeCloseButton(int width)
{
    d->closeButton->move(width - 4 - d->closeButton->width(), 4);
    if (d->widget)
        d->widget->setCoveredRect(d->closeButton->geometry());
}

void VideoPlayer::mousePressEvent(QMouseEvent* event)
{
    // Presses on the picture arrive here: the video widget does not take them itself.
    if (d->widget && d->widget->isSearchActive() && d->widget->searchMousePress(event))
        return;
    emit mousePressed();
}

void VideoPlayer::enterEvent(QEnterEvent* event)
{
    Q_UNUSED(event);
    d->overlay->focus();
}

void VideoPlayer::leaveEvent(QEvent* event)
{
    Q_UNUSED(event);
    d->overlay->clear();
}

void VideoPlayer::resizeEvent(QResizeEvent* event)
{
    if (d->widget)
        d->widget->resize(event->size());
    d->overlay->resize(event->size());
    placeCloseButton(event->size().width());
}

void VideoPlayer::closeEvent(QCloseEvent* event)
{
    Q_UNUSED(event);
    if (d->widget)
        d->widget->close();
    emit aboutToClose(this);
}

} // namespace GUI
} // namespace QuorvelClient
