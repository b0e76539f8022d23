#include "core/media/VideoMuxer.h"

#include "core/media/Vlc.h"
#include "utils/Mask.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <vlc/vlc.h>

#include <atomic>

namespace QuorvelClient {
namespace Core {

namespace {

const int kPollInterval = 600;
const int kParseTimeout = 3000;

// A stream-output option value in double quotes, so that blanks, commas and braces of a path stay in the value.
QString quotedOptionValue(const QString& value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// The length in ms of the media in a written file, or 0. The engine's own access and demuxer options are for
// streams and refuse a file, so the file's are named here.
qint64 writtenDuration(libvlc_instance_t* instance, const QString& filePath)
{
    if (!instance || !QFile::exists(filePath))
        return 0;
    libvlc_media_t* media = libvlc_media_new_path(instance, QFile::encodeName(filePath).constData());
    if (!media)
        return 0;
    libvlc_media_add_option(media, ":access=file");
    libvlc_media_add_option(media, ":demux=any");
    qint64 length = 0;
    if (libvlc_media_parse_with_options(media, libvlc_media_parse_local, kParseTimeout) == 0) {
        QElapsedTimer clock;
        clock.start();
        while (libvlc_media_get_parsed_status(media) == 0 && clock.elapsed() < kParseTimeout + 500)
            QThread::msleep(5);
        if (libvlc_media_get_parsed_status(media) == libvlc_media_parsed_status_done)
            length = qMax<qint64>(0, libvlc_media_get_duration(media));
    }
    libvlc_media_release(media);
    return length;
}

VideoMuxer::DurationProbe& durationProbe()
{
    static VideoMuxer::DurationProbe probe;
    return probe;
}

} // namespace

namespace Internal {

class MuxerPlayer
{
public:
    // Latched by libvlc's error event: a stream that failed has written nothing worth measuring.
    std::atomic<bool> errorSeen{false};

    static void onPlayerError(const libvlc_event_t*, void* opaque)
    {
        static_cast<MuxerPlayer*>(opaque)->errorSeen = true;
    }
};

} // namespace Internal

VideoMuxer::VideoMuxer() : m_shared(std::make_shared<Internal::MuxerPlayer>())
{
    m_player = Vlc::instance()->newPlayer();
    if (m_player)
        libvlc_event_attach(libvlc_media_player_event_manager(m_player), libvlc_MediaPlayerEncounteredError,
                            &Internal::MuxerPlayer::onPlayerError, m_shared.get());
    connect(&m_timer, &QTimer::timeout, this, &VideoMuxer::handlePlayerState);
}

VideoMuxer::~VideoMuxer()
{
    if (m_player) {
        std::shared_ptr<Internal::MuxerPlayer> shared = m_shared;
        m_engine.post([player = m_player, shared] {
            libvlc_event_detach(libvlc_media_player_event_manager(player), libvlc_MediaPlayerEncounteredError,
                                &Internal::MuxerPlayer::onPlayerError, shared.get());
            Vlc::releasePlayer(player);
        });
    }
}

void VideoMuxer::setDurationProbeForTesting(DurationProbe probe)
{
    durationProbe() = std::move(probe);
}

bool VideoMuxer::start(const QString& sourceUrl, const QString& filePath, int duration, const QString& mux)
{
    qDebug() << "Muxer: open path:" << Utils::maskUrlSecrets(sourceUrl);
    m_duration = duration;
    m_percent = 0;
    m_lastState = 0;
    m_loadedTime = 0;
    m_filePath = filePath;
    ++m_job;
    m_measuring = false;
    if (!m_player)
        return false;
    libvlc_media_player_t* player = m_player;
    m_engine.post([player] {
        if (libvlc_media_player_is_playing(player))
            libvlc_media_player_stop(player);
    });
    // The progress is a share of the duration; a stretch without length cannot be exported.
    if (m_duration <= 0) {
        qDebug() << "Muxer: invalid duration:" << duration;
        return false;
    }

    libvlc_media_t* media = Vlc::instance()->newStreamMedia(sourceUrl);
    if (!media)
        return false;
    const QString option =
        QStringLiteral(":sout=#std{access=file,mux=%1,dst=%2}").arg(mux, quotedOptionValue(filePath));
    libvlc_media_add_option(media, option.toUtf8().constData());
    std::shared_ptr<Internal::MuxerPlayer> shared = m_shared;
    m_engine.post([player, media, shared] {
        libvlc_media_player_set_media(player, media);
        libvlc_media_release(media);
        shared->errorSeen = false;
        libvlc_media_player_play(player);
    });

    if (!m_timer.isActive())
        m_timer.start(kPollInterval);
    return true;
}

void VideoMuxer::stop()
{
    m_timer.stop();
    ++m_job;
    m_measuring = false;
    if (m_player)
        m_engine.post([player = m_player] { libvlc_media_player_stop(player); });
}

int VideoMuxer::percent() const
{
    return m_percent;
}

qint64 VideoMuxer::loadedTime() const
{
    return m_loadedTime;
}

void VideoMuxer::handlePlayerState()
{
    // Reading the player waits for a queued call; the next poll reads it.
    if (!m_player || m_measuring || m_engine.isBusy())
        return;
    // Kept at its highest: a measured length outlives the zero time polls go on reading after the end.
    m_loadedTime = qMax(m_loadedTime, libvlc_media_player_get_time(m_player));
    if (m_loadedTime >= m_duration) {
        emit recordLoaded();
        return;
    }

    updatePercent();

    const int state = libvlc_media_player_get_state(m_player);
    if (state == m_lastState)
        return;
    qDebug() << "Muxer state changed:" << m_lastState << "->" << state;
    m_lastState = state;

    switch (state) {
    case libvlc_Buffering:
    case libvlc_Playing:
        emit loadingStarted();
        break;
    case libvlc_Stopped:
    case libvlc_Ended:
    case libvlc_Error:
        // A stream that arrives faster than it plays ends with the player's time behind what was written (none at
        // all when it ended before the first poll), so the file itself tells how much it holds.
        if (!m_shared->errorSeen) {
            m_measuring = true;
            const QString filePath = m_filePath;
            // The stream output finishes the file (an mp4's index) only when the player stops.
            m_engine.post<qint64>(
                [player = m_player, instance = Vlc::instance()->libvlcInstance(), filePath] {
                    libvlc_media_player_stop(player);
                    const DurationProbe probe = durationProbe();
                    return probe ? probe(filePath) : writtenDuration(instance, filePath);
                },
                this, [this, job = m_job](qint64 written) { judgeWritten(job, written); });
            return;
        }
        judge();
        break;
    default:
        break;
    }
}

void VideoMuxer::judgeWritten(int job, qint64 written)
{
    // A start or a stop since the measure was asked for has made it moot.
    if (job != m_job)
        return;
    m_measuring = false;
    m_loadedTime = qMax(m_loadedTime, written);
    qDebug() << "Muxer: written length:" << m_loadedTime;
    updatePercent();
    judge();
}

void VideoMuxer::judge()
{
    if (m_loadedTime <= 0 || m_duration - m_loadedTime > 9999 || m_percent <= 79)
        emit loadingError();
    else
        emit recordLoaded();
}

void VideoMuxer::updatePercent()
{
    const int progress = int(m_loadedTime * 100.0 / m_duration);
    if (progress > m_percent) {
        m_percent = progress;
        emit percentUpdated();
    }
}

} // namespace Core
} // namespace QuorvelClient
