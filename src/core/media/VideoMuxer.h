#pragma once

#include "core/media/EngineQueue.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

struct libvlc_media_player_t;

namespace QuorvelClient {
namespace Core {

namespace Internal {
class MuxerPlayer;
}

// Writes one stretch of an archive stream into a file through libvlc's stream output, without transcoding,
// and reports the progress and a verdict from a 600 ms poll. The calls into libvlc that may wait (stopping the
// stream, replacing its media, measuring the written file) run on the muxer's engine queue; the poll reads the
// player only while none of them is pending, and a verdict that needs the file's length follows once it is known.
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

    // The length in ms of the media in a written file, or 0.
    using DurationProbe = std::function<qint64(const QString& filePath)>;
    // For tests: measures the written files in place of the engine; an empty function restores the engine.
    static void setDurationProbeForTesting(DurationProbe probe);

signals:
    void loadingStarted();
    void percentUpdated();
    void recordLoaded();
    void loadingError();

private slots:
    void handlePlayerState();

private:
    void updatePercent();
    // The verdict on an export that stopped, ended or failed.
    void judge();
    void judgeWritten(int job, qint64 written);

    libvlc_media_player_t* m_player = nullptr;
    // What the queued calls and libvlc's error event share with the muxer; it outlives the muxer until the player
    // has been released.
    std::shared_ptr<Internal::MuxerPlayer> m_shared;
    EngineQueue m_engine;
    QTimer m_timer;
    int m_lastState = 0;
    qint64 m_duration = 0;
    qint64 m_loadedTime = 0;
    int m_percent = 0;
    QString m_filePath;
    // Counts the starts and stops: a written length measured for an earlier job is not judged.
    int m_job = 0;
    // The written length is being measured: the poll waits for the verdict.
    bool m_measuring = false;
};

} // namespace Core
} // namespace QuorvelClient
