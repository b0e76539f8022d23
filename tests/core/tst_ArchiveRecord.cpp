#include "core/ArchiveDay.h"
#include "core/ArchiveRecord.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "utils/Error.h"

#include <optional>

using namespace QuorvelClient;
using Core::ArchiveDay;
using Core::ArchiveRecord;

namespace {

const QDateTime start(QDate(2026, 3, 1), QTime(10, 0, 0), Qt::UTC);

// The message of the error the constructor throws; empty when it throws nothing.
QString constructionError(int startId, int endId, const QDateTime& begin, const QDateTime& end)
{
    try {
        ArchiveRecord record(startId, endId, begin, end, 0);
    } catch (const utils::Error& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

} // namespace

class tst_ArchiveRecord : public QObject
{
    Q_OBJECT
private slots:
    void durationInWholeSeconds();
    void rejectsBadRecords_data();
    void rejectsBadRecords();
    void daysFollowLocalZone_data();
    void daysFollowLocalZone();
};

void tst_ArchiveRecord::durationInWholeSeconds()
{
    QCOMPARE(ArchiveRecord(5, 5, start, start.addSecs(1), 2).duration(), qint64(1));
    QCOMPARE(ArchiveRecord(100, 900, start, start.addSecs(86399).addMSecs(700), 1).duration(), qint64(86399));
    // More than 32 bits of milliseconds.
    QCOMPARE(ArchiveRecord(1, 2, start, start.addDays(400), 1).duration(), qint64(400) * 86400);
}

void tst_ArchiveRecord::rejectsBadRecords_data()
{
    const QString ids = "Will not create archive record with bad start and end ID";
    const QString times = "Will not create archive record with bad start and end time";
    QTest::addColumn<int>("startId");
    QTest::addColumn<int>("endId");
    QTest::addColumn<QDateTime>("begin");
    QTest::addColumn<QDateTime>("end");
    QTest::addColumn<QString>("message");
    // Ids are checked first: with wrong times as well they give the id message and log nothing.
    QTest::newRow("ids and times bad") << 0 << -1 << start.addSecs(5) << start << ids;
    QTest::newRow("under a second") << 5 << 6 << start << start.addMSecs(999) << times;
    QTest::newRow("times out of order") << 5 << 5 << start.addSecs(1) << start << times;
}

void tst_ArchiveRecord::rejectsBadRecords()
{
    QFETCH(int, startId);
    QFETCH(int, endId);
    QFETCH(QDateTime, begin);
    QFETCH(QDateTime, end);
    QFETCH(QString, message);
    TestSupport::MessageCapture log;
    QCOMPARE(constructionError(startId, endId, begin, end), message);
    // Only a bad time logs the record's times.
    QCOMPARE(log.count("Record end:"), message.endsWith(QLatin1String("ID")) ? 0 : 1);
}

void tst_ArchiveRecord::daysFollowLocalZone_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QStringList>("dates");
    // Seconds 0, 1700000000 (22:13:20 UTC), the same with bit 32 set, and -1 read as 0xFFFFFFFF.
    QTest::newRow("east of UTC") << QByteArray("JST-9")
                                 << QStringList({"1970-01-01", "2023-11-15", "2023-11-15", "2106-02-07"});
    QTest::newRow("west of UTC") << QByteArray("UTC+11")
                                 << QStringList({"1969-12-31", "2023-11-14", "2023-11-14", "2106-02-06"});
}

void tst_ArchiveRecord::daysFollowLocalZone()
{
    QFETCH(QByteArray, zone);
    const std::optional<QByteArray> saved =
        qEnvironmentVariableIsSet("TZ") ? std::optional<QByteArray>(qgetenv("TZ")) : std::nullopt;
    qputenv("TZ", zone);
    QStringList dates;
    for (qint64 seconds : {qint64(0), qint64(1700000000), 1700000000 + (qint64(1) << 32), qint64(-1)})
        dates << ArchiveDay(seconds, 7).date().toString(Qt::ISODate);
    saved ? qputenv("TZ", *saved) : qunsetenv("TZ");
    QTEST(dates, "dates");
}

QUORVEL_TEST_MAIN(tst_ArchiveRecord)
#include "tst_ArchiveRecord.moc"
