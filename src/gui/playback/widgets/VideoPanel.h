#pragma once

#include <QString>
#include <QWidget>

#include <memory>

namespace QuorvelClient {
namespace GUI {

namespace Ui {
class VideoPanel;
}

class VolumeSlider;

// The row of playback controls: pause with the playback time, rotate, save image, export, motion search, live,
// quality, speed and volume. It turns clicks into signals and remembers the user's quality choice, which it narrows
// while many cameras are open without forgetting it.
class VideoPanel : public QWidget
{
    Q_OBJECT
public:
    // The index of the quality box.
    enum VideoQuality { LowQuality = 0, MediumQuality = 1, HighQuality = 2 };
    Q_ENUM(VideoQuality)

    enum VideoState : int { NoVideo = 0, LiveVideo = 1, ArchiveVideo = 2 };

    explicit VideoPanel(QWidget* parent = nullptr);
    ~VideoPanel() override;

    int speed() const;
    int quality() const;
    void setVolume(int volume);
    int volume() const;
    // The user's quality (0..2, anything else is ignored); saved again when the box moves to it.
    void setQuality(int quality);
    // 0 offers every quality, 1 takes "High" away, 2 leaves "Low" alone with the box disabled.
    void setQualityLimit(int level);

signals:
    void pause(bool paused);
    void save();
    void rotateRight();
    void volumeChanged(int volume);
    void goLive();
    void qualityChanged();
    void speedChanged();
    void exportStarted();
    void exportAccepted();
    void exportCanceled();
    void searchStarted();
    void searchAccepted();
    void searchCanceled();
    void searchClosed();

public slots:
    void pauseClicked();
    void saveClicked();
    void rotateRightClicked();
    void setTimeText(QString text);
    void setVideoState(VideoState state);
    void setPauseEnabled(bool enabled);
    void setShowPaused(bool paused);
    void setSpeedEnabled(bool enabled);
    void setExportArchiveStarted(bool started);
    void setExportArchiveEnabled(bool enabled);
    void setSearchArchiveStarted(bool started);
    void setSearchArchiveEnabled(bool enabled);
    void showCloseArchiveSearch();

private slots:
    void qualitySelectionChanged(int index);
    void speedSelectionChanged(int index);

private:
    void initControls();
    void connectControls();
    // Moves the quality box as the panel's own change, which is not the user's choice.
    void moveQualityBox(int index);

    std::unique_ptr<Ui::VideoPanel> ui;
    // 1 while the pause button offers "Pause", 0 while it offers "Continue watching".
    int m_pauseFace = 1;
    int m_videoState = NoVideo;
    int m_qualityLimit = 0;
    VolumeSlider* m_volumeSlider = nullptr;
    int m_savedQuality = HighQuality;
    // Index changes of the quality box made by the panel itself whose notification has not come yet.
    int m_pendingQualityChanges = 0;
};

} // namespace GUI
} // namespace QuorvelClient
