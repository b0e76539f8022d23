#pragma once

#include "core/ArchiveDay.h"
#include "core/ArchiveList.h"
#include "core/ArchiveRecord.h"

#include <QDate>
#include <QList>
#include <QVariantList>

namespace QuorvelClient {
namespace GUI {

// The replies of "archive/list" and "archive/days" turned into records and days. Elements the peer got wrong are
// skipped, each with its log line up to the log cap's count and the others of a reply counted in one line; the rest
// of a reply counts.
namespace ArchiveReplies {

// Replaces `out` with the records of `day`: each bound is one second after the reply's whole seconds, a record
// reaching into another day is cut at the day's edges, and one lying wholly outside it is dropped with a warning.
// The record type is read only when `colored`; otherwise every record has type 1. Of the records dropped, the
// first, up to the log cap's count, are logged one by one, repeats included, and the rest in one line with their
// number.
void parseRecords(QDate day, const Core::ArchiveList& records, QList<Core::ArchiveRecordPtr>& out, bool colored);

// False, with a log line, when the reply's first and last records both lie before `day` or both after it: the
// reply was asked for another day. An empty list is never actual.
bool isRecordsListActual(QDate day, const Core::ArchiveList& records);

// The days of a reply in its order, repeats included. A "date" that is no whole number of seconds in the 32-bit
// range is skipped: it would fall on another day. Of the days skipped, the first, up to the log cap's count, are
// logged one by one and the rest in one line with their number.
QList<Core::ArchiveDayPtr> parseDays(const QVariantList& days);

} // namespace ArchiveReplies

} // namespace GUI
} // namespace QuorvelClient
