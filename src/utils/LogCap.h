#pragma once

#include <QString>
#include <QtGlobal>

namespace Utils {

// Keeps a line that repeats for each element of a reply from flooding the log: the first few of a run get their
// own lines, the rest are only counted, and one line at the end of the run tells their number as
// "… and N more <what>". For one thread: a cap that waits for the event loop is the GUI thread's.
class LogCap
{
public:
    // How a run ends: with close() or the cap's end; or when control is back in the event loop, for a line written
    // where the whole reply is not in view (a record's or a row's slot), by a cap that lives as long as the process.
    enum Run { UntilClosed, UntilEventLoop };

    // `what` names the lines held back ("records skipped"); the closing line is written at the level `type`.
    explicit LogCap(const QString& what, QtMsgType type = QtDebugMsg, Run run = UntilClosed, qsizetype shown = 5);
    ~LogCap();

    // Counts `count` like events; true when they get a line of their own.
    bool next(qsizetype count = 1);
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
