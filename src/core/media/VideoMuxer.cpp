#include "core/media/VideoMuxer.h"

#include "core/media/Vlc.h"
#include "utils/Mask.h"

#include <QDebug>

#include <vlc/vlc.h>

namespace QuorvelClient {
namespace Core {

namespace {

const int kPollInterval = 600;

// A stream-output option value in double quotes, so that blanks, commas and braces of a path stay in the value.
QString quotedOptionValue(const QString& value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

VideoMuxer::VideoMuxer()
{
    if (libvlc_instance_t* instance = Vlc::instance()->libvlcInstance())
        m_player = libvlc_media_player_new(instance);
    connect(&m_timer, &QTimer::timeout, this, &VideoMuxer::handlePlayerState);
}

VideoMuxer::~VideoMuxer()
{
    if (m_player) {
        libvlc_media_player_stop(m_player);
        libvlc_media_player_release(m_player);
    }
}

bool VideoMuxer::start(const QString& sourceUrl, const QString& filePath, int duration, const QString& mux)
{
    qDebug() << "Muxer: open path:" << Utils::maskUrlSecrets(sourceUrl);
    m_duration = duration;
    m_percent = 0;
    m_lastState = 0;
    m_loadedTime = 0;
    if (!m_player)
        return false;
    if (libvlc_media_player_is_playing(m_player))
        libvlc_media_player_stop(m_player);
    // The progress is a share of the duration; a stretch without length cannot be exported.
    if (m_duration <= 0) {
        qDebug() << "Muxer: invalid duration:" << duration;
        return false;
    }

    // libvlc 3 takes a path given to libvlc_media_new_path for a local file, so URLs go in as locations.
    libvlc_media_t* media =
        libvlc_media_new_location(Vlc::instance()->libvlcInstance(), sourceUrl.toLatin1().constData());
    if (!media)
        return false;
    const QString option =
        QStringLiteral(":sout=#std{access=file,mux=%1,dst=%2}").arg(mux, quotedOptionValue(filePath));
    libvlc_media_add_option(media, option.toUtf8().constData());
    libvlc_media_player_set_media(m_player, media);
    libvlc_media_release(media);

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
    const qint64 time = libvlc_media_player_get_time(m_player);
    m_loadedTime = time;
    if (time >= m_duration) {
        emit recordLoaded();
        return;
    }

    const int progress = int(time * 100.0 / m_duration);
    if (progress > m_percent) {
        m_percent = progress;
        emit percentUpdated();
    }

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
        if (m_loadedTime <= 0 || m_duration - m_loadedTime > 9999 || m_percent <= 79)
            emit loadingError();
        else
            emit recordLoaded();
        break;
    default:
        break;
    }
}

} // namespace Core
} // namespace QuorvelClient
