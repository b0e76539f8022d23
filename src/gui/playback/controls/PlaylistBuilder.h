#pragma once

#include "core/ArchiveRecord.h"
#include "core/Camera.h"
#include "gui/playback/PlaylistEntry.h"

#include <QDateTime>
#include <QList>
#include <QMap>

namespace QuorvelClient {
namespace GUI {

// The records of the shown day per camera, each list in the order of the reply.
typedef QMap<Core::camera_global_id_t, QList<Core::ArchiveRecordPtr>> CameraRecords;

namespace PlaylistBuilder {

// The entries that play the records of the cameras from `time` on. Play begins at `time` when a record of any of
// them covers it, else at the earliest record start within a day after it; each camera's records that end later
// than that give one entry each, due at their start or at that beginning, whichever is later. Entries follow the
// cameras' order and each camera's record order, unsorted; cameras missing from `cameras` give none.
Playlist buildPlaylist(const QList<Core::camera_global_id_t>& cameraIds, const QDateTime& time,
                       const CameraRecords& records, const Core::GlobalCameraList& cameras);

// The entries that play the zone search's hits from `time` on: first the hits of the searched camera (the first
// one of `hits`), chosen as buildPlaylist() chooses records, then for each other camera of `cameraIds` one entry
// per stretch in which one of its records overlaps a hit, as a record of its own clipped to that overlap.
Playlist buildSearchPlaylist(const QList<Core::camera_global_id_t>& cameraIds, const QDateTime& time,
                             const CameraRecords& records, const CameraRecords& hits,
                             const Core::GlobalCameraList& cameras);

} // namespace PlaylistBuilder

} // namespace GUI
} // namespace QuorvelClient
