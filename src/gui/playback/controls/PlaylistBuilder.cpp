#include "gui/playback/controls/PlaylistBuilder.h"

#include "utils/Error.h"

#include <QDebug>

#include <algorithm>

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

using Records = QList<Core::ArchiveRecordPtr>;

// Lowers `next` to where play begins within the list: `time` when a record covers it, else the earliest record
// start before `next`. True when play begins at `time`, so that no other record can lower it.
bool lowerStart(const Records& list, const QDateTime& time, QDateTime& next, qsizetype* lowering = nullptr)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QDateTime start = list.at(i)->start();
        if (!(start < time) && start < next)
            next = start;
        else if (start < time && time < list.at(i)->end())
            next = time;
        else
            continue;
        if (lowering)
            *lowering = i;
        if (next == time)
            return true;
    }
    return false;
}

// Where play begins: `time` when a record covers it, else the earliest record start before `time` + 1 day, else
// that day's end.
QDateTime playStart(const QList<Core::camera_global_id_t>& cameraIds, const QDateTime& time,
                    const CameraRecords& records)
{
    QDateTime next = time.addDays(1);
    for (const Core::camera_global_id_t& id : cameraIds) {
        const auto found = records.constFind(id);
        if (found != records.cend() && lowerStart(*found, time, next))
            break;
    }
    return next;
}

// One entry per record that ends after `next`, from its start or from `next`, whichever is later.
void appendFrom(Playlist& playlist, const Core::CameraPtr& camera, const Records& list, const QDateTime& next)
{
    for (const Core::ArchiveRecordPtr& record : list) {
        // Ending after the beginning takes both the records that cover it and those that start later.
        if (!(next < record->end()))
            continue;
        const QDateTime start = record->start();
        const QDateTime from = next < start ? start : next;
        playlist.append(PlaylistEntry{from, camera, record, from});
    }
}

bool startsEarlier(const Core::ArchiveRecordPtr& a, const Core::ArchiveRecordPtr& b)
{
    return a->start() < b->start();
}

// The list itself when it ascends by start, as replies list records; else a sorted copy.
Records ascending(const Records& list)
{
    if (std::is_sorted(list.cbegin(), list.cend(), startsEarlier))
        return list;
    Records sorted = list;
    std::stable_sort(sorted.begin(), sorted.end(), startsEarlier);
    return sorted;
}

QDateTime later(const QDateTime& a, const QDateTime& b)
{
    return a < b ? b : a;
}

QDateTime earlier(const QDateTime& a, const QDateTime& b)
{
    return b < a ? b : a;
}

// The stretches of the camera's records that overlap hits, from `next` on. Both lists ascend by start; the walk
// over the hits begins at `first` and keeps a hit that reaches past a record's end for the records after it.
void appendOverlaps(Playlist& playlist, const Core::CameraPtr& camera, const Records& list, const Records& hits,
                    qsizetype first, const QDateTime& next)
{
    qsizetype walk = first;
    for (const Core::ArchiveRecordPtr& record : list) {
        const QDateTime recordEnd = record->end();
        if (!(next < recordEnd))
            continue;
        for (; walk < hits.size() && hits.at(walk)->start() < recordEnd; ++walk) {
            const Core::ArchiveRecord& hit = *hits.at(walk);
            const QDateTime begin = later(later(record->start(), hit.start()), next);
            const QDateTime end = earlier(recordEnd, hit.end());
            if (begin < end) {
                try {
                    playlist.append(PlaylistEntry{begin, camera,
                                                  std::make_shared<Core::ArchiveRecord>(
                                                      record->startId(), record->endId(), begin, end, record->type()),
                                                  begin});
                } catch (const utils::Error& e) {
                    qDebug() << "Exception:" << e.what();
                }
            }
            if (recordEnd < hit.end())
                break;
        }
    }
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
        if (found != records.cend() && camera)
            appendFrom(playlist, camera, *found, next);
    }
    return playlist;
}

Playlist buildSearchPlaylist(const QList<Core::camera_global_id_t>& cameraIds, const QDateTime& time,
                             const CameraRecords& records, const CameraRecords& hits,
                             const Core::GlobalCameraList& cameras)
{
    Playlist playlist;
    if (hits.isEmpty())
        return playlist;
    const Core::camera_global_id_t searched = hits.firstKey();
    const Records found = ascending(hits.first());
    const QDateTime written = writtenAs(time, hits);
    QDateTime next = written.addDays(1);
    qsizetype first = 0;
    lowerStart(found, written, next, &first);

    if (const Core::CameraPtr camera = cameras.value(searched))
        appendFrom(playlist, camera, found, next);
    for (const Core::camera_global_id_t& id : cameraIds) {
        const auto own = records.constFind(id);
        const Core::CameraPtr camera = cameras.value(id);
        if (id == searched || own == records.cend() || !camera)
            continue;
        appendOverlaps(playlist, camera, ascending(*own), found, first, next);
    }
    return playlist;
}

} // namespace PlaylistBuilder
} // namespace GUI
} // namespace QuorvelClient
