#include "gui/playback/PlaylistScheduler.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"

#include <optional>

using namespace QuorvelClient;
using GUI::PlaylistEntry;
using GUI::VideoWidget;

class tst_PlaylistScheduler : public QObject
{
    Q_OBJECT
private slots:
    void startsEntriesAsTheClockReachesThem();
    void holdsPlayersAhead_data();
    void holdsPlayersAhead();
    void believesItsRequestsUntilTheStateShowsThem();
    void holdsBackWhileTwoPlay();
    void comparesInstants_data();
    void comparesInstants();
    void dropsEntriesOfClosedCameras();
    void mergesCamerasWithoutEntries();
};

namespace {

const QDate kDay(2024, 5, 15);

QDateTime at(const QString& time)
{
    return time.isEmpty() ? QDateTime()
                          : QDateTime(kDay, QTime::fromString(time, time.size() > 8 ? "hh:mm:ss.zzz" : "hh:mm:ss"));
}

// A player that reports the state the test sets and records what the scheduler asks of it.
struct FakePlayer : GUI::ScheduledPlayer
{
    explicit FakePlayer(int id, VideoWidget::PlayerState state = VideoWidget::NothingSpecial, const char* time = "")
        : cam(TestSupport::localCamera(id)), state(state), time(at(time))
    {
    }
    Core::CameraPtr camera() const override { return cam; }
    bool isPlaying() const override { return state >= VideoWidget::Opening && state <= VideoWidget::Paused; }
    VideoWidget::PlayerState playerState() const override { return state; }
    QDateTime currentTime() const override { return time; }
    void setArchiveMode() override {}
    void playArchive(int startId, int endId, qint64 from, qint64 to, Core::QualitySettings::Type quality,
                     Core::ArchivePlaySpeed speed) override
    {
        time = QDateTime::fromSecsSinceEpoch(from);
        state = VideoWidget::Opening;
        calls << QString("play %1-%2 %3-%4 q%5 s%6")
                     .arg(QString::number(startId), QString::number(endId), time.toString("hh:mm:ss"),
                          QDateTime::fromSecsSinceEpoch(to).toString("hh:mm:ss"), QString::number(quality),
                          QString::number(speed));
    }
    void pause() override { calls << "pause"; }
    void unPause() override { calls << "unPause"; }
    QStringList take() { return std::exchange(calls, {}); }

    Core::CameraPtr cam;
    VideoWidget::PlayerState state;
    QDateTime time;
    QStringList calls;
};

PlaylistEntry entry(const FakePlayer& player, const QString& due, int startId = 1, const QString& end = "12:00:00")
{
    auto record = std::make_shared<Core::ArchiveRecord>(startId, startId + 100, at(due), at(end), 1);
    return PlaylistEntry{at(due), player.cam, record, at(due)};
}

struct Run
{
    GUI::PlaylistScheduler scheduler;
    GUI::ScheduledPlayers players;
    explicit Run(std::initializer_list<FakePlayer*> list)
    {
        for (FakePlayer* player : list)
            players.append(player);
    }
    bool step() { return scheduler.step(players, Core::QualitySettings::Middle, Core::SpeedX4); }
    QStringList dueTimes() const
    {
        QStringList times;
        for (const PlaylistEntry& e : scheduler.playlist())
            times << QString("%1 %2").arg(e.camera->id()).arg(e.dueTime.toString("hh:mm:ss"));
        return times;
    }
};

} // namespace

void tst_PlaylistScheduler::startsEntriesAsTheClockReachesThem()
{
    FakePlayer a(1), b(2);
    Run run{&a, &b};
    run.scheduler.setPlaylist({entry(b, "10:00:30", 300, "10:40:00"), entry(a, "10:00:00", 100, "10:20:00")});

    // Nothing plays: the clock stands at the first entry.
    QVERIFY(run.step());
    QCOMPARE(a.take(), QStringList{"play 100-200 10:00:00-10:20:00 q1 s2"});
    QCOMPARE(b.take(), QStringList());

    a.time = at("10:00:29.900");
    QVERIFY(run.step());
    QCOMPARE(b.take(), QStringList());

    a.time = at("10:00:30");
    QVERIFY(run.step());
    QCOMPARE(b.take(), QStringList{"play 300-400 10:00:30-10:40:00 q1 s2"});
    QCOMPARE(a.take(), QStringList());
    // Nothing left to start: the steps go on while both play, and end with one.
    QVERIFY(run.step());
    b.state = VideoWidget::Ended;
    QVERIFY(!run.step());
}

void tst_PlaylistScheduler::holdsPlayersAhead_data()
{
    QTest::addColumn<int>("aheadMs");
    QTest::addColumn<int>("state");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("300 ms ahead, playing") << 300 << int(VideoWidget::Playing) << QStringList{"pause"};
    QTest::newRow("opening ahead") << 300 << int(VideoWidget::Opening) << QStringList{"pause"};
    QTest::newRow("300 ms ahead, paused") << 300 << int(VideoWidget::Paused) << QStringList();
    QTest::newRow("250 ms ahead, paused") << 250 << int(VideoWidget::Paused) << QStringList{"unPause"};
    QTest::newRow("250 ms ahead, playing") << 250 << int(VideoWidget::Playing) << QStringList();
}

void tst_PlaylistScheduler::holdsPlayersAhead()
{
    QFETCH(int, aheadMs);
    QFETCH(int, state);
    FakePlayer lead(1, VideoWidget::Playing, "10:00:00"), other(2, VideoWidget::PlayerState(state));
    other.time = lead.time.addMSecs(aheadMs);
    Run run{&lead, &other};
    run.scheduler.setPlaylist({entry(lead, "11:00:00")});

    QVERIFY(run.step());
    QTEST(other.take(), "calls");
    QCOMPARE(lead.take(), QStringList());
}

// The reported state lags: a pause shows only at a later poll, and so does a resume.
void tst_PlaylistScheduler::believesItsRequestsUntilTheStateShowsThem()
{
    FakePlayer lead(1, VideoWidget::Playing, "10:00:00"), other(2, VideoWidget::Playing, "10:00:00.300");
    Run run{&lead, &other};
    run.scheduler.setPlaylist({entry(lead, "10:00:01")});
    const auto steps = [&](const QStringList& first, const QStringList& second) {
        QVERIFY(run.step());
        QCOMPARE(other.take(), first);
        QVERIFY(run.step());
        QCOMPARE(other.take(), second);
    };
    steps({"pause"}, {});
    other.state = VideoWidget::Paused;
    lead.time = at("10:00:00.050");
    steps({"unPause"}, {});

    other.state = VideoWidget::Playing;
    other.time = at("10:00:01.300");
    lead.time = at("10:00:01");
    QVERIFY(run.step());
    QCOMPARE(lead.take(), QStringList{"play 1-101 10:00:01-12:00:00 q1 s2"});
    QCOMPARE(other.take(), QStringList{"pause"});
    // The last entry has started and the lead has stopped: nobody stays held.
    lead.state = VideoWidget::Stopped;
    QVERIFY(!run.step());
    QCOMPARE(other.take(), QStringList{"unPause"});
    QVERIFY(!run.step());
    QCOMPARE(other.take(), QStringList());
}

// A player whose first picture came late sets the clock: the one that started earlier waits for it, after the
// last entry too, for as long as two play.
void tst_PlaylistScheduler::holdsBackWhileTwoPlay()
{
    FakePlayer early(1, VideoWidget::Playing, "10:00:10"), late(2);
    Run run{&early, &late};
    run.scheduler.setPlaylist({entry(late, "10:00:10", 300)});
    QVERIFY(run.step());
    QCOMPARE(late.take().size(), 1);

    early.time = at("10:00:12.400");
    late.state = VideoWidget::Playing;
    QVERIFY(run.step());
    QCOMPARE(early.take(), QStringList{"pause"});
    early.state = VideoWidget::Paused;
    late.time = at("10:00:12.100");
    QVERIFY(run.step());
    QCOMPARE(early.take(), QStringList());
    late.time = at("10:00:12.200");
    QVERIFY(run.step());
    QCOMPARE(early.take(), QStringList{"unPause"});

    // Held again, then the other one ends: one player has nobody to keep in step with.
    early.state = VideoWidget::Playing;
    early.time = at("10:00:13");
    QVERIFY(run.step());
    QCOMPARE(early.take(), QStringList{"pause"});
    late.state = VideoWidget::Ended;
    QVERIFY(!run.step());
    QCOMPARE(early.take(), QStringList{"unPause"});
    QCOMPARE(late.take(), QStringList());
}

void tst_PlaylistScheduler::comparesInstants_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QString>("readings"); // of the start and an hour later
    QTest::newRow("a normal day") << QDateTime(QDate(2024, 5, 15), QTime(0, 30), Qt::UTC) << "02:30 03:30";
    // 03:00 summer time is 02:00 winter time: the hour from 02:00 is read twice.
    QTest::newRow("the night clocks go back") << QDateTime(QDate(2024, 10, 27), QTime(0, 30), Qt::UTC) << "02:30 02:30";
}

// The players' times are local; records are written at the offset of their own time. An entry an hour after the
// clock waits an hour, and a player an hour ahead waits, whatever their wall-clock readings say.
void tst_PlaylistScheduler::comparesInstants()
{
    QFETCH(QDateTime, start);
    const std::optional<QByteArray> savedZone =
        qEnvironmentVariableIsSet("TZ") ? std::optional<QByteArray>(qgetenv("TZ")) : std::nullopt;
    qputenv("TZ", "Europe/Berlin");
    const auto local = [&start](qint64 secs) {
        return QDateTime::fromMSecsSinceEpoch(start.addSecs(secs).toMSecsSinceEpoch());
    };
    const auto asWritten = [](const QDateTime& time) { return time.toOffsetFromUtc(time.offsetFromUtc()); };

    FakePlayer lead(1, VideoWidget::Playing), ahead(2, VideoWidget::Playing), due(3);
    Run run{&lead, &ahead, &due};
    const QDateTime hourLater = asWritten(local(3600));
    auto record = std::make_shared<Core::ArchiveRecord>(5, 6, hourLater, hourLater.addSecs(600), 1);
    run.scheduler.setPlaylist({PlaylistEntry{hourLater, due.cam, record, hourLater}});
    // Played from hours before: what the scheduler learnt of the offset then must not reach over the change.
    lead.time = ahead.time = local(-5 * 3600);
    run.step();
    lead.time = local(0);
    ahead.time = local(3599);
    const QString readings = lead.time.toString("hh:mm") + ' ' + hourLater.toString("hh:mm");

    const bool first = run.step();
    const QStringList dueCalls = due.take();
    const QStringList aheadCalls = ahead.take();
    lead.time = local(3600);
    ahead.time = local(3600);
    run.step();
    const QStringList dueLater = due.take();
    savedZone ? qputenv("TZ", *savedZone) : qunsetenv("TZ");

    QVERIFY(first);
    QCOMPARE(dueCalls, QStringList());
    QCOMPARE(aheadCalls, QStringList{"pause"});
    QCOMPARE(dueLater.size(), 1);
    QTEST(readings, "readings");
}

void tst_PlaylistScheduler::dropsEntriesOfClosedCameras()
{
    FakePlayer a(1), b(2), closed(3);
    Run run{&a, &b};
    run.scheduler.setPlaylist({entry(closed, "10:00:00"), entry(a, "10:00:00"), entry(b, "10:00:00"),
                               entry(b, "10:10:00"), entry(a, "10:20:00")});
    run.scheduler.removeCamera(b.cam.get());
    QCOMPARE(run.dueTimes(), (QStringList{"3 10:00:00", "1 10:00:00", "1 10:20:00"}));

    TestSupport::MessageCapture log;
    QVERIFY(run.step());
    QCOMPARE(log.count("Playlist entry dropped, no player for camera: \"Yard-Cam 3\""), 1);
    QCOMPARE(a.take().size(), 1);
    QCOMPARE(run.dueTimes(), QStringList{"1 10:20:00"});
}

void tst_PlaylistScheduler::mergesCamerasWithoutEntries()
{
    FakePlayer a(1), b(2), c(3);
    Run run{&a, &b, &c};
    run.scheduler.setPlaylist({entry(c, "09:59:00", 7), entry(a, "10:00:00"), entry(a, "10:30:00")});
    QVERIFY(run.step());
    QCOMPARE(c.take().size(), 1);

    // A refresh hands in the record c plays with a new start; b's entries are all new.
    run.scheduler.merge({entry(a, "10:05:00"), entry(c, "10:00:01", 7), entry(b, "10:20:00"), entry(b, "10:01:00"),
                         entry(c, "10:40:00", 8)},
                        run.players);
    QCOMPARE(run.dueTimes(), (QStringList{"1 10:00:00", "2 10:01:00", "2 10:20:00", "1 10:30:00", "3 10:40:00"}));

    // Once c no longer plays it, its record is taken again.
    GUI::PlaylistScheduler fresh;
    fresh.setPlaylist({entry(c, "09:59:00", 7)});
    fresh.step(run.players, Core::QualitySettings::High, Core::SpeedX1);
    c.state = VideoWidget::Stopped;
    fresh.merge({entry(c, "10:00:01", 7)}, run.players);
    QCOMPARE(fresh.playlist().size(), 1);
}

QUORVEL_TEST_MAIN(tst_PlaylistScheduler)
#include "tst_PlaylistScheduler.moc"
