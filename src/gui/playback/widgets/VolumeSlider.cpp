#include "gui/playback/widgets/VolumeSlider.h"

#include <QBitmap>
#include <QColor>
#include <QLinearGradient>
#include <QList>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace QuorvelClient {
namespace GUI {

namespace {

const int kTrackStart = 3;
const int kTrackLength = 80;
const QRect kTextBox(0, 0, 34, 15);
// The wedge widened by 12 px on the left and 13 px on the right and raised by 1 px; a drag outside it cancels.
const QRect kDragZone(QPoint(-12, -1), QPoint(97, 25));

QList<QColor> parseColors(const QByteArray& text)
{
    QList<QByteArray> parts = text.split(';');
    while (parts.size() < 12)
        parts.append("255");
    QList<QColor> colors;
    for (int k = 0; k < 4; ++k)
        colors.append(QColor(parts.at(3 * k).toInt(), parts.at(3 * k + 1).toInt(), parts.at(3 * k + 2).toInt()));
    return colors;
}

QPixmap gradientFill(const QSize& size, const QBitmap& mask, const QList<QColor>& colors)
{
    static const qreal stops[] = {0.0, 0.22, 0.5, 1.0};
    QLinearGradient gradient(kTrackStart, 2, kTrackStart + kTrackLength, 2);
    for (int k = 0; k < 4; ++k)
        gradient.setColorAt(stops[k], colors.at(k));
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRect(pixmap.rect());
    painter.end();
    pixmap.setMask(mask);
    return pixmap;
}

} // namespace

VolumeSlider::VolumeSlider(QWidget* parent, int step, bool extendedRange, const QByteArray& colors)
    : QAbstractSlider(parent), m_wheelStep(step)
{
    setRange(0, extendedRange ? 400 : 200);
    setMouseTracking(true);

    m_outlinePixmap = QPixmap(QStringLiteral(":icons/volume-slider-outside.png"));
    const QBitmap mask = QPixmap(QStringLiteral(":icons/volume-slider-inside.png")).createHeuristicMask(true);
    setFixedSize(m_outlinePixmap.size());

    const QList<QColor> coloured = parseColors(colors);
    QList<QColor> dimmed;
    for (const QColor& color : coloured)
        dimmed.append(QColor::fromHsvF(color.hsvHueF(), 0.2f, 0.5f, 1.0f));
    m_fillPixmap = gradientFill(mask.size(), mask, coloured);
    m_dimmedFillPixmap = gradientFill(mask.size(), mask, dimmed);
}

VolumeSlider::~VolumeSlider() = default;

void VolumeSlider::setDimmed(bool dimmed)
{
    m_dimmed = dimmed;
    update();
}

int VolumeSlider::valueAt(int x) const
{
    return (maximum() * x + kTrackLength / 2) / kTrackLength;
}

void VolumeSlider::setValueFromPosition(int x)
{
    setValue(valueAt(x));
}

void VolumeSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        return;
    m_pressed = true;
    m_pressValue = value();
    emit sliderPressed();
    setValueFromPosition(event->position().toPoint().x() - kTrackStart);
    emit sliderMoved(value());
}

void VolumeSlider::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (!m_pressed) {
        const int hovered = qBound(0, valueAt(pos.x() - kTrackStart), maximum());
        setToolTip(QStringLiteral("%1  %").arg(hovered));
        return;
    }
    if (kDragZone.contains(pos)) {
        m_pointerLeft = false;
        setValueFromPosition(pos.x() - kTrackStart);
        emit sliderMoved(value());
        return;
    }
    if (!m_pointerLeft)
        setValue(m_pressValue);
    m_pointerLeft = true;
}

void VolumeSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        return;
    if (!m_pointerLeft && value() != m_pressValue) {
        emit sliderReleased();
        setValue(value());
        emit sliderMoved(value());
    }
    m_pressed = false;
    m_pointerLeft = false;
}

void VolumeSlider::wheelEvent(QWheelEvent* event)
{
    m_wheelRemainder += event->angleDelta().y();
    const int notches = m_wheelRemainder / 120;
    m_wheelRemainder -= notches * 120;
    setValue(qBound(minimum(), value() + notches * m_wheelStep, maximum()));
    emit sliderReleased();
    emit sliderMoved(value());
    event->accept();
}

void VolumeSlider::paintEvent(QPaintEvent* event)
{
    const QPixmap& fill = m_dimmed ? m_dimmedFillPixmap : m_fillPixmap;
    const int width = maximum() > 0 ? (kTrackLength * value() + 100) / maximum() + kTrackStart : kTrackStart;
    const QRect filled(0, 0, width, fill.height());

    QPainter painter(this);
    painter.drawPixmap(filled, fill, filled);
    painter.drawPixmap(0, 0, m_outlinePixmap);
    painter.setPen(QColor(64, 64, 64));
    QFont font = painter.font();
    font.setPixelSize(9);
    painter.setFont(font);
    painter.drawText(kTextBox, Qt::AlignRight | Qt::AlignVCenter, QString::number(value()) + QLatin1Char('%'));
    painter.end();
    event->accept();
}

} // namespace GUI
} // namespace QuorvelClient
