#include "core/ArchiveRecord.h"

#include "utils/Error.h"

#include <QDebug>

namespace QuorvelClient {
namespace Core {

namespace {

void registerArchiveRecordTypes()
{
    qRegisterMetaType<ArchiveRecordPtr>("Core::ArchiveRecordPtr");
}
Q_CONSTRUCTOR_FUNCTION(registerArchiveRecordTypes)

} // namespace

ArchiveRecord::ArchiveRecord(int startId, int endId, const QDateTime& start, const QDateTime& end, int type)
    : m_startId(startId), m_endId(endId), m_start(start), m_end(end), m_duration(start.secsTo(end)), m_type(type)
{
    if (m_endId < m_startId)
        throw utils::Error("Will not create archive record with bad start and end ID");
    if (m_duration <= 0) {
        qDebug() << "Record end:" << m_end << m_end << "Record start:" << m_start << m_start;
        throw utils::Error("Will not create archive record with bad start and end time");
    }
}

ArchiveRecord::~ArchiveRecord() = default;

} // namespace Core
} // namespace QuorvelClient
