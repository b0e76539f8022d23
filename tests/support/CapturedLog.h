#pragma once

#include <QStringList>

namespace TestSupport {

// Records every Qt message of the process (from any thread) while it exists; the previous handler is restored
// on destruction. Messages are kept as the debug stream wrote them; debug messages are passed on only when
// QUORVEL_TEST_ECHO is set.
class CapturedLog
{
public:
    CapturedLog();
    ~CapturedLog();
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    QStringList lines() const;
    QStringList linesStartingWith(const QString& prefix) const;
    int count(const QString& prefix) const;
    void clear();
};

} // namespace TestSupport
