#include "gui/video/VideoWidget.h"

#include "gui/video/VideoSearchZone.h"
#include "utils/CutText.h"
#include "utils/SettingsKeys.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>
#include <QMutex>
#include <QPainter>
#include <QPushButton>
#include <QRegion>
#include <QStaticText>
#include <QTransform>
#include <QVBoxLayout>

#include <utility>

namespace QuorvelClient {
namespace GUI {

using Core::StreamPlayer;

namespace {

// Pixels between the camera's name and the time.
constexpr int kInfoTextGap = 8;
// The smallest size the time is drawn in.
constexpr int kMinInfoPoints = 4;

Utils::SettingKey<int> rotationKey(const Core::CameraPtr& camera)
{
    const Core::camera_global_id_t id = camera->globalId();
    return Utils::Keys::cameraRotation(id.first, id.second);
}

} // namespace

namespace Internal {

// A text laid out once for its font, so that a repaint costs no new layout.
struct LaidOutText
{
    QStaticText laidOut;
    QFont font;
    bool ready = false;

    QSizeF layOut(const QString& text, const QFont& textFont)
    {
        if (!ready || laidOut.text() != text || font != textFont) {
            ready = true;
            font = textFont;
            laidOut.setTextFormat(Qt::PlainText);
            laidOut.setText(text);
            laidOut.prepare(QTransform(), font);
        }
        return laidOut.size();
    }
};

class VideoWidgetPrivate
{
public:
    qreal rotation = 0;
    QLabel* progressLabel = nullptr;
    QMovie* progressMovie = nullptr;
    QString statusText;
    Qt::AspectRatioMode scaleMode = Qt::KeepAspectRatio;
    QRect pictureRect;
    QRect coveredRect;
    bool single = false;
    std::unique_ptr<VideoSearchZone> zone;
    bool infoFontReady = false;
    QFont infoFontBase;
    QFont infoFont;
    LaidOutText name;
    LaidOutText time;
    // The time's font for the room it had last, smaller than the info font only in a narrow cell.
    QFont timeFont;
    int timeRoom = -1;
    // The camera's name cut to the room it had last.
    QString elidedFrom;
    int elidedRoom = -1;
    QString elidedName;
};

} // namespace Internal

VideoWidget::VideoWidget(Core::CameraPtr camera, QWidget* parent)
    : QWidget(parent), m_player(new StreamPlayer(std::move(camera))), d(new Internal::VideoWidgetPrivate)
{
    setMinimumSize(100, 100);
    StreamPlayer* player = m_player.get();
    setScaleMode(Qt::KeepAspectRatio);

    QPalette palette = this->palette();
    palette.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::black));
    setPalette(palette);
    // The paint event fills what the picture leaves black itself, so no pixel is painted twice.
    setAttribute(Qt::WA_OpaquePaintEvent);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    d->progressMovie = new QMovie(QStringLiteral(":icons/animated/animated_progress.gif"), QByteArray(), this);
    d->progressLabel = new QLabel(this);
    d->progressLabel->setMovie(d->progressMovie);
    d->progressLabel->setAttribute(Qt::WA_NoSystemBackground);
    // The spinner only shows: presses and drags on the picture are the widget's, also when it goes away mid-drag.
    d->progressLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    d->progressLabel->setStyleSheet(QStringLiteral("background-color:black; color: white; font: 28pt"));
    d->progressLabel->setAlignment(Qt::AlignCenter);
    d->progressLabel->hide();
    layout->addWidget(d->progressLabel);

    // Emitted on libvlc's video thread; update() then runs queued on the GUI thread.
    connect(player, &StreamPlayer::frameReady, this, &VideoWidget::updateNeeded, Qt::DirectConnection);
    connect(this, &VideoWidget::updateNeeded, this, &VideoWidget::updateFrame);
    connect(player, &StreamPlayer::polled, this, [this] { d->statusText = buildStatusText(); });
    connect(player, &StreamPlayer::stateChanged, this, &VideoWidget::onStateChanged);
    connect(player, &StreamPlayer::frameSizeChanged, this, &VideoWidget::updatePictureRect);
    connect(player, &StreamPlayer::cameraUnavailable, this, [this] {
        d->statusText = tr("Camera is %1").arg(Core::Camera::flagsToString(m_player->camera()->flags()));
        update();
    });

    addRotation(rotationKey(m_player->camera()).value());

    d->zone.reset(new Internal::VideoSearchZone(this));
    connect(d->zone->closeButton(), &QPushButton::clicked, this, &VideoWidget::hideArchiveSearch);
}

VideoWidget::~VideoWidget()
{
    // The player's video thread signals this widget until the player has stopped.
    m_player.reset();
}

bool VideoWidget::event(QEvent* e)
{
    if (e->type() == QuorvelVideoResizeEvent::Type) {
        QCoreApplication::sendEvent(m_player.get(), e);
        return true;
    }
    return QWidget::event(e);
}

void VideoWidget::setCoveredRect(const QRect& rect)
{
    d->coveredRect = rect;
}

void VideoWidget::updateFrame()
{
    // Repainting under the holder's control would repaint the control too, at every frame.
    if (d->coveredRect.isEmpty())
        update();
    else
        update(QRegion(rect()).subtracted(d->coveredRect));
}

void VideoWidget::onStateChanged(StreamPlayer::State state)
{
    emit playerStateChanged(PlayerState(state));
    update();
}

void VideoWidget::setArchiveMode()
{
    if (m_player->mode() == StreamPlayer::ModeArchive)
        return;
    m_player->setArchiveMode();
    update();
}

// ---- Picture and status display ----

QRect VideoWidget::pictureRect() const
{
    return d->pictureRect;
}

QString VideoWidget::statusText() const
{
    return d->statusText;
}

void VideoWidget::setSingle(bool single)
{
    d->single = single;
}

void VideoWidget::setScaleMode(Qt::AspectRatioMode scaleMode)
{
    d->scaleMode = scaleMode;
    updatePictureRect();
}

void VideoWidget::setScaleMode()
{
    setScaleMode(Qt::KeepAspectRatio);
}

void VideoWidget::addRotation(qreal angle)
{
    if (angle == 0)
        return;
    d->rotation += angle;
    if (d->rotation > 360)
        d->rotation -= 360;
    if (d->rotation < 0)
        d->rotation += 360;
    updatePictureRect();
    rotationKey(m_player->camera()).setValue(d->rotation);
}

void VideoWidget::updatePictureRect()
{
    const QSize frameSize = m_player->frameSize();
    int frameWidth = frameSize.width();
    int frameHeight = frameSize.height();
    const qreal rotation = d->rotation;
    if (rotation == 90 || rotation == 270 || rotation == -90 || rotation == -270)
        std::swap(frameWidth, frameHeight);
    const double aspect = double(frameHeight) / double(frameWidth);
    const int widgetWidth = width();
    const int widgetHeight = height();
    const bool taller = double(widgetHeight) / double(widgetWidth) < aspect;

    bool fullHeight = false;
    switch (d->scaleMode) {
    case Qt::IgnoreAspectRatio:
        d->pictureRect = QRect(QPoint(0, 0), QPoint(widgetWidth - 1, widgetHeight - 1));
        return;
    case Qt::KeepAspectRatio:
        fullHeight = taller;
        break;
    case Qt::KeepAspectRatioByExpanding:
        fullHeight = !taller;
        break;
    }
    // The other side is centred; when it overflows (by expanding), its start is negative.
    if (fullHeight) {
        const int pictureWidth = int(widgetHeight / aspect);
        const int x0 = (widgetWidth - pictureWidth) / 2;
        d->pictureRect = QRect(QPoint(x0, 0), QPoint(x0 + pictureWidth - 1, widgetHeight - 1));
    } else {
        const int pictureHeight = int(aspect * widgetWidth);
        const int y0 = (widgetHeight - pictureHeight) / 2;
        d->pictureRect = QRect(QPoint(0, y0), QPoint(widgetWidth - 1, y0 + pictureHeight - 1));
    }
}

bool VideoWidget::saveFrame(const QString& fileName)
{
    QMutexLocker locker(m_player->frameMutex());
    return m_player->frame().save(fileName, "jpg");
}

void VideoWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updatePictureRect();
    if (d->zone && d->zone->isShown())
        d->zone->placeCloseButton();
}

void VideoWidget::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!isVisible()) {
        m_player->setPainted();
        return;
    }
    QPainter painter(this);
    painter.setPen(Qt::white);
    switch (playerState()) {
    case Playing:
    case Paused:
        setProgressVisible(false);
        drawFrame(painter, event->region());
        break;
    case Opening:
    case Buffering:
        setProgressVisible(true);
        painter.fillRect(rect(), palette().window());
        break;
    default:
        setProgressVisible(false);
        painter.fillRect(rect(), palette().window());
        drawStatusText(painter);
        break;
    }
    if (d->zone)
        d->zone->paint(painter, d->pictureRect);
    drawInfoText(painter);
    painter.end();
    m_player->setPainted();
}

void VideoWidget::setProgressVisible(bool on)
{
    d->progressLabel->setVisible(on);
    if (on)
        d->progressMovie->start();
    else
        d->progressMovie->stop();
}

void VideoWidget::drawFrame(QPainter& painter, const QRegion& region)
{
    QMutexLocker locker(m_player->frameMutex());
    const QImage& image = m_player->frame();
    if (image.isNull()) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    // The picture covers its whole rectangle: only the bands beside it are filled.
    for (const QRect& band : QRegion(rect()).subtracted(d->pictureRect))
        painter.fillRect(band, palette().window());
    const QImage* picture = &image;
    QImage rotated;
    if (d->rotation != 0) {
        QTransform transform;
        transform.rotate(d->rotation, Qt::ZAxis);
        rotated = image.transformed(transform, Qt::FastTransformation);
        picture = &rotated;
    }
    // Scaled pictures are drawn fast only into a rectangular clip: a region is drawn rectangle by rectangle.
    for (const QRect& part : region) {
        painter.setClipRect(part);
        painter.drawImage(QRectF(d->pictureRect), *picture, QRectF(picture->rect()));
    }
    painter.setClipping(false);
}

void VideoWidget::drawStatusText(QPainter& painter)
{
    QFont font = this->font();
    int points = 36;
    font.setPointSize(points);
    while (QFontMetrics(font).horizontalAdvance(d->statusText) >= width() - 3 && points > 4) {
        points -= 4;
        font.setPointSize(points);
    }
    painter.setFont(font);
    painter.drawText(rect(), Qt::AlignCenter, d->statusText);
    painter.setFont(this->font());
}

void VideoWidget::drawInfoText(QPainter& painter)
{
    if (!d->infoFontReady || d->infoFontBase != font()) {
        d->infoFontReady = true;
        d->infoFontBase = font();
        d->infoFont = font();
        d->infoFont.setPointSize(10);
        d->timeRoom = -1;
        d->elidedRoom = -1;
    }
    painter.setPen(Qt::white);
    const int w = width();
    const int h = height();
    // The time keeps clear of the player's close control; the name ends a gap before the time.
    QRect nameRect(QPoint(10, 5), QPoint(w - 11, h - 6));
    const QRect timeRect(QPoint(10, 5), QPoint(w - 26, h - 6));
    const bool timeShown = playerState() != NothingSpecial;
    QSizeF timeSize;
    if (timeShown) {
        timeSize = layOutTime(currentTime().toString(QStringLiteral("dd.MM.yy hh:mm:ss")), timeRect.width());
        nameRect.setRight(int(timeRect.x() + timeRect.width() - timeSize.width()) - kInfoTextGap);
    }
    const QString name = elidedName(nameRect.width());
    if (!name.isEmpty())
        drawLaidOut(painter, nameRect, Qt::AlignLeft, d->name, d->name.layOut(name, d->infoFont));
    if (timeShown)
        drawLaidOut(painter, timeRect, Qt::AlignRight, d->time, timeSize);
}

// The time is never cut: a cell too narrow for it at 10 points gets it in the largest size that fits.
QSizeF VideoWidget::layOutTime(const QString& time, int room)
{
    if (room != d->timeRoom) {
        d->timeRoom = room;
        d->timeFont = d->infoFont;
    }
    QSizeF size = d->time.layOut(time, d->timeFont);
    while (size.width() > room && d->timeFont.pointSize() > kMinInfoPoints) {
        d->timeFont.setPointSize(d->timeFont.pointSize() - 1);
        size = d->time.layOut(time, d->timeFont);
    }
    return size;
}

// The camera's name as far as it fits in `room` pixels, cut with "…"; empty when not even its first letter fits.
QString VideoWidget::elidedName(int room)
{
    const QString name = Utils::cutText(m_player->camera()->name());
    if (room != d->elidedRoom || name != d->elidedFrom) {
        d->elidedRoom = room;
        d->elidedFrom = name;
        const QFontMetrics metrics(d->infoFont);
        d->elidedName = room > 0 ? metrics.elidedText(name, Qt::ElideRight, room) : QString();
        // "…" alone says nothing, and a name of one letter comes back whole even where it does not fit.
        if ((d->elidedName != name && d->elidedName.size() < 2) || metrics.horizontalAdvance(d->elidedName) > room)
            d->elidedName.clear();
    }
    return d->elidedName;
}

// Drawn at the top of the rectangle, aligned left or right, and clipped to it only when it does not fit.
void VideoWidget::drawLaidOut(QPainter& painter, const QRect& rect, Qt::Alignment alignment,
                              const Internal::LaidOutText& text, const QSizeF& size)
{
    painter.setFont(text.font);
    const qreal x = alignment & Qt::AlignRight ? rect.x() + rect.width() - size.width() : rect.x();
    const bool fits = size.width() <= rect.width() && size.height() <= rect.height();
    if (!fits) {
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
    }
    painter.drawStaticText(QPointF(x, rect.y()), text.laidOut);
    if (!fits)
        painter.restore();
}

QString VideoWidget::buildStatusText() const
{
    const StreamPlayer& player = *m_player;
    const Core::Camera::CameraFlags flags = player.camera()->flags();
    const bool available = flags == Core::Camera::CameraFlags();
    const bool retriesOver = player.retryCount() > 2;
    switch (player.polledState()) {
    case StreamPlayer::NothingSpecial:
    case StreamPlayer::Stopped:
        switch (player.mode()) {
        case StreamPlayer::ModeLive:
            return available ? tr("Stopped") : tr("Camera is %1").arg(Core::Camera::flagsToString(flags));
        case StreamPlayer::ModeNone:
            return available ? QString() : tr("Camera is %1").arg(Core::Camera::flagsToString(flags));
        case StreamPlayer::ModeArchive:
            return d->single ? QString() : tr("No archive");
        }
        break;
    case StreamPlayer::Ended:
        switch (player.mode()) {
        case StreamPlayer::ModeNone:
        case StreamPlayer::ModeLive:
            return retriesOver ? tr("Videoserver disconnected") : tr("Trying to reconnect...");
        case StreamPlayer::ModeArchive:
            return d->single ? tr("Record ended") : tr("No archive");
        }
        break;
    case StreamPlayer::Error:
        return retriesOver || player.isRetryPending() ? tr("Error") : tr("Trying to reconnect...");
    default:
        break;
    }
    return QString();
}

// ---- Archive search zone ----

void VideoWidget::startArchiveSearch()
{
    d->zone->start(d->pictureRect);
}

void VideoWidget::showArchiveSearchZone()
{
    d->zone->show();
}

void VideoWidget::hideArchiveSearch()
{
    d->zone->hide();
}

void VideoWidget::selectDefaultSelection()
{
    d->zone->selectDefault(d->pictureRect);
}

bool VideoWidget::isSearchActive() const
{
    return d->zone->isSearchActive();
}

int VideoWidget::searchZoneX1() const
{
    return d->zone->percentX1(d->rotation);
}

int VideoWidget::searchZoneY1() const
{
    return d->zone->percentY1(d->rotation);
}

int VideoWidget::searchZoneX2() const
{
    return d->zone->percentX2(d->rotation);
}

int VideoWidget::searchZoneY2() const
{
    return d->zone->percentY2(d->rotation);
}

bool VideoWidget::searchMousePress(QMouseEvent* event)
{
    return d->zone->mousePress(event, d->pictureRect);
}

void VideoWidget::mouseMoveEvent(QMouseEvent* event)
{
    d->zone->mouseMove(event, d->pictureRect);
}

void VideoWidget::mouseReleaseEvent(QMouseEvent* event)
{
    d->zone->mouseRelease(event);
}

} // namespace GUI
} // namespace QuorvelClient
