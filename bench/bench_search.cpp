// The playlist of a zone search's hits. Build: buildSearchPlaylist at 00:00:30 with 500 hits of 90 s of the
// searched camera, one about every 172 s at 20 s past a minute, and 8 other cameras of 1,440 one-minute records each,
// so that every hit overlaps two records of each other camera; against constructing as many records from the same
// bounds plus one pass over the same lists. Click: the strip's click at 00:00:30 while those hits are shown, records
// and hits coming from the fake server's replies. Medians; local time as the machine has it.
#include "core/ArchiveRecord.h"
#include "gui/playback/controls/ControlPanel.h"
#include "gui/playback/controls/PlaylistBuilder.h"
#include "gui/playback/widgets/ArchivePanel.h"
#include "peer/FakeVideoServer.h"
#include "support/ObjectCensus.h"
#include "support/VideoFixtures.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace QuorvelClient;

namespace {

const int kOthers = 8;
const int kRecords = 1440;
const int kHits = 500;
const int kRounds = 40;

// Microseconds of one call.
template <typename Step> double timed(Step step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    return timer.nsecsElapsed() / 1e3;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A local time written at its offset from UTC, as the records of a reply are.
QDateTime asReplied(const QDateTime& time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc());
}

QList<TestSupport::FakeRecord> minutes(const QDate& day)
{
    QList<TestSupport::FakeRecord> records;
    for (int m = 0; m < kRecords; ++m)
        records.append({m * 10, m * 10 + 9, day.startOfDay().addSecs(m * 60).toMSecsSinceEpoch(), 60000, 1, false});
    return records;
}

QList<TestSupport::FakeRecord> hits(const QDate& day)
{
    QList<TestSupport::FakeRecord> records;
    for (int h = 0; h < kHits; ++h)
        records.append({h, h, day.startOfDay().addSecs(h * 172 / 60 * 60 + 20).toMSecsSinceEpoch(), 90000, 1, true});
    return records;
}

QList<Core::ArchiveRecordPtr> recordsOf(const QList<TestSupport::FakeRecord>& replied)
{
    QList<Core::ArchiveRecordPtr> records;
    for (const TestSupport::FakeRecord& r : replied) {
        const QDateTime start = asReplied(QDateTime::fromMSecsSinceEpoch(r.startMs));
        records << std::make_shared<Core::ArchiveRecord>(r.startId, r.endId, start, start.addMSecs(r.durationMs),
                                                         r.type);
    }
    return records;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The panel's log lines would bury the table.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // The panel's settings file stays out of the checkout.
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    const QDate day = QDate::currentDate().addDays(-1);
    const QDateTime click = day.startOfDay().addSecs(30);

    TestSupport::FakeVideoServer server;
    server.setPassword(QStringLiteral("pw"));
    server.setRecords(1, hits(day));
    for (int c = 2; c <= kOthers + 1; ++c)
        server.setRecords(c, minutes(day));
    if (!server.start()) {
        std::fprintf(stderr, "the fake server did not start\n");
        return 1;
    }
    Core::GlobalCameraList cameras;
    for (int c = 1; c <= kOthers + 1; ++c) {
        Core::CameraPtr camera =
            TestSupport::localCamera(c, QStringLiteral("127.0.0.1:%1").arg(server.port()), QSize(320, 240));
        camera->setPassword(QStringLiteral("pw"));
        cameras.insert(camera->globalId(), camera);
    }

    // The builder alone, against the records it must make and one look at every record and hit.
    GUI::CameraRecords records;
    GUI::CameraRecords found;
    found.insert(cameras.firstKey(), recordsOf(hits(day)));
    records.insert(cameras.firstKey(), found.first());
    for (auto it = std::next(cameras.cbegin()); it != cameras.cend(); ++it)
        records.insert(it.key(), recordsOf(minutes(day)));
    const QList<Core::camera_global_id_t> ids = records.keys();
    GUI::Playlist built = GUI::PlaylistBuilder::buildSearchPlaylist(ids, click, records, found, cameras);
    std::vector<double> builds;
    std::vector<double> limits;
    for (int i = 0; i < kRounds; ++i) {
        builds.push_back(
            timed([&] { built = GUI::PlaylistBuilder::buildSearchPlaylist(ids, click, records, found, cameras); }));
        limits.push_back(timed([&] {
            QList<Core::ArchiveRecordPtr> made;
            for (const GUI::PlaylistEntry& entry : std::as_const(built)) {
                made << std::make_shared<Core::ArchiveRecord>(1, 2, entry.record->start(), entry.record->end(), 1);
            }
            const QDateTime written = asReplied(click);
            int later = 0;
            for (const QList<Core::ArchiveRecordPtr>& list : std::as_const(records)) {
                for (const Core::ArchiveRecordPtr& record : list)
                    later += written < record->end();
            }
            if (later == 0 || made.isEmpty())
                std::fprintf(stderr, "nothing made\n");
        }));
    }
    const qsizetype expected = kHits + qsizetype(kOthers) * kHits * 2;
    if (built.size() != expected) {
        std::fprintf(stderr, "the build made %lld entries, not %lld\n", qlonglong(built.size()), qlonglong(expected));
        return 1;
    }

    // The click on a strip whose cameras hold the records and hits of their server's replies.
    GUI::ControlPanel panel;
    panel.setCurrentTime(QDateTime::currentDateTime());
    panel.findChild<GUI::ArchivePanel*>()->setCurrentDate(day);
    TestSupport::ObjectCensus census;
    const auto replied = [&census] {
        return QTest::qWaitFor([&] { return census.alive("QuorvelClient::Core::StreamerClient") == 0; }, 30000);
    };
    for (const Core::CameraPtr& camera : std::as_const(cameras))
        panel.addCamera(camera);
    panel.setActiveCamera(cameras.firstKey());
    bool ready = replied();
    panel.onSearchAccepted();
    panel.searchArchive(cameras.first(), 10, 10, 90, 90);
    ready = ready && replied();
    if (!ready) {
        std::fprintf(stderr, "the replies did not come\n");
        return 1;
    }
    std::vector<double> clicks;
    for (int i = 0; i < kRounds; ++i)
        clicks.push_back(timed([&] { panel.playArchive(click); }));
    if (panel.playlist().size() != expected) {
        std::fprintf(stderr, "the click built %lld entries\n", qlonglong(panel.playlist().size()));
        return 1;
    }

    std::printf("%-64s %10s\n", "median", "us");
    std::printf("%-64s %10.1f\n", "buildSearchPlaylist, 500 hits, 8 x 1,440 records", median(builds));
    std::printf("%-64s %10.1f\n", "limit: as many records from the same bounds, one pass", median(limits));
    std::printf("%-64s %10.1f\n", "click while the hits are shown (target < 50,000)", median(clicks));
    std::printf("entries: %lld\n", qlonglong(expected));
    std::printf("ratio: %.2f\n", median(builds) / median(limits));
    return 0;
}
