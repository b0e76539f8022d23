#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>

struct libvlc_event_t;
struct libvlc_media_player_t;

namespace QuorvelClient {
namespace Core {

// Writes one stretch of an archive stream into a file through libvlc's stream output, without transcoding,
// and reports the progress and a verdict from a 600 ms poll.
class VideoMuxer : public QObject
{
    Q_OBJECT
public:
    VideoMuxer();
    ~VideoMuxer() override;

    bool start(const QString& sourceUrl, const QString& filePath, int duration, const QString& mux);
    void stop();

    int percent() const;
    qint64 loadedTime() const;

signals:
    void loadingStarted();
    void percentUpdated();
    void recordLoaded();
    void loadingError();

private slots:
    void handlePlayerState();

private:
    // Called on a libvlc thread.
    static void onPlayerError(const libvlc_event_t* event, void* opaque);
    void updatePercent();

    libvlc_media_player_t* m_player = nullptr;
    QTimer m_timer;
    int m_lastState = 0;
    qint64 m_duration = 0;
    qint64 m_loadedTime = 0;
    int m_percent = 0;
    QString m_filePath;
    // Latched by libvlc's error event: a stream that failed has written nothing worth measuring.
    std::atomic<bool> m_errorSeen{false};
};

} // namespace Core
} // namespace QuorvelClient
