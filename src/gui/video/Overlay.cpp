#include "gui/video/Overlay.h"

#include <QPainter>
#include <QPen>
#include <QTimerEvent>

namespace QuorvelClient {
namespace GUI {
namespace Internal {

namespace {

const int kBlinkPeriod = 200;
const QColor kActiveColour(127, 199, 255);

} // namespace

Overlay::Overlay(QWidget* parent) : QWidget(parent)
{
    setPalette(QPalette(QColor(Qt::transparent)));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    refresh();
}

Overlay::~Overlay() = default;

void Overlay::setShown(bool shown)
{
    m_shown = shown;
    refresh();
}

// Hidden while it draws nothing: a widget over the picture is repainted with every new frame, even an empty one.
void Overlay::refresh()
{
    setVisible(m_shown && (m_highlighted || m_active));
    update();
}

void Overlay::stopBlinkTimer()
{
    if (m_blinkTimer != 0) {
        killTimer(m_blinkTimer);
        m_blinkTimer = 0;
    }
}

void Overlay::setActive(bool value)
{
    m_frameColour = kActiveColour;
    m_active = value;
    refresh();
}

void Overlay::clear()
{
    m_blinking = false;
    m_highlighted = false;
    stopBlinkTimer();
    refresh();
}

void Overlay::focus()
{
    m_highlighted = true;
    m_blinking = false;
    stopBlinkTimer();
    refresh();
}

void Overlay::blink()
{
    m_highlighted = true;
    m_blinking = true;
    stopBlinkTimer();
    m_blinkTimer = startTimer(kBlinkPeriod);
    refresh();
}

void Overlay::timerEvent(QTimerEvent* event)
{
    Q_UNUSED(event);
    m_highlighted = !m_highlighted;
    refresh();
}

void Overlay::resizeEvent(QResizeEvent* event)
{
    Q_UNUSED(event);
}

void Overlay::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    if (!isVisible())
        return;
    QColor colour = m_highlighted ? QColor(Qt::green) : (m_active ? kActiveColour : QColor());
    if (m_blinking)
        colour = Qt::yellow;
    if (!m_highlighted && !m_active)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QBrush(colour), 4.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0, 0, width(), height()));
}

} // namespace Internal
} // namespace GUI
} // namespace QuorvelClient
