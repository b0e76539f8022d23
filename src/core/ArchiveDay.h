#pragma once

#include <QDate>
#include <QMetaType>

#include <memory>

namespace QuorvelClient {
namespace Core {

// One day of the archive calendar: the local date and how many records it holds.
class ArchiveDay
{
public:
    // Only the low 32 bits of the seconds since the epoch are read, as an unsigned number.
    ArchiveDay(qint64 secondsSinceEpoch, int recordsCount);

    QDate date() const { return m_date; }
    int recordsCount() const { return m_recordsCount; }

private:
    QDate m_date;
    int m_recordsCount;
};

typedef std::shared_ptr<ArchiveDay> ArchiveDayPtr;

} // namespace Core
} // namespace QuorvelClient

Q_DECLARE_METATYPE(QuorvelClient::Core::ArchiveDayPtr)
