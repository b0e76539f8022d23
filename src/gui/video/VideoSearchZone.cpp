#include "gui/video/VideoSearchZone.h"

#include <QCoreApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QPushButton>
#include <QWidget>

#include <cstdlib>

namespace QuorvelClient {
namespace GUI {
namespace Internal {

namespace {

const int kNear = 12;    // a pointer within 11 pixels of an edge or corner is on it
const int kMinSize = 26; // smallest width and height of the zone in pixels
const double kMaxSpan = 0.99;

const QColor kOrange(255, 165, 0);

int pixelX(const QRect& picture, double f)
{
    return int(picture.width() * f + picture.left());
}

int pixelY(const QRect& picture, double f)
{
    return int(picture.height() * f + picture.top());
}

double fractionX(const QRect& picture, int x)
{
    return double(x - picture.left()) / picture.width();
}

double fractionY(const QRect& picture, int y)
{
    return double(y - picture.top()) / picture.height();
}

bool near(int a, int b)
{
    return std::abs(a - b) < kNear;
}

} // namespace

VideoSearchZone::VideoSearchZone(QWidget* owner) : m_owner(owner)
{
    m_closeButton = new QPushButton(owner);
    m_closeButton->setIcon(QIcon(QStringLiteral(":icons/close_search.svg")));
    m_closeButton->setIconSize(QSize(8, 8));
    m_closeButton->setStyleSheet(
        QStringLiteral("QPushButton { border: none; border-radius: 6px; background-color: none}\n"
                       "QPushButton:hover { background-color: rgba(255, 165, 0, 127) }\n"
                       "QPushButton:pressed { background-color: rgba(255, 117, 0, 127) }\n"
                       "QPushButton:flat { border: none; }\n"
                       "QPushButton:default { border-color: none; }"));
    m_closeButton->resize(12, 12);
    m_closeButton->hide();
    m_closeButton->setToolTip(QCoreApplication::translate("QuorvelClient::GUI::VideoWidget", "Hide search area"));
    placeCloseButton();
}

void VideoSearchZone::setFractions(double left, double top, double right, double bottom)
{
    m_left = left;
    m_top = top;
    m_right = right;
    m_bottom = bottom;
}

void VideoSearchZone::start(const QRect& picture)
{
    m_searchMode = true;
    m_owner->setMouseTracking(true);
    selectDefault(picture);
    m_owner->update();
}

void VideoSearchZone::show()
{
    m_shown = true;
    m_closeButton->show();
    placeCloseButton();
    m_owner->update();
}

void VideoSearchZone::hide()
{
    m_searchMode = false;
    m_shown = false;
    m_overZone = false;
    m_handle = None;
    m_owner->setCursor(Qt::ArrowCursor);
    m_moving = false;
    m_owner->setMouseTracking(false);
    m_closeButton->hide();
}

void VideoSearchZone::selectDefault(const QRect& picture)
{
    const int xa = picture.left() + picture.width() / 4;
    const int ya = picture.top() + picture.height() / 4;
    m_left = fractionX(picture, xa);
    m_top = fractionY(picture, ya);
    m_right = fractionX(picture, xa + picture.width() / 2);
    m_bottom = fractionY(picture, ya + picture.height() / 2);
}

void VideoSearchZone::percentEdges(double rotation, double edges[4]) const
{
    switch (int(rotation) % 360) {
    case 90:
        edges[0] = 100 * m_top;
        edges[1] = 100 - 100 * m_right;
        edges[2] = 100 * m_bottom;
        edges[3] = 100 - 100 * m_left;
        break;
    case 180:
        edges[0] = 100 - 100 * m_right;
        edges[1] = 100 - 100 * m_bottom;
        edges[2] = 100 - 100 * m_left;
        edges[3] = 100 - 100 * m_top;
        break;
    case 270:
        edges[0] = 100 - 100 * m_bottom;
        edges[1] = 100 * m_left;
        edges[2] = 100 - 100 * m_top;
        edges[3] = 100 * m_right;
        break;
    default:
        edges[0] = 100 * m_left;
        edges[1] = 100 * m_top;
        edges[2] = 100 * m_right;
        edges[3] = 100 * m_bottom;
        break;
    }
}

int VideoSearchZone::percentX1(double rotation) const
{
    double edges[4];
    percentEdges(rotation, edges);
    return int(edges[0]);
}

int VideoSearchZone::percentY1(double rotation) const
{
    double edges[4];
    percentEdges(rotation, edges);
    return int(edges[1]);
}

int VideoSearchZone::percentX2(double rotation) const
{
    double edges[4];
    percentEdges(rotation, edges);
    return int(edges[2]);
}

int VideoSearchZone::percentY2(double rotation) const
{
    double edges[4];
    percentEdges(rotation, edges);
    return int(edges[3]);
}

bool VideoSearchZone::nearCorner(const QPoint& pos, Handle corner) const
{
    const QRect& z = m_pixelRect;
    switch (corner) {
    case TopLeft:
        return near(pos.x(), z.left()) && near(pos.y(), z.top());
    case TopRight:
        return near(pos.x(), z.right()) && near(pos.y(), z.top());
    case BottomRight:
        return near(pos.x(), z.right()) && near(pos.y(), z.bottom());
    case BottomLeft:
        return near(pos.x(), z.left()) && near(pos.y(), z.bottom());
    default:
        return false;
    }
}

bool VideoSearchZone::onEdge(const QPoint& pos, const QRect& picture, Handle edge) const
{
    const int left = pixelX(picture, m_left);
    const int right = pixelX(picture, m_right);
    const int top = pixelY(picture, m_top);
    const int bottom = pixelY(picture, m_bottom);
    const bool betweenTopAndBottom = top < pos.y() && pos.y() < bottom;
    const bool betweenLeftAndRight = left < pos.x() && pos.x() < right;
    switch (edge) {
    case LeftEdge:
        return near(pos.x(), left) && betweenTopAndBottom;
    case RightEdge:
        return near(pos.x(), right) && betweenTopAndBottom;
    case TopEdge:
        return near(pos.y(), top) && betweenLeftAndRight;
    case BottomEdge:
        return near(pos.y(), bottom) && betweenLeftAndRight;
    default:
        return false;
    }
}

bool VideoSearchZone::isInside(const QPoint& pos, const QRect& picture) const
{
    return pixelX(picture, m_left) < pos.x() && pos.x() < pixelX(picture, m_right) &&
           pixelY(picture, m_top) < pos.y() && pos.y() < pixelY(picture, m_bottom);
}

void VideoSearchZone::mouseMove(const QMouseEvent* event, const QRect& picture)
{
    if (!m_searchMode)
        return;
    const QPoint pos = event->position().toPoint();
    Qt::CursorShape shape = Qt::ArrowCursor;
    bool over = true;
    if (nearCorner(pos, TopLeft) || nearCorner(pos, BottomRight))
        shape = Qt::SizeFDiagCursor;
    else if (nearCorner(pos, TopRight) || nearCorner(pos, BottomLeft))
        shape = Qt::SizeBDiagCursor;
    else if (onEdge(pos, picture, LeftEdge) || onEdge(pos, picture, RightEdge))
        shape = Qt::SplitHCursor;
    else if (onEdge(pos, picture, TopEdge) || onEdge(pos, picture, BottomEdge))
        shape = Qt::SplitVCursor;
    else if (isInside(pos, picture))
        shape = (event->buttons() & Qt::LeftButton) ? Qt::ClosedHandCursor : Qt::OpenHandCursor;
    else
        over = false;
    m_overZone = over;
    m_owner->setCursor(shape);
    if (m_handle != None)
        drag(pos, picture);
}

bool VideoSearchZone::mousePress(const QMouseEvent* event, const QRect& picture)
{
    if (event->button() != Qt::LeftButton || !m_searchMode || !m_overZone)
        return false;
    const QPoint pos = event->position().toPoint();
    const double fx = fractionX(picture, pos.x());
    const double fy = fractionY(picture, pos.y());
    auto pick = [this](Handle handle, double gx, double gy) {
        m_handle = handle;
        m_grabX = gx;
        m_grabY = gy;
    };
    if (nearCorner(pos, TopLeft))
        pick(TopLeft, m_left, m_top);
    else if (nearCorner(pos, TopRight))
        pick(TopRight, m_right, m_top);
    else if (nearCorner(pos, BottomRight))
        pick(BottomRight, m_right, m_bottom);
    else if (nearCorner(pos, BottomLeft))
        pick(BottomLeft, m_left, m_bottom);
    else if (onEdge(pos, picture, LeftEdge))
        pick(LeftEdge, m_left, fy);
    else if (onEdge(pos, picture, RightEdge))
        pick(RightEdge, m_right, fy);
    else if (onEdge(pos, picture, TopEdge))
        pick(TopEdge, fx, m_top);
    else if (onEdge(pos, picture, BottomEdge))
        pick(BottomEdge, fx, m_bottom);
    else if (isInside(pos, picture))
        pick(Inside, fx, fy);
    return true;
}

void VideoSearchZone::mouseRelease(const QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_handle = None;
}

void VideoSearchZone::drag(const QPoint& pos, const QRect& picture)
{
    if (!m_searchMode)
        return;
    const int x = pos.x();
    const int y = pos.y();
    if (!(picture.left() + 1 < x && x < picture.right() - 1 && picture.top() + 1 < y && y < picture.bottom() - 1))
        return;
    const double fx = fractionX(picture, x);
    const double fy = fractionY(picture, y);
    const QRect& z = m_pixelRect;

    // Each edge follows the pointer only while the zone keeps its minimum size in that direction.
    auto moveLeft = [&] { return z.right() - x >= kMinSize ? (m_left = fx, true) : false; };
    auto moveRight = [&] { return x - z.left() >= kMinSize ? (m_right = fx, true) : false; };
    auto moveTop = [&] { return z.bottom() - y >= kMinSize ? (m_top = fy, true) : false; };
    auto moveBottom = [&] { return y - z.top() >= kMinSize ? (m_bottom = fy, true) : false; };

    bool resized = false;
    double gx = 0;
    double gy = 0;
    switch (m_handle) {
    case LeftEdge:
        resized = moveLeft();
        gx = m_left;
        gy = fy;
        break;
    case RightEdge:
        resized = moveRight();
        gx = m_right;
        gy = fy;
        break;
    case TopEdge:
        resized = moveTop();
        gx = fx;
        gy = m_top;
        break;
    case BottomEdge:
        resized = moveBottom();
        gx = fx;
        gy = m_bottom;
        break;
    case TopLeft: {
        const bool a = moveLeft();
        const bool b = moveTop();
        resized = a || b;
        gx = m_left;
        gy = m_top;
        break;
    }
    case TopRight: {
        const bool a = moveRight();
        const bool b = moveTop();
        resized = a || b;
        gx = m_right;
        gy = m_top;
        break;
    }
    case BottomRight: {
        const bool a = moveRight();
        const bool b = moveBottom();
        resized = a || b;
        gx = m_right;
        gy = m_bottom;
        break;
    }
    case BottomLeft: {
        const bool a = moveLeft();
        const bool b = moveBottom();
        resized = a || b;
        gx = m_left;
        gy = m_bottom;
        break;
    }
    default:
        break;
    }

    bool move = m_handle == Inside;
    if (m_handle >= LeftEdge && m_handle <= BottomLeft) {
        if (resized) {
            m_moving = false;
        } else {
            // Too small to shrink further: from here on the grabbed part carries the whole zone along.
            if (!m_moving) {
                m_moving = true;
                m_grabX = gx;
                m_grabY = gy;
            }
            move = true;
        }
    }
    if (move) {
        const double dx = fx - m_grabX;
        const double dy = fy - m_grabY;
        m_left += dx;
        m_right += dx;
        m_top += dy;
        m_bottom += dy;
        m_grabX = fx;
        m_grabY = fy;
        clamp(picture);
    }
    m_owner->update();
}

void VideoSearchZone::clamp(const QRect& picture)
{
    const double minL = fractionX(picture, picture.left() + 1);
    const double minT = fractionY(picture, picture.top() + 1);
    const double maxR = fractionX(picture, picture.left() + picture.width() - 1);
    const double maxB = fractionY(picture, picture.top() + picture.height() - 1);
    const double minW = fractionX(picture, picture.left() + kMinSize);
    const double minH = fractionY(picture, picture.top() + kMinSize);

    if (m_right - m_left < minW)
        m_right = m_left + minW;
    else if (m_right - m_left > kMaxSpan)
        m_right = m_left + kMaxSpan;
    if (m_bottom - m_top < minH)
        m_bottom = m_top + minH;
    else if (m_bottom - m_top > kMaxSpan)
        m_bottom = m_top + kMaxSpan;
    if (m_left < minL) {
        m_right += minL - m_left;
        m_left = minL;
    }
    if (m_top < minT) {
        m_bottom += minT - m_top;
        m_top = minT;
    }
    if (m_right > maxR) {
        m_left -= m_right - maxR;
        m_right = maxR;
    }
    if (m_bottom > maxB) {
        m_top -= m_bottom - maxB;
        m_bottom = maxB;
    }
}

void VideoSearchZone::updatePixelRect(const QRect& picture)
{
    const double px = picture.left();
    const double py = picture.top();
    const double pw = picture.width();
    const double ph = picture.height();
    m_pixelRect = QRect(QPoint(int(px + pw * m_left), int(py + ph * m_top)),
                        QPoint(int(px + pw * m_right) - 1, int(py + ph * m_bottom) - 1));
}

void VideoSearchZone::paint(QPainter& painter, const QRect& picture)
{
    if (!m_searchMode && !m_shown)
        return;
    painter.save();
    updatePixelRect(picture);
    const QRect& z = m_pixelRect;
    if (!m_searchMode) {
        QPen pen;
        pen.setColor(kOrange);
        pen.setWidth(2);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(z);
        painter.restore();
        placeCloseButton();
        return;
    }

    painter.setPen(QPen(kOrange, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(z);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(50, 50, 50, 200));
    painter.drawRect(QRect(QPoint(picture.left(), picture.top()), QPoint(z.left() - 1, picture.bottom())));
    painter.drawRect(QRect(QPoint(z.right() + 1, picture.top()), QPoint(picture.right(), picture.bottom())));
    painter.drawRect(QRect(QPoint(z.left(), picture.top()), QPoint(z.right(), z.top() - 1)));
    painter.drawRect(QRect(QPoint(z.left(), z.bottom() + 1), QPoint(z.right(), picture.bottom())));

    painter.setBrush(kOrange);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const int mx = (z.left() + z.right()) / 2;
    const int my = (z.top() + z.bottom()) / 2;
    const QPolygon arrows[] = {
        QPolygon({QPoint(z.left() - 9, my), QPoint(z.left() - 2, my - 8), QPoint(z.left() - 2, my + 8)}),
        QPolygon({QPoint(mx - 8, z.top() - 2), QPoint(mx, z.top() - 9), QPoint(mx + 8, z.top() - 2)}),
        QPolygon({QPoint(z.right() + 9, my), QPoint(z.right() + 2, my - 8), QPoint(z.right() + 2, my + 8)}),
        QPolygon({QPoint(mx - 8, z.bottom() + 2), QPoint(mx, z.bottom() + 9), QPoint(mx + 8, z.bottom() + 2)})};
    for (const QPolygon& arrow : arrows)
        painter.drawPolygon(arrow, Qt::OddEvenFill);

    QPen text(kOrange, 2);
    text.setColor(Qt::white);
    painter.setPen(text);
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Exclusion);
    painter.drawText(z.adjusted(3, 2, -2, -2), Qt::AlignTop | Qt::AlignHCenter,
                     QCoreApplication::translate("QuorvelClient::GUI::VideoWidget", "Search area"));
    painter.setCompositionMode(mode);
    painter.restore();
}

void VideoSearchZone::placeCloseButton()
{
    m_closeButton->move(m_pixelRect.right() - 1 - m_closeButton->width(), m_pixelRect.top() + 1);
}

} // namespace Internal
} // namespace GUI
} // namespace QuorvelClient
