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

// The list itself when it ascends by start, as replies list records; else a sorted copy. A record gives its times
// as copies, so each start is taken once.
Records ascending(const Records& list)
{
    QDateTime previous;
    for (const Core::ArchiveRecordPtr& record : list) {
        QDateTime start = record->start();
        if (start < previous) {
            Records sorted = list;
            std::stable_sort(sorted.begin(), sorted.end(), startsEarlier);
            return sorted;
        }
        previous = std::move(start);
    }
    return list;
}

const QDateTime& later(const QDateTime& a, const QDateTime& b)
{
    return a < b ? b : a;
}

// The hits' bounds, taken once for the walks of every camera.
struct Bounds
{
    explicit Bounds(const Records& hits)
    {
        starts.reserve(hits.size());
        ends.reserve(hits.size());
        for (const Core::ArchiveRecordPtr& hit : hits) {
            starts.append(hit->start());
            ends.append(hit->end());
        }
    }
    QList<QDateTime> starts;
    QList<QDateTime> ends;
};

// The stretches of the camera's records that overlap hits, from `next` on. Both lists ascend by start; the walk
// over the hits begins at `first` and keeps a hit that reaches past a record's end for the records after it.
void appendOverlaps(Playlist& playlist, const Core::CameraPtr& camera, const Records& list, const Bounds& hits,
                    qsizetype first, const QDateTime& next)
{
    qsizetype walk = first;
    const qsizetype count = hits.starts.size();
    // Once a record starts at or after `next`, so do all after it.
    bool beforeNext = true;
    for (const Core::ArchiveRecordPtr& record : list) {
        const QDateTime recordEnd = record->end();
        if (beforeNext && !(next < recordEnd))
            continue;
        QDateTime from;
        for (; walk < count && hits.starts.at(walk) < recordEnd; ++walk) {
            if (from.isNull()) {
                from = record->start();
                if (beforeNext && from < next)
                    from = next;
                else
                    beforeNext = false;
            }
            QDateTime begin = later(from, hits.starts.at(walk));
            const bool hitGoesOn = recordEnd < hits.ends.at(walk);
            const QDateTime& end = hitGoesOn ? recordEnd : hits.ends.at(walk);
            if (begin < end) {
                try {
                    auto stretch = std::make_shared<Core::ArchiveRecord>(record->startId(), record->endId(), begin, end,
                                                                         record->type());
                    playlist.append(PlaylistEntry{begin, camera, std::move(stretch), std::move(begin)});
                } catch (const utils::Error& e) {
                    qDebug() << "Exception:" << e.what();
                }
            }
            if (hitGoesOn)
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
    const Bounds bounds(found);
    for (const Core::camera_global_id_t& id : cameraIds) {
        const auto own = records.constFind(id);
        const Core::CameraPtr camera = cameras.value(id);
        if (id == searched || own == records.cend() || !camera)
            continue;
        appendOverlaps(playlist, camera, ascending(*own), bounds, first, next);
    }
    return playlist;
}

} // namespace PlaylistBuilder
} // namespace GUI
} // namespace QuorvelClient
