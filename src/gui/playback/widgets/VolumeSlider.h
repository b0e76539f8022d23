#pragma once

#include <QAbstractSlider>
#include <QByteArray>
#include <QPixmap>

namespace QuorvelClient {
namespace GUI {

// The sound volume of the control strip: a wedge that fills from the left with a colour gradient, the value as a
// percentage in its corner and the value under the pointer in the tooltip. Presses and drags set the value at once
// (the slider is never "down"); a drag that leaves the zone around the wedge puts the press value back.
class VolumeSlider : public QAbstractSlider
{
    Q_OBJECT
public:
    // `colors`: red, green and blue of the gradient's four stops, twelve numbers separated by ";". `step` is the
    // change per wheel notch. The range is 0..400 with `extendedRange`, else 0..200.
    VolumeSlider(QWidget* parent, int step, bool extendedRange, const QByteArray& colors);
    ~VolumeSlider() override;

    void setDimmed(bool dimmed);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // `x` is the pointer's x less the track's start.
    int valueAt(int x) const;
    void setValueFromPosition(int x);

    bool m_pressed = false;
    bool m_pointerLeft = true;
    int m_pressValue = 0;
    int m_wheelStep = 0;
    // Wheel deltas smaller than a notch, kept until they make one.
    int m_wheelRemainder = 0;
    bool m_dimmed = false;
    QPixmap m_fillPixmap;
    QPixmap m_dimmedFillPixmap;
    QPixmap m_outlinePixmap;
};

} // namespace GUI
} // namespace QuorvelClient
