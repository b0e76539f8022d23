#pragma once

#include "utils/MemoryChecker.h"

#include <QDateTime>
#include <QWidget>

#include <memory>

namespace QuorvelClient {
namespace GUI {

class VideoWidget;

namespace Internal {
class VideoPlayerPrivate;
}

// The frame around one video widget in the grid: a close control at its top right corner, a border overlay, and
// sound let through only while the frame is the container's active player.
class VideoPlayer : public QWidget, public Utils::MemoryChecker
{
    Q_OBJECT
public:
    explicit VideoPlayer(VideoWidget* widget);
    ~VideoPlayer() override;

    VideoWidget* videoWidget() const;
    void setOverlayVisible(bool visible);
    bool saveCurrentFrame(const QString& fileName);
    QDateTime currentTime() const;
    void blink();
    void setVolume(int volume);
    void setSound(bool on);
    void setActive(bool active);
    bool isActive() const;

signals:
    void mousePressed();
    void aboutToClose(VideoPlayer* player);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void placeCloseButton(int width);

    std::shared_ptr<Internal::VideoPlayerPrivate> d;
};

} // namespace GUI
} // namespace QuorvelClient
