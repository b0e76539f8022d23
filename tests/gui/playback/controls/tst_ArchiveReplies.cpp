#include "gui/playback/ZoneRun.h"
#include "gui/playback/controls/ArchiveReplies.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"

#include <QJsonDocument>

using namespace QuorvelClient;
namespace Replies = GUI::ArchiveReplies;

namespace {

// The day on which Central Europe moves its clocks forward: 23 hours long there.
const QDate kDay(2024, 3, 31);

// Milliseconds since the epoch of a local time on kDay, moved by `days`.
qint64 ms(const char* time, int days = 0)
{
    return QDateTime(kDay.addDays(days), QTime::fromString(QLatin1String(time))).toMSecsSinceEpoch();
}

QVariantMap record(qint64 startMs, qint64 durationMs, QVariant type = 2, int startId = 10, int endId = 20)
{
    return {{"startId", startId}, {"endId", endId}, {"startTime", startMs}, {"duration", durationMs}, {"type", type}};
}

// The reply as the client reads it off the wire.
Core::ArchiveList listOf(const QVariantList& reply)
{
    Core::ArchiveList list;
    if (!list.read(QJsonDocument::fromVariant(reply).toJson()))
        qFatal("not JSON");
    return list;
}

} // namespace

class tst_ArchiveReplies : public QObject
{
    Q_OBJECT
private slots:
    void records_data();
    void records();
    void droppedRecordsAreCounted();
    void days_data();
    void days();
    void skippedDaysAreCounted();
    QUORVEL_ZONE_RERUNS
};

void tst_ArchiveReplies::records_data()
{
    QTest::addColumn<QVariantList>("reply");
    QTest::addColumn<bool>("colored");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QString>("logged");
    QTest::addColumn<int>("later");
    QTest::newRow("bounds one second late") << QVariantList{record(ms("10:00:00") + 999, 1999)} << false
                                            << QStringList{"10:00:01-10:00:02 1"} << QString() << 0;
    QTest::newRow("under a second") << QVariantList{record(ms("10:00:00"), 999), record(ms("11:00:00"), 60000)} << false
                                    << QStringList{"11:00:01-11:01:01 1"}
                                    << "Will not create archive record with bad start and end time" << 0;
    QTest::newRow("ids out of order") << QVariantList{record(ms("10:00:00"), 60000, 2, 20, 10)} << false
                                      << QStringList() << "Will not create archive record with bad start and end ID"
                                      << 0;
    QTest::newRow("from the day before") << QVariantList{record(ms("23:30:00", -1), 3600000)} << false
                                         << QStringList{"00:00:00-00:30:01 1"} << QString() << 0;
    QTest::newRow("into the next day") << QVariantList{record(ms("23:30:00"), 3600000)} << false
                                       << QStringList{"23:30:01-23:59:59 1"} << QString() << 0;
    QTest::newRow("another day") << QVariantList{record(ms("01:00:00", 1), 60000), record(ms("09:00:00"), 60000)}
                                 << false << QStringList{"09:00:01-09:01:01 1"}
                                 << "Received record with start.date() QDate(\"2024-04-01\")" << 0;
    QTest::newRow("colours") << QVariantList{record(ms("08:00:00"), 60000), record(ms("09:00:00"), 60000, "x"),
                                             record(ms("10:00:00"), 60000, QVariant())}
                             << true << QStringList{"08:00:01-08:01:01 2", "09:00:01-09:01:01 1", "10:00:01-10:01:01 1"}
                             << QString() << 0;
    // A day of one offset from UTC all through, in summer.
    QTest::newRow("summer day") << QVariantList{record(ms("10:00:00", 92) + 999, 1999)} << false
                                << QStringList{"10:00:01-10:00:02 1"} << QString() << 92;
}

void tst_ArchiveReplies::records()
{
    QFETCH(QVariantList, reply);
    QFETCH(bool, colored);
    QFETCH(QString, logged);
    QFETCH(int, later);
    const QDate day = kDay.addDays(later);
    TestSupport::MessageCapture log;
    QList<Core::ArchiveRecordPtr> out{std::make_shared<Core::ArchiveRecord>(
        1, 2, QDateTime::currentDateTime(), QDateTime::currentDateTime().addSecs(5), 1)};
    Replies::parseRecords(day, listOf(reply), out, colored);
    QStringList kept;
    for (const Core::ArchiveRecordPtr& r : out) {
        QCOMPARE(r->start().date(), day);
        kept << r->start().toString("hh:mm:ss") + '-' + r->end().toString("hh:mm:ss") + ' ' +
                    QString::number(r->type());
    }
    QTEST(kept, "kept");
    if (!logged.isEmpty())
        QCOMPARE(log.count(logged), 1);
}

// Records the day cannot take: each has its lines up to a hundred in a reply, repeats of one record included; in a
// reply of thousands one more line counts the rest.
void tst_ArchiveReplies::droppedRecordsAreCounted()
{
    QVariantList ordinary{record(ms("01:00:00"), 60000)};
    for (int i = 0; i < 10; ++i) {
        ordinary << record(ms("01:00:00", 1) + i * 1000, 60000) << record(ms("01:00:00", 1) + i * 1000, 60000)
                 << record(ms("01:00:00", 1) + i * 1000, 60000) << record(ms("02:00:00") + i * 1000, 999)
                 << record(ms("02:00:00") + i * 1000, 999);
    }
    TestSupport::MessageCapture ordinaryLog;
    QList<Core::ArchiveRecordPtr> out;
    Replies::parseRecords(kDay, listOf(ordinary), out, false);
    QCOMPARE(out.size(), 1);
    QCOMPARE(ordinaryLog.count("Received record with start.date() QDate(\"2024-04-01\")"), 30);
    QCOMPARE(ordinaryLog.count("Will not create archive record with bad start and end time"), 20);
    // A refused record is told by its constructor too.
    QCOMPARE(ordinaryLog.count("Record end:"), 20);
    QCOMPARE(ordinaryLog.messages().size(), 70);

    QVariantList reply{record(ms("01:00:00"), 60000)};
    for (int i = 0; i < 3000; ++i) {
        reply << record(ms("01:00:00", 1) + i, 60000) << record(ms("02:00:00") + i * 1000, 999)
              << record(ms("03:00:00") + i * 1000, 60000, 2, 20, 10);
    }
    reply << QVariantMap() << QVariantMap() << record(ms("04:00:00"), 60000);
    TestSupport::MessageCapture log;
    Replies::parseRecords(kDay, listOf(reply), out, false);
    QCOMPARE(out.size(), 2);
    QCOMPARE(out.last()->start(), QDateTime(kDay, QTime(4, 0, 1)));
    // Each of the first hundred dropped is told with the lines it always had.
    QCOMPARE(log.count("Received record with start.date()") + log.count("Will not create archive record with bad"),
             100);
    QCOMPARE(log.messages().filter(QString::fromUtf8("more records skipped")),
             QStringList(QString::fromUtf8("\u2026 and 8902 more records skipped")));
    // A refused record is told by its constructor too.
    QVERIFY(log.count("Record end:") <= 100);
    QCOMPARE(log.messages().size(), 101 + log.count("Record end:"));
}

void tst_ArchiveReplies::days_data()
{
    const qint64 midnight = kDay.startOfDay().toSecsSinceEpoch();
    QTest::addColumn<QVariantList>("reply");
    QTest::addColumn<QStringList>("dates");
    QTest::addColumn<int>("skipped");
    QTest::newRow("repeats kept") << QVariantList{QVariantMap{{"date", midnight}, {"recordsCount", 4}},
                                                  QVariantMap{{"date", midnight + 3600}, {"recordsCount", 1}}}
                                  << QStringList{"2024-03-31 4", "2024-03-31 1"} << 0;
    QTest::newRow("missing values read 0")
        << QVariantList{QVariantMap{{"other", 1}}}
        << QStringList{QDateTime::fromSecsSinceEpoch(0).date().toString(Qt::ISODate) + " 0"} << 0;
    QTest::newRow("whole number as double")
        << QVariantList{QVariantMap{{"date", double(midnight)}}} << QStringList{"2024-03-31 0"} << 0;
    QTest::newRow("not whole seconds in range")
        << QVariantList{QVariantMap{{"date", midnight + 0.5}}, QVariantMap{{"date", -1}},
                        QVariantMap{{"date", qint64(1) << 32}}, QVariantMap{{"date", QString::number(midnight)}},
                        QVariantMap{{"date", midnight}, {"recordsCount", 2}}}
        << QStringList{"2024-03-31 2"} << 4;
}

void tst_ArchiveReplies::days()
{
    QFETCH(QVariantList, reply);
    TestSupport::MessageCapture log;
    QStringList dates;
    for (const Core::ArchiveDayPtr& day : Replies::parseDays(reply))
        dates << day->date().toString(Qt::ISODate) + ' ' + QString::number(day->recordsCount());
    QTEST(dates, "dates");
    QTEST(log.count("Skipped archive day with date:"), "skipped");
}

// Dates that are no time: each has its line up to a hundred in a reply; in a reply of thousands one more line counts
// the rest.
void tst_ArchiveReplies::skippedDaysAreCounted()
{
    const qint64 midnight = kDay.startOfDay().toSecsSinceEpoch();
    QVariantList ordinary;
    for (int i = 0; i < 50; ++i)
        ordinary << QVariantMap{{"date", -1}};
    TestSupport::MessageCapture ordinaryLog;
    QVERIFY(Replies::parseDays(ordinary).isEmpty());
    QCOMPARE(ordinaryLog.count("Skipped archive day with date: QVariant(int, -1)"), 50);
    QCOMPARE(ordinaryLog.messages().size(), 50);

    QVariantList reply{QVariantMap{{"date", midnight}, {"recordsCount", 1}}};
    for (int i = 0; i < 2000; ++i) {
        reply << QVariantMap{{"date", midnight + 0.5}} << QVariantMap{{"date", -1 - i}}
              << QVariantMap{{"date", QString::number(midnight)}} << QVariantMap{{"date", QVariantList{i}}};
    }
    reply << QVariantMap{{"date", midnight + 86400}, {"recordsCount", 2}};
    TestSupport::MessageCapture log;
    QStringList dates;
    for (const Core::ArchiveDayPtr& day : Replies::parseDays(reply))
        dates << day->date().toString(Qt::ISODate) + ' ' + QString::number(day->recordsCount());
    QCOMPARE(dates, QStringList({"2024-03-31 1", "2024-04-01 2"}));
    QCOMPARE(log.count("Skipped archive day with date:"), 100);
    QCOMPARE(log.messages().filter("more archive days skipped"),
             QStringList(QString::fromUtf8("\u2026 and 7900 more archive days skipped")));
    QCOMPARE(log.messages().size(), 101);
}

QUORVEL_TEST_MAIN(tst_ArchiveReplies)
#include "tst_ArchiveReplies.moc"
