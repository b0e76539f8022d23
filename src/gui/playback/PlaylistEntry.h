#pragma once

#include "core/ArchiveRecord.h"
#include "core/Camera.h"

#include <QDateTime>
#include <QList>

namespace QuorvelClient {
namespace GUI {

// One record of a camera to play from the archive, and when the common playback clock starts it.
struct PlaylistEntry
{
    QDateTime dueTime;
    Core::CameraPtr camera;
    Core::ArchiveRecordPtr record;
    // Where in the record playback starts.
    QDateTime startTime;

    // Entries of the same camera object are equal, whatever they play: removing one entry from a list removes
    // all of that camera's.
    bool operator==(const PlaylistEntry& other) const { return camera == other.camera; }
    bool operator<(const PlaylistEntry& other) const { return dueTime < other.dueTime; }
};

typedef QList<PlaylistEntry> Playlist;

} // namespace GUI
} // namespace QuorvelClient

// Its members keep no pointer into themselves: a growing playlist moves its entries as bytes.
Q_DECLARE_TYPEINFO(QuorvelClient::GUI::PlaylistEntry, Q_RELOCATABLE_TYPE);
