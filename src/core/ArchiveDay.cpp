#include "core/ArchiveDay.h"

#include <QDateTime>

namespace QuorvelClient {
namespace Core {

namespace {

void registerArchiveDayTypes()
{
    qRegisterMetaType<ArchiveDayPtr>("Core::ArchiveDayPtr");
}
Q_CONSTRUCTOR_FUNCTION(registerArchiveDayTypes)

} // namespace

ArchiveDay::ArchiveDay(qint64 secondsSinceEpoch, int recordsCount)
    : m_date(QDateTime::fromSecsSinceEpoch(qint64(quint32(secondsSinceEpoch)), Qt::LocalTime).date()),
      m_recordsCount(recordsCount)
{
}

} // namespace Core
} // namespace QuorvelClient
