#include "gui/playback/PlaylistScheduler.h"

#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"

#include <QDebug>

#include <algorithm>
#include <limits>

namespace QuorvelClient {
namespace GUI {

namespace {

// How far a player may run ahead of the common clock before it waits.
const qint64 kAheadMs = 250;
const qint64 kMsPerDay = 24 * 3600 * 1000;
const qint64 kMsPerHour = 3600 * 1000;
// A stretch of one offset is proved by the offsets at its ends and three hours beyond them: no zone changes its
// offset twice within half a day, nor by more than three hours.
const qint64 kStretchMs = 6 * kMsPerHour;
const qint64 kMarginMs = 3 * kMsPerHour;

// A time's wall-clock reading as milliseconds since 1970-01-01 00:00 on that wall clock.
qint64 wallMs(const QDateTime& time)
{
    const qint64 epochDay = 2440588; // Julian day of 1970-01-01
    return (time.date().toJulianDay() - epochDay) * kMsPerDay + time.time().msecsSinceStartOfDay();
}

} // namespace

ScheduledPlayer::~ScheduledPlayer() = default;

ContainerPlayers::ContainerPlayers(const VideoContainer& container)
{
    for (VideoPlayer* player : container.players()) {
        if (VideoWidget* widget = player->videoWidget())
            m_widgets.append(VideoWidgetPlayer(widget));
    }
    for (VideoWidgetPlayer& widget : m_widgets)
        m_players.append(&widget);
}

void PlaylistScheduler::setPlaylist(const Playlist& playlist)
{
    m_playlist = playlist;
    if (!std::is_sorted(m_playlist.cbegin(), m_playlist.cend()))
        std::stable_sort(m_playlist.begin(), m_playlist.end());
    forgetPauses();
    m_started.clear();
}

void PlaylistScheduler::clear()
{
    setPlaylist(Playlist());
}

void PlaylistScheduler::merge(const Playlist& entries, const ScheduledPlayers& players)
{
    // The cameras handed in, usually one, each asked about once.
    struct Incoming
    {
        const Core::Camera* camera;
        bool scheduled;
        Core::ArchiveRecordPtr playing;
    };
    QVarLengthArray<Incoming, 16> cameras;
    const auto incoming = [&cameras](const Core::Camera* camera) {
        return std::find_if(cameras.begin(), cameras.end(),
                            [camera](const Incoming& known) { return known.camera == camera; });
    };
    for (const PlaylistEntry& entry : entries) {
        if (!entry.camera || incoming(entry.camera.get()) != cameras.end())
            continue;
        Core::ArchiveRecordPtr playing;
        ScheduledPlayer* player = findPlayer(players, entry.camera->globalId());
        if (player && player->isPlaying())
            playing = m_started.value(player->camera().get());
        cameras.append({entry.camera.get(), false, playing});
    }
    qsizetype unseen = cameras.size();
    for (auto it = m_playlist.cbegin(); it != m_playlist.cend() && unseen > 0; ++it) {
        const auto known = incoming(it->camera.get());
        if (known != cameras.end() && !known->scheduled) {
            known->scheduled = true;
            --unseen;
        }
    }

    Playlist taken;
    for (const PlaylistEntry& entry : entries) {
        if (!entry.camera || !entry.record)
            continue;
        const Incoming& camera = *incoming(entry.camera.get());
        if (camera.scheduled || (camera.playing && camera.playing->startId() == entry.record->startId()))
            continue;
        taken.append(entry);
    }
    if (taken.isEmpty())
        return;
    std::sort(taken.begin(), taken.end());
    const qsizetype middle = m_playlist.size();
    m_playlist.append(taken);
    std::inplace_merge(m_playlist.begin(), m_playlist.begin() + middle, m_playlist.end());
}

void PlaylistScheduler::removeCamera(const Core::Camera* camera)
{
    m_playlist.removeIf([camera](const PlaylistEntry& entry) { return entry.camera.get() == camera; });
    m_paused.remove(camera);
    m_resumed.remove(camera);
    m_started.remove(camera);
}

void PlaylistScheduler::forgetPauses()
{
    m_paused.clear();
    m_resumed.clear();
}

bool PlaylistScheduler::needsSteps(const ScheduledPlayers& players) const
{
    if (!m_playlist.isEmpty())
        return true;
    return std::count_if(players.cbegin(), players.cend(), [](ScheduledPlayer* p) { return p->isPlaying(); }) >= 2;
}

bool PlaylistScheduler::step(const ScheduledPlayers& players, Core::QualitySettings::Type quality,
                             Core::ArchivePlaySpeed speed)
{
    // The common clock: the earliest picture among the players that play, never later than now; the first
    // entry's due time while none plays. A player without a picture time yet does not hold it.
    QVarLengthArray<bool, 16> playing(players.size());
    int playingCount = 0;
    QDateTime clock;
    for (qsizetype i = 0; i < players.size(); ++i) {
        playing[i] = players[i]->isPlaying();
        if (!playing[i])
            continue;
        ++playingCount;
        const QDateTime time = players[i]->currentTime();
        if (time.isValid() && (!clock.isValid() || time < clock))
            clock = time;
    }
    // Players that started apart drift apart: the hold-back goes on after the last entry while two play.
    if (m_playlist.isEmpty() && playingCount < 2) {
        resumeHeld(players);
        return false;
    }
    qint64 clockMs;
    if (clock.isValid())
        clockMs = qMin(instantOf(clock), QDateTime::currentMSecsSinceEpoch());
    else if (!m_playlist.isEmpty())
        clockMs = instantOf(m_playlist.constFirst().dueTime);
    else
        return true;

    // Instants, not wall-clock readings: the night the clocks go back reads an hour twice.
    while (!m_playlist.isEmpty() && instantOf(m_playlist.constFirst().dueTime) <= clockMs) {
        const PlaylistEntry entry = m_playlist.takeFirst();
        if (!entry.camera || !entry.record)
            continue;
        ScheduledPlayer* player = findPlayer(players, entry.camera->globalId());
        if (!player) {
            qDebug() << "Playlist entry dropped, no player for camera:" << entry.camera->fullName();
            continue;
        }
        player->playArchive(entry.record->startId(), entry.record->endId(), entry.startTime.toSecsSinceEpoch(),
                            entry.record->end().toSecsSinceEpoch(), quality, speed);
        const Core::Camera* key = player->camera().get();
        m_started.insert(key, entry.record);
        m_paused.remove(key);
        // A restarted player is not paused, whatever its last report said.
        if (player->playerState() == VideoWidget::Paused)
            m_resumed.insert(key);
        else
            m_resumed.remove(key);
    }

    for (qsizetype i = 0; i < players.size(); ++i) {
        players[i]->setArchiveMode();
        hold(players[i], playing[i], instantOf(players[i]->currentTime()) > clockMs + kAheadMs);
    }
    return true;
}

ScheduledPlayer* PlaylistScheduler::findPlayer(const ScheduledPlayers& players, const Core::camera_global_id_t& id)
{
    for (ScheduledPlayer* player : players) {
        const Core::CameraPtr camera = player->camera();
        if (camera && camera->globalId() == id)
            return player;
    }
    return nullptr;
}

// Pauses a player that runs ahead and resumes one that does not, each only when it is not so already. The
// reported state lags behind a request, so the scheduler believes its own last request until the report agrees.
void PlaylistScheduler::hold(ScheduledPlayer* player, bool playing, bool ahead)
{
    const bool reportsPaused = player->playerState() == VideoWidget::Paused;
    bool paused = reportsPaused;
    const Core::Camera* key = nullptr;
    if (!m_paused.isEmpty() || !m_resumed.isEmpty()) {
        key = player->camera().get();
        if (!playing) {
            // Stopped, ended or failed: a later start begins afresh.
            m_paused.remove(key);
            m_resumed.remove(key);
        } else if (m_paused.contains(key)) {
            paused = true;
        } else if (m_resumed.contains(key)) {
            if (reportsPaused)
                paused = false;
            else
                m_resumed.remove(key);
        }
    }
    if (!playing || ahead == paused)
        return;
    if (!key)
        key = player->camera().get();
    if (ahead) {
        player->pause();
        m_paused.insert(key);
        m_resumed.remove(key);
    } else {
        player->unPause();
        m_paused.remove(key);
        if (reportsPaused)
            m_resumed.insert(key);
    }
}

qint64 PlaylistScheduler::instantOf(const QDateTime& time)
{
    if (!time.isValid())
        return std::numeric_limits<qint64>::min();
    // Times written at a fixed offset, as the records are, know their instant.
    if (time.timeSpec() != Qt::LocalTime)
        return time.toMSecsSinceEpoch();
    const qint64 wall = wallMs(time);
    const qint64 guess = wall - m_stretch.offset;
    if (guess >= m_stretch.from && guess < m_stretch.to)
        return guess;
    const qint64 instant = time.toMSecsSinceEpoch();
    if (instant >= m_changing.from && instant < m_changing.to)
        return instant;
    const qint64 offset = wall - instant;
    const auto offsetAt = [](qint64 at) { return QDateTime::fromMSecsSinceEpoch(at).offsetFromUtc() * qint64(1000); };
    if (offsetAt(instant - kMarginMs) == offset && offsetAt(instant + kStretchMs + kMarginMs) == offset)
        m_stretch = {instant, instant + kStretchMs, offset};
    else
        m_changing = {instant - kMarginMs, instant + kStretchMs + kMarginMs, 0};
    return instant;
}

void PlaylistScheduler::resumeHeld(const ScheduledPlayers& players)
{
    if (m_paused.isEmpty())
        return;
    for (ScheduledPlayer* player : players) {
        if (m_paused.contains(player->camera().get()))
            player->unPause();
    }
    forgetPauses();
}

} // namespace GUI
} // namespace QuorvelClient
