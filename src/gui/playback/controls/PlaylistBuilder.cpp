#include "gui/playback/controls/PlaylistBuilder.h"

namespace QuorvelClient {
namespace GUI {
namespace PlaylistBuilder {

namespace {

// Where play begins: `time` when a record covers it, else the earliest record start before `time` + 1 day, else
// that day's end.
QDateTime playStart(const QList<Core::camera_global_id_t>& cameraIds, const QDateTime& time,
                    const CameraRecords& records)
{
    QDateTime next = time.addDays(1);
    for (const Core::camera_global_id_t& id : cameraIds) {
        const auto found = records.constFind(id);
        if (found == records.cend())
            continue;
        for (const Core::ArchiveRecordPtr& record : *found) {
            const QDateTime start = record->start();
            if (!(start < time) && start < next)
                next = start;
            else if (start < time && time < record->end())
                return time;
            if (next == time)
                return time;
        }
    }
    return next;
}

} // namespace

Playlist buildPlaylist(const QList<Core::camera_global_id_t>& cameraIds, const QDateTime& time,
                       const CameraRecords& records, const Core::GlobalCameraList& cameras)
{
    const QDateTime next = playStart(cameraIds, time, records);
    Playlist playlist;
    for (const Core::camera_global_id_t& id : cameraIds) {
        const auto found = records.constFind(id);
        const Core::CameraPtr camera = cameras.value(id);
        if (found == records.cend() || !camera)
            continue;
        for (const Core::ArchiveRecordPtr& record : *found) {
            // Ending after the beginning takes both the records that cover it and those that start later.
            if (!(next < record->end()))
                continue;
            const QDateTime start = record->start();
            const QDateTime from = next < start ? start : next;
            playlist.append(PlaylistEntry{from, camera, record, from});
        }
    }
    return playlist;
}

} // namespace PlaylistBuilder
} // namespace GUI
} // namespace QuorvelClient
