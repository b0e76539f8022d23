// The archive scheduler. Step: 16 widgets of one container play the looped archive clip from the fake peer while
// the playlist holds 100, 5,000 or 50,000 entries of their cameras due an hour after the clock; 300 steps 10 ms
// apart per size, against one libvlc state query per player in the same run. Merge: one camera's 1,440 entries
// into 11,520 of eight others, against one sort of the merged entries. Click: the strip's click at 00:00:30 with
// 9 cameras of 1,440 one-minute records each, against one pass appending one entry per record and one sort. Medians;
// local time is computed with TZ unset, as on most desktops.
#include "core/ArchiveRecord.h"
#include "gui/playback/PlaylistScheduler.h"
#include "gui/playback/controls/ControlPanel.h"
#include "gui/playback/widgets/ArchivePanel.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "peer/FakeVideoServer.h"
#include "peer/FlvStreamSource.h"
#include "support/ObjectCensus.h"
#include "support/VideoFixtures.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <vlc/vlc.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace QuorvelClient;
using GUI::Playlist;
using GUI::PlaylistEntry;

namespace {

const int kPlayers = 16;
const int kSteps = 300;
const int kRounds = 60;
const int kRecords = 1440;

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

// One-minute records of a day, shared by all cameras.
QList<Core::ArchiveRecordPtr> minutes(const QDate& day)
{
    QList<Core::ArchiveRecordPtr> records;
    for (int m = 0; m < kRecords; ++m) {
        const QDateTime start = asReplied(day.startOfDay().addSecs(m * 60));
        records << std::make_shared<Core::ArchiveRecord>(m * 10, m * 10 + 9, start, start.addSecs(60), 1);
    }
    return records;
}

Playlist entriesOf(const Core::CameraPtr& camera, const QList<Core::ArchiveRecordPtr>& records)
{
    Playlist entries;
    for (const Core::ArchiveRecordPtr& record : records)
        entries << PlaylistEntry{record->start(), camera, record, record->start()};
    return entries;
}

} // namespace

int main(int argc, char* argv[])
{
    qunsetenv("TZ");
    QApplication app(argc, argv);
    // The widgets' settings file stays out of the checkout.
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    TestSupport::FlvStreamSource peer;
    if (!TestSupport::serveClip(peer, TestSupport::Clip::H264, true)) {
        std::fprintf(stderr, "the fake peer did not start\n");
        return 1;
    }
    peer.setArchiveLoops(1000);

    GUI::VideoContainer container;
    container.resize(1280, 720);
    container.show();
    QList<Core::CameraPtr> cameras;
    const QDateTime from = QDateTime(QDate::currentDate().addDays(-1), QTime(10, 0));
    for (int i = 0; i < kPlayers; ++i) {
        cameras << TestSupport::localCamera(i + 1, peer.hostAndPort(), QSize(320, 240));
        GUI::VideoWidget* widget = container.addCamera(cameras.last());
        widget->playArchive(1, 2, from.toSecsSinceEpoch(), from.addSecs(3 * 3600).toSecsSinceEpoch(),
                            Core::QualitySettings::Low, Core::SpeedX1);
    }
    const auto allPlay = [&container] {
        for (GUI::VideoPlayer* player : container.players()) {
            if (player->videoWidget()->playerState() != GUI::VideoWidget::Playing)
                return false;
        }
        return true;
    };
    if (!QTest::qWaitFor(allPlay, 30000)) {
        std::fprintf(stderr, "the players did not all start\n");
        return 1;
    }
    QTest::qWait(1000);

    // Steps on three playlists and the least a step must ask to know the clock, in turns on the same players,
    // each after a wait, when the caches hold other work's data as for a step of the timer.
    const int sizes[] = {100, 5000, 50000};
    const QDateTime due = asReplied(container.currentTime().addSecs(3600));
    const auto record = std::make_shared<Core::ArchiveRecord>(1, 2, due, due.addSecs(60), 1);
    GUI::PlaylistScheduler schedulers[3];
    std::vector<double> times[3];
    for (int s = 0; s < 3; ++s) {
        Playlist playlist;
        for (int i = 0; i < sizes[s]; ++i)
            playlist << PlaylistEntry{due.addSecs(i), cameras[i % kPlayers], record, due};
        schedulers[s].setPlaylist(playlist);
    }
    std::vector<double> limits;
    for (int i = 0; i < kSteps; ++i) {
        QTest::qWait(5);
        limits.push_back(timed([&] {
            for (GUI::VideoPlayer* player : container.players())
                libvlc_media_player_get_state(player->videoWidget()->mediaPlayer());
        }));
        for (int s = 0; s < 3; ++s) {
            QTest::qWait(5);
            times[s].push_back(timed([&] {
                const GUI::ContainerPlayers players(container);
                schedulers[s].step(players.players(), Core::QualitySettings::Low, Core::SpeedX1);
            }));
        }
    }
    std::vector<std::pair<int, double>> steps;
    for (int s = 0; s < 3; ++s)
        steps.emplace_back(sizes[s], median(times[s]));
    const double limit = median(limits);

    // Merge of a ninth camera into eight others, against one sort of the merged entries.
    const QList<Core::ArchiveRecordPtr> day = minutes(from.date());
    Playlist eight;
    for (int c = 0; c < 8; ++c)
        eight << entriesOf(cameras[c], day);
    std::stable_sort(eight.begin(), eight.end());
    const Playlist ninth = entriesOf(cameras[8], day);
    const GUI::ContainerPlayers players(container);
    std::vector<double> merges;
    std::vector<double> sorts;
    for (int i = 0; i < kRounds; ++i) {
        GUI::PlaylistScheduler scheduler;
        {
            Playlist own = eight;
            own.detach();
            scheduler.setPlaylist(own);
        }
        merges.push_back(timed([&] { scheduler.merge(ninth, players.players()); }));
        Playlist merged = eight + ninth;
        merged.detach();
        sorts.push_back(timed([&] { std::sort(merged.begin(), merged.end()); }));
    }

    // The click on a strip whose nine cameras hold the records of their server's reply, against one pass over as
    // many records and a sort.
    TestSupport::FakeVideoServer server;
    QList<TestSupport::FakeRecord> reply;
    for (const Core::ArchiveRecordPtr& record : day)
        reply << TestSupport::FakeRecord{record->startId(), record->endId(), record->start().toMSecsSinceEpoch(),
                                         60000};
    for (int c = 1; c <= 9; ++c)
        server.setRecords(c, reply);
    server.setPassword(QStringLiteral("pw"));
    if (!server.start()) {
        std::fprintf(stderr, "the fake server did not start\n");
        return 1;
    }
    GUI::ControlPanel panel;
    panel.setCurrentTime(QDateTime::currentDateTime());
    panel.findChild<GUI::ArchivePanel*>()->setCurrentDate(from.date());
    {
        TestSupport::ObjectCensus census;
        for (int c = 1; c <= 9; ++c) {
            Core::CameraPtr camera =
                TestSupport::localCamera(c, QStringLiteral("127.0.0.1:%1").arg(server.port()), QSize(320, 240));
            camera->setPassword(QStringLiteral("pw"));
            panel.addCamera(camera);
        }
        if (!QTest::qWaitFor([&] { return census.alive("QuorvelClient::Core::StreamerClient") == 0; }, 30000)) {
            std::fprintf(stderr, "the records did not come\n");
            return 1;
        }
    }
    const QDateTime click = from.date().startOfDay().addSecs(30);
    std::vector<double> clicks;
    std::vector<double> passes;
    for (int i = 0; i < kRounds; ++i) {
        clicks.push_back(timed([&] { panel.playArchive(click); }));
        passes.push_back(timed([&] {
            Playlist playlist;
            for (int c = 0; c < 9; ++c) {
                for (const Core::ArchiveRecordPtr& record : day)
                    playlist.append(PlaylistEntry{record->start(), cameras[c], record, record->start()});
            }
            std::sort(playlist.begin(), playlist.end());
        }));
    }
    if (panel.playlist().size() != 9 * kRecords) {
        std::fprintf(stderr, "the click built %lld entries\n", qlonglong(panel.playlist().size()));
        return 1;
    }

    for (GUI::VideoPlayer* player : container.players())
        player->videoWidget()->stop();

    std::printf("%-56s %10s\n", "median", "us");
    for (const auto& step : steps)
        std::printf("step, %6d entries, 16 playing players %19s %10.2f\n", step.first, "", step.second);
    std::printf("%-56s %10.2f\n", "limit: one state query per player", limit);
    std::printf("%-56s %10.1f\n", "merge of 1,440 entries into 11,520", median(merges));
    std::printf("%-56s %10.1f\n", "limit: one sort of the 12,960 merged entries", median(sorts));
    std::printf("%-56s %10.1f\n", "click at 00:00:30, 9 x 1,440 records", median(clicks));
    std::printf("%-56s %10.1f\n", "limit: one pass appending one entry each, and a sort", median(passes));
    std::printf("step at 100 / limit: %.2f, 5,000: %.2f; 50,000 / 100: %.2f; merge: %.2f; click: %.2f\n",
                steps[0].second / limit, steps[1].second / limit, steps[2].second / steps[0].second,
                median(merges) / median(sorts), median(clicks) / median(passes));
    std::printf("ratio: %.2f\n", steps[2].second / limit);
    return 0;
}
