#pragma once

#include "utils/MemoryChecker.h"

#include <QDateTime>
#include <QMetaType>

#include <memory>

namespace QuorvelClient {
namespace Core {

// One recorded interval of a camera's archive; immutable once built.
class ArchiveRecord : public Utils::MemoryChecker
{
public:
    // Throws utils::Error when endId is below startId or end is not after start.
    ArchiveRecord(int startId, int endId, const QDateTime& start, const QDateTime& end, int type);
    virtual ~ArchiveRecord();

    int startId() const { return m_startId; }
    int endId() const { return m_endId; }
    QDateTime start() const { return m_start; }
    QDateTime end() const { return m_end; }
    // Whole seconds from start to end, at least 1.
    qint64 duration() const { return m_duration; }
    int type() const { return m_type; }

private:
    int m_startId;
    int m_endId;
    QDateTime m_start;
    QDateTime m_end;
    qint64 m_duration;
    int m_type;
};

typedef std::shared_ptr<ArchiveRecord> ArchiveRecordPtr;

} // namespace Core
} // namespace QuorvelClient

Q_DECLARE_METATYPE(QuorvelClient::Core::ArchiveRecordPtr)
