#pragma once

#include <QPoint>
#include <QRect>
#include <Qt>

class QMouseEvent;
class QPainter;
class QPushButton;
class QWidget;

namespace QuorvelClient {
namespace GUI {
namespace Internal {

// The archive search zone of a video widget: a rectangle kept in fractions of the picture rect, edited with the
// mouse while search mode is on, and reported in percent of the camera's unrotated frame. The owner passes its
// current picture rect to every call; the zone sets the owner's cursor and mouse tracking and asks it to repaint.
class VideoSearchZone
{
public:
    enum Handle {
        None = -1,
        LeftEdge = 0,
        TopEdge = 1,
        RightEdge = 2,
        BottomEdge = 3,
        TopLeft = 4,
        TopRight = 5,
        BottomRight = 6,
        BottomLeft = 7,
        Inside = 8
    };

    // Makes the hidden "Hide search area" button as a child of the owner; its click is the owner's business.
    explicit VideoSearchZone(QWidget* owner);

    QPushButton* closeButton() const { return m_closeButton; }

    bool isSearchActive() const { return m_searchMode; }
    bool isShown() const { return m_shown; }
    bool isOverZone() const { return m_overZone; }
    int handle() const { return m_handle; }
    bool isMoving() const { return m_moving; }
    double left() const { return m_left; }
    double top() const { return m_top; }
    double right() const { return m_right; }
    double bottom() const { return m_bottom; }
    void setFractions(double left, double top, double right, double bottom);
    // The zone in widget pixels as last drawn (inclusive corners).
    QRect pixelRect() const { return m_pixelRect; }

    void start(const QRect& picture);
    void show();
    void hide();
    void selectDefault(const QRect& picture);

    // The left, top, right and bottom edge in percent of the unrotated frame.
    int percentX1(double rotation) const;
    int percentY1(double rotation) const;
    int percentX2(double rotation) const;
    int percentY2(double rotation) const;

    bool mousePress(const QMouseEvent* event, const QRect& picture);
    void mouseMove(const QMouseEvent* event, const QRect& picture);
    void mouseRelease(const QMouseEvent* event);

    // Draws the editing or the plain look, or nothing, after the picture.
    void paint(QPainter& painter, const QRect& picture);
    // Places the close button inside the zone's top right corner.
    void placeCloseButton();

private:
    void drag(const QPoint& pos, const QRect& picture);
    void clamp(const QRect& picture);
    void updatePixelRect(const QRect& picture);
    void percentEdges(double rotation, double edges[4]) const;
    bool nearCorner(const QPoint& pos, Handle corner) const;
    bool onEdge(const QPoint& pos, const QRect& picture, Handle edge) const;
    bool isInside(const QPoint& pos, const QRect& picture) const;

    QWidget* m_owner;
    double m_left = 0;
    double m_top = 0;
    double m_right = 0;
    double m_bottom = 0;
    QRect m_pixelRect;
    bool m_searchMode = false;
    bool m_shown = false;
    bool m_overZone = false;
    int m_handle = None;
    bool m_moving = false;
    double m_grabX = 0;
    double m_grabY = 0;
    QPushButton* m_closeButton = nullptr;
};

} // namespace Internal
} // namespace GUI
} // namespace QuorvelClient
