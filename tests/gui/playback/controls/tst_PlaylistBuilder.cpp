#include "gui/playback/controls/PlaylistBuilder.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"

using namespace QuorvelClient;

class tst_PlaylistBuilder : public QObject
{
    Q_OBJECT
private slots:
    void buildPlaylist_data();
    void buildPlaylist();
    void buildSearchPlaylist_data();
    void buildSearchPlaylist();
};

namespace {

const QDate kDay(2024, 5, 15);

QDateTime at(const QString& time)
{
    return QDateTime(kDay, QTime::fromString(time, "hh:mm"));
}

Core::camera_global_id_t idOf(int camera)
{
    return TestSupport::localCamera(camera)->globalId();
}

// Records as "<camera> <start>-<end>", written at an offset of their own, as a reply's records may be.
GUI::CameraRecords recordsOf(const QStringList& records)
{
    const auto written = [](const QString& time) { return at(time).toOffsetFromUtc(3 * 3600); };
    GUI::CameraRecords map;
    for (const QString& record : records) {
        map[idOf(record.left(1).toInt())]
            << std::make_shared<Core::ArchiveRecord>(1, 2, written(record.mid(2, 5)), written(record.mid(8, 5)), 1);
    }
    return map;
}

} // namespace

void tst_PlaylistBuilder::buildPlaylist_data()
{
    // Records as "<camera> <start>-<end>"; entries as "<camera> <due> <record start>".
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QStringList>("entries");

    // Entries follow the given camera order: 2, then 1.
    const QStringList day{"1 09:00-09:20", "1 09:30-09:40", "2 09:25-09:35", "2 08:00-08:30"};
    QTest::newRow("inside a record") << day << "09:10"
                                     << QStringList{"2 09:25 09:25", "1 09:10 09:00", "1 09:30 09:30"};
    QTest::newRow("another camera's record covers the time")
        << day << "09:32" << QStringList{"2 09:32 09:25", "1 09:32 09:30"};
    QTest::newRow("gap: the next start") << day << "09:21" << QStringList{"2 09:25 09:25", "1 09:30 09:30"};
    QTest::newRow("a record ending where play begins is left out")
        << QStringList{"1 09:00-09:20", "2 09:20-09:30"} << "09:20" << QStringList{"2 09:20 09:20"};
    QTest::newRow("after the last record") << day << "09:41" << QStringList();
    QTest::newRow("camera no longer open")
        << QStringList{"3 09:00-09:20", "1 09:30-09:40"} << "09:00" << QStringList{"1 09:30 09:30"};
}

void tst_PlaylistBuilder::buildPlaylist()
{
    QFETCH(QStringList, records);
    QFETCH(QString, time);

    // Camera 3 has records but is no longer in the panel.
    Core::GlobalCameraList cameras;
    QList<Core::camera_global_id_t> ids;
    for (int id : {2, 1, 3}) {
        const Core::CameraPtr camera = TestSupport::localCamera(id);
        ids << camera->globalId();
        if (id != 3)
            cameras.insert(camera->globalId(), camera);
    }
    // The click is a local time.
    QStringList built;
    for (const GUI::PlaylistEntry& entry :
         GUI::PlaylistBuilder::buildPlaylist(ids, at(time), recordsOf(records), cameras)) {
        QCOMPARE(entry.startTime, entry.dueTime);
        built << QString("%1 %2 %3")
                     .arg(entry.camera->id())
                     .arg(entry.dueTime.toLocalTime().toString("hh:mm"),
                          entry.record->start().toLocalTime().toString("hh:mm"));
    }
    QTEST(built, "entries");
}

void tst_PlaylistBuilder::buildSearchPlaylist_data()
{
    // Hits of camera 1 and records of camera 2 as "<camera> <start>-<end>"; entries as "<camera> <due>-<end>".
    QTest::addColumn<QStringList>("hits");
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<QStringList>("entries");

    const QStringList hits{"1 09:00-09:10", "1 09:20-09:30"};
    // One record lies inside the first hit, one spans the end of the first and the start of the second.
    const QStringList records{"2 09:02-09:05", "2 09:08-09:22"};
    const QStringList all{"1 09:00-09:10", "1 09:20-09:30", "2 09:02-09:05", "2 09:08-09:10", "2 09:20-09:22"};
    QTest::newRow("overlaps") << hits << records << "09:00" << QList<int>{2, 1} << all;
    QTest::newRow("lists out of order") << QStringList{hits[1], hits[0]} << QStringList{records[1], records[0]}
                                        << "09:00" << QList<int>{2, 1} << all;
    QTest::newRow("in a gap") << hits << records << "09:15" << QList<int>{2, 1}
                              << QStringList{"1 09:20-09:30", "2 09:20-09:22"};
    QTest::newRow("inside a hit") << hits << records << "09:04" << QList<int>{2}
                                  << QStringList{"1 09:04-09:10", "1 09:20-09:30", "2 09:04-09:05", "2 09:08-09:10",
                                                 "2 09:20-09:22"};
    QTest::newRow("the searched camera alone") << hits << records << "09:00" << QList<int>{1} << all.mid(0, 2);
}

void tst_PlaylistBuilder::buildSearchPlaylist()
{
    QFETCH(QStringList, hits);
    QFETCH(QStringList, records);
    QFETCH(QString, time);
    QFETCH(QList<int>, ids);
    Core::GlobalCameraList cameras;
    QList<Core::camera_global_id_t> cameraIds;
    for (int id : {1, 2})
        cameras.insert(idOf(id), TestSupport::localCamera(id));
    for (int id : ids)
        cameraIds << idOf(id);
    const GUI::CameraRecords found = recordsOf(hits);

    QStringList built;
    for (const GUI::PlaylistEntry& entry :
         GUI::PlaylistBuilder::buildSearchPlaylist(cameraIds, at(time), recordsOf(records + hits), found, cameras)) {
        QCOMPARE(entry.startTime, entry.dueTime);
        // Another camera's stretch is a record of its own.
        if (entry.camera->id() == 2)
            QCOMPARE(entry.record->start(), entry.dueTime);
        built << QString("%1 %2-%3")
                     .arg(entry.camera->id())
                     .arg(entry.dueTime.toLocalTime().toString("hh:mm"),
                          entry.record->end().toLocalTime().toString("hh:mm"));
    }
    QTEST(built, "entries");
}

QUORVEL_TEST_MAIN(tst_PlaylistBuilder)
#include "tst_PlaylistBuilder.moc"
