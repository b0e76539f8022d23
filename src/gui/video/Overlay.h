#pragma once

#include <QColor>
#include <QWidget>

namespace QuorvelClient {
namespace GUI {
namespace Internal {

// A border drawn over a player's picture: light blue while the player is active, green while the pointer is over
// it, blinking yellow on request. Clicks go through it to the widget beneath.
class Overlay : public QWidget
{
    Q_OBJECT
public:
    explicit Overlay(QWidget* parent);
    ~Overlay() override;

    // Whether the player shows a border at all (the only player of a grid does not).
    void setShown(bool shown);
    bool isShown() const { return m_shown; }
    bool isBlinking() const { return m_blinking; }
    bool isHighlighted() const { return m_highlighted; }
    bool isActive() const { return m_active; }

public slots:
    void clear();
    void blink();
    void focus();
    void setActive(bool value);

protected:
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void stopBlinkTimer();
    void refresh();

    bool m_blinking = false;
    bool m_highlighted = false;
    int m_blinkTimer = 0;
    QColor m_frameColour;
    bool m_active = false;
    bool m_shown = true;
};

} // namespace Internal
} // namespace GUI
} // namespace QuorvelClient
