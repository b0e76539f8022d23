#pragma once

// Periods of the program's long timers, in milliseconds, in one place so that tests can shorten them.
namespace Utils {

enum class Interval {
    RosterRefresh,       // the account roster is asked again (20 s)
    LocalServerPoll,     // local video servers are polled (8 s)
    PreviewRefresh,      // camera previews are fetched again (45 s)
    ArchiveRefresh,      // the shown day's archive records are asked again (120 s)
    WatchLimit,          // uninterrupted viewing of account cameras (1 h)
    UpdateMessageRepeat, // a critical update notice is shown again (10 min)
    LocalServerTimeout,  // a request to a local video server not answered in full is given up (30 s)
    StalledStream,       // a stream that brings nothing while it opens is given up (10 s)
};

int intervalMs(Interval interval);

// For tests: a shorter period for one interval; 0 or less restores the program's own.
void setIntervalForTesting(Interval interval, int milliseconds);

} // namespace Utils
