#include "gui/playback/controls/PlaylistBuilder.h"

namespace QuorvelClient {
namespace GUI {
namespace PlaylistBuilder {

namespace {

// The time as the records' times are written. A comparison of times written alike costs nanoseconds; of a local
// time with one at a fixed offset, a look-up of the time zone's rules, microseconds.
QDateTime writtenAs(const QDateTime& time, const CameraRecords& records)
{
    for (const QList<Core::ArchiveRecordPtr>& list : records) {
        if (list.isEmpty())
            continue;
        const QDateTime like = list.constFirst()->start();
        if (like.timeSpec() == time.timeSpec())
            return time;
        return like.timeSpec() == Qt::OffsetFromUTC ? time.toOffsetFromUtc(like.offsetFromUtc())
                                                    : time.toTimeSpec(like.timeSpec());
    }
    return time;
}

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
    const QDateTime next = playStart(cameraIds, writtenAs(time, records), records);
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
