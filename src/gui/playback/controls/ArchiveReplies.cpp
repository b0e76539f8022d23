#include "gui/playback/controls/ArchiveReplies.h"

#include "utils/Error.h"
#include "utils/LogCap.h"

#include <QDateTime>
#include <QDebug>
#include <QVariantMap>

#include <cmath>
#include <limits>

namespace QuorvelClient {
namespace GUI {
namespace ArchiveReplies {

namespace {

// The reply's seconds are 32-bit unsigned on the wire.
QDateTime localTime(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(qint64(quint32(seconds)), Qt::LocalTime);
}

// Local times of one day's records. A day of one offset from UTC (all but the days the clocks change) gets its
// times with that offset fixed, which costs no look-up of the zone's rules per record; a reply holds 1,440
// records and several replies often arrive together.
class DayClock
{
public:
    explicit DayClock(QDate day)
        : m_first(day.startOfDay().toSecsSinceEpoch()), m_next(day.addDays(1).startOfDay().toSecsSinceEpoch())
    {
        const int offset = QDateTime::fromSecsSinceEpoch(m_first, Qt::LocalTime).offsetFromUtc();
        m_uniform = offset == QDateTime::fromSecsSinceEpoch(m_next - 1, Qt::LocalTime).offsetFromUtc();
        m_offset = offset;
    }

    QDateTime at(qint64 seconds) const
    {
        seconds = qint64(quint32(seconds));
        if (m_uniform && seconds >= m_first && seconds < m_next)
            return QDateTime::fromSecsSinceEpoch(seconds, Qt::OffsetFromUTC, m_offset);
        return localTime(seconds);
    }

private:
    qint64 m_first;
    qint64 m_next;
    int m_offset = 0;
    bool m_uniform = false;
};

bool wholeSeconds(const QVariant& value, qint64* result)
{
    double number = 0;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        number = value.toDouble();
        break;
    default:
        return false;
    }
    if (!(number >= 0 && number <= double(std::numeric_limits<quint32>::max())) || std::floor(number) != number)
        return false;
    *result = qint64(number);
    return true;
}

} // namespace

void parseRecords(QDate day, const Core::ArchiveList& records, QList<Core::ArchiveRecordPtr>& out, bool colored)
{
    out.clear();
    out.reserve(records.size());
    const QDateTime dayStart = day.startOfDay();
    const QDateTime dayEnd(day, QTime(23, 59, 59));
    const DayClock clock(day);
    Utils::LogCap skips(QStringLiteral("records skipped"), QtWarningMsg);
    for (const Core::ArchiveList::Run& run : records.runs()) {
        const Core::ArchiveList::Element& element = run.element;
        const qint64 startSeconds = element.startTime / 1000;
        const qint64 durationSeconds = element.duration / 1000;
        const int type = colored && element.typeRead ? element.type : 1;

        // Both bounds one second late, as the servers count them.
        QDateTime start = clock.at(startSeconds + 1);
        QDateTime end = clock.at(startSeconds + 1 + durationSeconds);
        if (start.date() > day || end.date() < day) {
            for (qsizetype i = skips.next(run.count); i > 0; --i) {
                qWarning() << "Received record with start.date()" << start.date() << "end.date()" << end.date()
                           << "but current date is" << day;
            }
            continue;
        }
        if (start.date() < day)
            start = dayStart;
        if (end.date() > day)
            end = dayEnd;
        if (element.endId < element.startId || start >= end) {
            // A record the constructor refuses is built only to log why, once for each line the cap lets through.
            for (qsizetype i = skips.next(run.count); i > 0; --i) {
                try {
                    Core::ArchiveRecord(element.startId, element.endId, start, end, type);
                } catch (const utils::Error& e) {
                    qDebug() << e.what();
                }
            }
            continue;
        }
        for (qsizetype i = 0; i < run.count; ++i) {
            try {
                out.append(std::make_shared<Core::ArchiveRecord>(element.startId, element.endId, start, end, type));
            } catch (const utils::Error& e) {
                qDebug() << e.what();
                break;
            }
        }
    }
}

bool isRecordsListActual(QDate day, const Core::ArchiveList& records)
{
    if (records.isEmpty())
        return false;
    const qint64 startSeconds = records.first().startTime / 1000;
    const qint64 endSeconds = records.last().startTime / 1000 + records.last().duration / 1000;
    const QDate startDate = localTime(startSeconds).date();
    const QDate endDate = localTime(endSeconds).date();
    qDebug() << "Records list received. List start:" << startSeconds << "List end:" << endSeconds;
    if ((day < startDate && day < endDate) || (day > startDate && day > endDate)) {
        qDebug() << "Received not actual archive, currentDate:" << day << "startDate:" << startDate
                 << "endDate:" << endDate;
        return false;
    }
    return true;
}

QList<Core::ArchiveDayPtr> parseDays(const QVariantList& days)
{
    QList<Core::ArchiveDayPtr> result;
    Utils::LogCap skips(QStringLiteral("archive days skipped"));
    for (const QVariant& item : days) {
        const QVariantMap element = item.toMap();
        qint64 date = 0;
        const auto value = element.constFind(QStringLiteral("date"));
        if (value != element.constEnd() && !wholeSeconds(*value, &date)) {
            if (skips.next())
                qDebug() << "Skipped archive day with date:" << *value;
            continue;
        }
        result.append(std::make_shared<Core::ArchiveDay>(date, element.value(QStringLiteral("recordsCount")).toInt()));
    }
    return result;
}

} // namespace ArchiveReplies
} // namespace GUI
} // namespace QuorvelClient
