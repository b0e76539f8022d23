#include "core/ArchiveDay.h"
#include "core/ArchiveRecord.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "utils/Error.h"

#include <QFile>
#include <QProcess>

using namespace QuorvelClient;
using Core::ArchiveDay;
using Core::ArchiveRecord;
using Core::ArchiveRecordPtr;

namespace {

const char idMessage[] = "Will not create archive record with bad start and end ID";
const char timeMessage[] = "Will not create archive record with bad start and end time";

// The message of the error the constructor throws; empty when it throws nothing.
QString constructionError(int startId, int endId, const QDateTime& start, const QDateTime& end)
{
    try {
        ArchiveRecord record(startId, endId, start, end, 0);
    } catch (const utils::Error& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

// Instants around which east and west of UTC fall on different days.
const qint64 dayProbes[] = {0, 1700000000, 1700000000 + (qint64(1) << 32), -1};

} // namespace

class tst_ArchiveRecord : public QObject
{
    Q_OBJECT
private slots:
    void keepsValuesAndDuration();
    void rejectsOutOfOrderIds();
    void rejectsNonPositiveDuration();
    void travelsAsSharedPointer();
    void daysFollowLocalZone_data();
    void daysFollowLocalZone();
};

void tst_ArchiveRecord::keepsValuesAndDuration()
{
    const QDateTime start(QDate(2026, 3, 1), QTime(10, 0, 0), Qt::UTC);
    ArchiveRecord shortest(5, 5, start, start.addSecs(1), 2);
    QCOMPARE(shortest.duration(), qint64(1));
    QCOMPARE(shortest.startId(), 5);
    QCOMPARE(shortest.endId(), 5);
    QCOMPARE(shortest.start(), start);
    QCOMPARE(shortest.end(), start.addSecs(1));
    QCOMPARE(shortest.type(), 2);

    // Whole seconds, and a span longer than 32 bits of milliseconds.
    ArchiveRecord day(100, 900, start, start.addSecs(86399).addMSecs(700), 1);
    QCOMPARE(day.duration(), qint64(86399));
    ArchiveRecord year(1, 2, start, start.addDays(400), 1);
    QCOMPARE(year.duration(), qint64(400) * 86400);
}

void tst_ArchiveRecord::rejectsOutOfOrderIds()
{
    TestSupport::MessageCapture log;
    const QDateTime start(QDate(2026, 3, 1), QTime(10, 0, 0), Qt::UTC);
    QCOMPARE(constructionError(6, 5, start, start.addSecs(60)), QString::fromLatin1(idMessage));
    // Ids come first: wrong times as well still give the id message, and nothing is logged.
    QCOMPARE(constructionError(6, 5, start, start), QString::fromLatin1(idMessage));
    QCOMPARE(constructionError(0, -1, start.addSecs(5), start), QString::fromLatin1(idMessage));
    QVERIFY(log.messages().filter(QStringLiteral("Record")).isEmpty());
}

void tst_ArchiveRecord::rejectsNonPositiveDuration()
{
    TestSupport::MessageCapture log;
    const QDateTime start(QDate(2026, 3, 1), QTime(10, 0, 0), Qt::UTC);

    QCOMPARE(constructionError(5, 6, start, start), QString::fromLatin1(timeMessage));
    const QStringList lines = log.messages().filter(QStringLiteral("Record end:"));
    QCOMPARE(lines.size(), 1);
    const QString line = lines.first();
    QVERIFY2(line.startsWith(QStringLiteral("Record end: QDateTime(")), qPrintable(line));
    QVERIFY2(line.contains(QStringLiteral(" Record start: QDateTime(")), qPrintable(line));
    QCOMPARE(line.count(QStringLiteral("2026-03-01 10:00:00")), 4);

    // Less than a second is no record either; nor are times out of order or missing.
    QCOMPARE(constructionError(5, 6, start, start.addMSecs(999)), QString::fromLatin1(timeMessage));
    log.clear();
    QCOMPARE(constructionError(5, 5, start.addSecs(1), start), QString::fromLatin1(timeMessage));
    QCOMPARE(log.messages().filter(QStringLiteral("Record start:")).size(), 1);
    QCOMPARE(constructionError(1, 2, QDateTime(), start), QString::fromLatin1(timeMessage));
}

void tst_ArchiveRecord::travelsAsSharedPointer()
{
    QVERIFY(QMetaType::fromName("Core::ArchiveRecordPtr").isValid());
    QVERIFY(QMetaType::fromName("Core::ArchiveDayPtr").isValid());
    const QDateTime start(QDate(2026, 3, 1), QTime(10, 0, 0), Qt::UTC);
    ArchiveRecordPtr record = std::make_shared<ArchiveRecord>(1, 2, start, start.addSecs(3), 4);
    const QVariant variant = QVariant::fromValue(record);
    QCOMPARE(variant.value<ArchiveRecordPtr>(), record);
    Core::ArchiveDayPtr day = std::make_shared<ArchiveDay>(0, 3);
    QCOMPARE(QVariant::fromValue(day).value<Core::ArchiveDayPtr>()->recordsCount(), 3);
}

void tst_ArchiveRecord::daysFollowLocalZone_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QStringList>("dates");
    // Seconds 0, 1700000000 (22:13:20 UTC), the same with bit 32 set, and -1 read as 0xFFFFFFFF.
    QTest::newRow("east of UTC") << "JST-9" << QStringList({"1970-01-01", "2023-11-15", "2023-11-15", "2106-02-07"});
    QTest::newRow("west of UTC") << "EST5" << QStringList({"1969-12-31", "2023-11-14", "2023-11-14", "2106-02-07"});
    QTest::newRow("far west") << "UTC+11" << QStringList({"1969-12-31", "2023-11-14", "2023-11-14", "2106-02-06"});
}

void tst_ArchiveRecord::daysFollowLocalZone()
{
    // The probe: a copy of this executable runs in the zone and writes the local dates it builds.
    const QString probeFile = qEnvironmentVariable("QUORVEL_DAY_PROBE");
    if (!probeFile.isEmpty()) {
        QFile out(probeFile);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Append));
        QStringList dates;
        for (qint64 seconds : dayProbes) {
            ArchiveDay day(seconds, 7);
            QCOMPARE(day.recordsCount(), 7);
            dates << day.date().toString(Qt::ISODate);
        }
        out.write(dates.join(QLatin1Char(' ')).toLatin1());
        return;
    }

    QFETCH(QString, zone);
    const QString file =
        TestSupport::rootDir() + QStringLiteral("/days-") + QString::fromLatin1(QTest::currentDataTag());
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), zone);
    env.insert(QStringLiteral("QUORVEL_DAY_PROBE"), file);
    probe.setProcessEnvironment(env);
    probe.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("daysFollowLocalZone:") + QString::fromLatin1(QTest::currentDataTag())});
    QVERIFY(probe.waitForFinished(60000));
    QVERIFY2(probe.exitCode() == 0, probe.readAllStandardOutput().constData());
    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QTEST(QString::fromLatin1(in.readAll()).split(QLatin1Char(' ')), "dates");
}

QUORVEL_TEST_MAIN(tst_ArchiveRecord)
#include "tst_ArchiveRecord.moc"
