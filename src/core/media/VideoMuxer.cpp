#include "core/media/VideoMuxer.h"

#include "core/media/Vlc.h"
#include "utils/Mask.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <vlc/vlc.h>

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
qint64 writtenDuration(const QString& filePath)
{
    libvlc_instance_t* instance = Vlc::instance()->libvlcInstance();
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

} // namespace

VideoMuxer::VideoMuxer()
{
    if (libvlc_instance_t* instance = Vlc::instance()->libvlcInstance())
        m_player = libvlc_media_player_new(instance);
    if (m_player)
        libvlc_event_attach(libvlc_media_player_event_manager(m_player), libvlc_MediaPlayerEncounteredError,
                            &VideoMuxer::onPlayerError, this);
    connect(&m_timer, &QTimer::timeout, this, &VideoMuxer::handlePlayerState);
}

VideoMuxer::~VideoMuxer()
{
    if (m_player) {
        libvlc_media_player_stop(m_player);
        libvlc_event_detach(libvlc_media_player_event_manager(m_player), libvlc_MediaPlayerEncounteredError,
                            &VideoMuxer::onPlayerError, this);
        libvlc_media_player_release(m_player);
    }
}

void VideoMuxer::onPlayerError(const libvlc_event_t*, void* opaque)
{
    static_cast<VideoMuxer*>(opaque)->m_errorSeen = true;
}

bool VideoMuxer::start(const QString& sourceUrl, const QString& filePath, int duration, const QString& mux)
{
    qDebug() << "Muxer: open path:" << Utils::maskUrlSecrets(sourceUrl);
    m_duration = duration;
    m_percent = 0;
    m_lastState = 0;
    m_loadedTime = 0;
    m_filePath = filePath;
    if (!m_player)
        return false;
    if (libvlc_media_player_is_playing(m_player))
        libvlc_media_player_stop(m_player);
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
    libvlc_media_player_set_media(m_player, media);
    libvlc_media_release(media);
    m_errorSeen = false;

    if (!m_timer.isActive())
        m_timer.start(kPollInterval);
    libvlc_media_player_play(m_player);
    return true;
}

void VideoMuxer::stop()
{
    m_timer.stop();
    if (m_player)
        libvlc_media_player_stop(m_player);
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
        if (!m_errorSeen) {
            // The stream output finishes the file (an mp4's index) only when the player stops.
            libvlc_media_player_stop(m_player);
            m_loadedTime = qMax(m_loadedTime, writtenDuration(m_filePath));
            qDebug() << "Muxer: written length:" << m_loadedTime;
            updatePercent();
        }
        if (m_loadedTime <= 0 || m_duration - m_loadedTime > 9999 || m_percent <= 79)
            emit loadingError();
        else
            emit recordLoaded();
        break;
    default:
        break;
    }
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
