#pragma once

#include "core/ArchivePlaySpeed.h"
#include "core/QualitySettings.h"
#include "gui/playback/PlaylistEntry.h"
#include "gui/video/VideoWidget.h"

#include <QHash>
#include <QSet>
#include <QVarLengthArray>

namespace QuorvelClient {
namespace GUI {

class VideoContainer;

// What the archive scheduler reads of one player and asks of it.
class ScheduledPlayer
{
public:
    virtual ~ScheduledPlayer();

    virtual Core::CameraPtr camera() const = 0;
    // Opening, buffering, playing or paused: the player holds the common clock. Asked once per step.
    virtual bool isPlaying() const = 0;
    // The state last reported; it can lag behind a pause or resume just asked for.
    virtual VideoWidget::PlayerState playerState() const = 0;
    virtual QDateTime currentTime() const = 0;
    virtual void setArchiveMode() = 0;
    virtual void playArchive(int startId, int endId, qint64 from, qint64 to, Core::QualitySettings::Type quality,
                             Core::ArchivePlaySpeed speed) = 0;
    virtual void pause() = 0;
    virtual void unPause() = 0;
};

typedef QVarLengthArray<ScheduledPlayer*, 16> ScheduledPlayers;

// A video widget as the scheduler sees it.
class VideoWidgetPlayer : public ScheduledPlayer
{
public:
    explicit VideoWidgetPlayer(VideoWidget* widget = nullptr) : m_widget(widget) {}

    Core::CameraPtr camera() const override { return m_widget->camera(); }
    bool isPlaying() const override { return m_widget->isPlaying(); }
    VideoWidget::PlayerState playerState() const override { return m_widget->playerState(); }
    QDateTime currentTime() const override { return m_widget->currentTime(); }
    void setArchiveMode() override { m_widget->setArchiveMode(); }
    void playArchive(int startId, int endId, qint64 from, qint64 to, Core::QualitySettings::Type quality,
                     Core::ArchivePlaySpeed speed) override
    {
        m_widget->playArchive(startId, endId, from, to, quality, speed);
    }
    void pause() override { m_widget->pause(); }
    void unPause() override { m_widget->unPause(); }

private:
    VideoWidget* m_widget;
};

// The widgets of a container in its order, as the scheduler sees them, for one step or merge.
class ContainerPlayers
{
public:
    explicit ContainerPlayers(const VideoContainer& container);
    ContainerPlayers(const ContainerPlayers&) = delete;
    ContainerPlayers& operator=(const ContainerPlayers&) = delete;

    const ScheduledPlayers& players() const { return m_players; }

private:
    QVarLengthArray<VideoWidgetPlayer, 16> m_widgets;
    ScheduledPlayers m_players;
};

// Plays an archive playlist on the players against one common clock: the earliest picture among the players
// that play. Each step starts the entries that have fallen due on their cameras' players and pauses a player
// that runs more than 250 ms ahead of the clock until the clock has caught up.
class PlaylistScheduler
{
public:
    // The entries in due order.
    const Playlist& playlist() const { return m_playlist; }

    // Replaces the playlist and forgets the players of the former one.
    void setPlaylist(const Playlist& playlist);
    void clear();
    // Takes the entries of the cameras that have none in the playlist, all of them, but for an entry of the
    // record that its camera's player plays already: a refresh of the records hands it in again.
    void merge(const Playlist& entries, const ScheduledPlayers& players);
    // Drops every entry of the camera and what the scheduler kept of its player.
    void removeCamera(const Core::Camera* camera);
    // Whether the camera's player has been started on an entry of this playlist.
    bool hasStarted(const Core::Camera* camera) const { return m_started.contains(camera); }
    // The players were resumed or restarted all together: none is held by the scheduler any more.
    void forgetPauses();

    // Whether steps have anything to do: entries to start, or two players to keep in step.
    bool needsSteps(const ScheduledPlayers& players) const;

    // One step. False when the playlist was empty and fewer than two players play: then the players the scheduler
    // held are resumed, and the caller stops stepping.
    bool step(const ScheduledPlayers& players, Core::QualitySettings::Type quality, Core::ArchivePlaySpeed speed);

private:
    static ScheduledPlayer* findPlayer(const ScheduledPlayers& players, const Core::camera_global_id_t& id);
    void hold(ScheduledPlayer* player, bool playing, bool ahead);
    void resumeHeld(const ScheduledPlayers& players);
    // Milliseconds since the epoch. Players' times are local, and turning a local time into an instant asks the
    // zone's rules, which costs microseconds; within a stretch of one offset from UTC its wall-clock reading tells
    // the instant, so the rules are asked only where a time leaves the stretch.
    qint64 instantOf(const QDateTime& time);

    // A stretch of instants in which the local offset from UTC is `offset` ms; empty while none is known.
    struct OffsetStretch
    {
        qint64 from = 0;
        qint64 to = 0;
        qint64 offset = 0;
    };

    Playlist m_playlist;
    OffsetStretch m_stretch;
    // Near a change of offset, where no stretch is made: its times are asked of the zone one by one.
    OffsetStretch m_changing;
    // Players the scheduler paused and has not resumed.
    QSet<const Core::Camera*> m_paused;
    // Players the scheduler resumed whose reported state still says paused.
    QSet<const Core::Camera*> m_resumed;
    // The record each camera's player was last started on.
    QHash<const Core::Camera*, Core::ArchiveRecordPtr> m_started;
};

} // namespace GUI
} // namespace QuorvelClient
