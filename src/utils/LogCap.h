#pragma once

#include <QString>
#include <QtGlobal>

namespace Utils {

// Keeps a line that repeats for each element of a reply from flooding the log: the first `shown` of a run get their
// own lines, the rest are only counted, and one line at the end of the run tells their number as
// "… and N more <what>". The default leaves every line of a reply of ordinary size as it is. For one thread: a cap
// that waits for the event loop is the GUI thread's.
class LogCap
{
public:
    // How a run ends: with close() or the cap's end; or when control is back in the event loop, for a line written
    // where the whole reply is not in view (a record's or a row's slot), by a cap that lives as long as the process.
    enum Run { UntilClosed, UntilEventLoop };

    // Lines of a run written in full by default: the lists, replies and poll cycles of an ordinary setup stay below it.
    static constexpr qsizetype defaultShown = 100;

    // `what` names the lines held back ("records skipped"); the closing line is written at the level `type`.
    explicit LogCap(const QString& what, QtMsgType type = QtDebugMsg, Run run = UntilClosed,
                    qsizetype shown = defaultShown);
    ~LogCap();

    // Counts `count` like events; returns how many of them get a line of their own, so a single event is written
    // when the result is not 0.
    qsizetype next(qsizetype count = 1);
    // Writes the closing line of the run, if some lines were held back, and starts a new run.
    void close();

private:
    QString m_what;
    QtMsgType m_type;
    Run m_run;
    qsizetype m_shown;
    qsizetype m_counted = 0;
    qsizetype m_logged = 0;
};

} // namespace Utils
