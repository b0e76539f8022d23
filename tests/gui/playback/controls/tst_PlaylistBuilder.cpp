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
};

namespace {

const QDate kDay(2024, 5, 15);

QDateTime at(const QString& time)
{
    return QDateTime(kDay, QTime::fromString(time, "hh:mm"));
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
    QFETCH(QStringList, entries);

    // Camera 3 has records but is no longer in the panel.
    Core::GlobalCameraList cameras;
    QList<Core::camera_global_id_t> ids;
    for (int id : {2, 1, 3}) {
        const Core::CameraPtr camera = TestSupport::localCamera(id);
        ids << camera->globalId();
        if (id != 3)
            cameras.insert(camera->globalId(), camera);
    }
    // Written at an offset of their own, as a reply's records may be; the click is a local time.
    const auto written = [](const QString& time) { return at(time).toOffsetFromUtc(3 * 3600); };
    GUI::CameraRecords map;
    for (const QString& record : records) {
        const Core::camera_global_id_t id = TestSupport::localCamera(record.left(1).toInt())->globalId();
        map[id] << std::make_shared<Core::ArchiveRecord>(1, 2, written(record.mid(2, 5)), written(record.mid(8, 5)), 1);
    }

    QStringList built;
    for (const GUI::PlaylistEntry& entry : GUI::PlaylistBuilder::buildPlaylist(ids, at(time), map, cameras)) {
        QCOMPARE(entry.startTime, entry.dueTime);
        built << QString("%1 %2 %3")
                     .arg(entry.camera->id())
                     .arg(entry.dueTime.toLocalTime().toString("hh:mm"),
                          entry.record->start().toLocalTime().toString("hh:mm"));
    }
    QCOMPARE(built, entries);
}

QUORVEL_TEST_MAIN(tst_PlaylistBuilder)
#include "tst_PlaylistBuilder.moc"
