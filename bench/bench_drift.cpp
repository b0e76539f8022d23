// Two cameras on one archive clock: the first camera's record starts 10 s before the second's, and a click on the
// timeline at the first record's start plays both through the playback window, the second when the clock reaches
// its record. Both stream a clip whose frames show their own number from the fake peer (its first 2 s at once, then
// at the clip's rate), so the record time of the picture each player shows is read off the picture. For a minute of
// record after the second camera's first picture, every 100 ms: how far each shown picture is from the common clock and
// from the other's. Once with a sound track and once without, as from a camera without microphone; also the delay from
// each player's request to its first picture.
#include "core/SessionManager.h"
#include "gui/playback/WindowRig.h"
#include "gui/playback/widgets/Timeline.h"
#include "gui/video/VideoContainer.h"
#include "gui/video/VideoPlayer.h"
#include "gui/video/VideoWidget.h"
#include "support/TestEnvironment.h"
#include "utils/SettingsKeys.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace QuorvelClient;

namespace {

const qint64 kFrameMs = 40;
const int kSampleMs = 100;
const int kMeasuredMs = 60000;
const int kOffsetSecs = 10;

struct Figures
{
    std::vector<qint64> firstPicture; // ms from each player's request to its first picture
    std::vector<qint64> fromClock;    // |shown - clock| of both players, ms
    std::vector<qint64> apart;        // |first shown - second shown|, ms
};

// The record time of the picture a player shows: its stream starts at `start` with frame 0.
QDateTime shownTime(GUI::VideoWidget* widget, const QDateTime& start)
{
    QMutexLocker locker(widget->streamPlayer()->frameMutex());
    const int frame = TestSupport::frameNumber(widget->streamPlayer()->frame());
    return frame < 0 ? QDateTime() : start.addMSecs(frame * kFrameMs);
}

qint64 percentile(std::vector<qint64> values, double share)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

bool run(TestSupport::Clip clip, Figures* figures)
{
    TestSupport::WindowRig rig;
    const QString path = TestSupport::clipPath(clip);
    if (path.isEmpty() || !rig.start() || !rig.source.setArchiveClip(path) || !rig.source.setLiveClip(path))
        return false;
    Utils::Keys::streamerHost().setValue(rig.serverId());
    const QDate day = QDate::currentDate().addDays(-1);
    const QDateTime first(day, QTime(9, 0));
    const QDateTime second = first.addSecs(kOffsetSecs);
    rig.server.setRecords(1, {{100, 200, first.toMSecsSinceEpoch(), 120000, 1}});
    rig.server.setRecords(2, {{300, 400, second.toMSecsSinceEpoch(), 120000, 1}});

    // As the rig's test helpers do, without a test to report to.
    rig.window.reset(new GUI::PlaybackWindow2);
    rig.window->resize(1000, 700);
    rig.window->show();
    if (!QTest::qWaitForWindowExposed(rig.window.get()))
        return false;
    rig.panel()->setCurrentTime(QDateTime::currentDateTime());
    rig.window->findChild<GUI::ArchivePanel*>()->setCurrentDate(day);
    {
        TestSupport::ObjectCensus census;
        rig.window->addCamera(rig.camera(1));
        rig.window->addCamera(rig.camera(2));
        if (!QTest::qWaitFor([&] { return census.alive("QuorvelClient::Core::StreamerClient") == 0; }, 30000))
            return false;
    }
    auto* container = rig.window->findChild<GUI::VideoContainer*>();
    QList<GUI::VideoWidget*> widgets;
    for (GUI::VideoPlayer* player : container->players())
        widgets << player->videoWidget();

    // Let the live pictures settle, then play the archive from the first record's start.
    QTest::qWait(2000);
    QElapsedTimer clock;
    clock.start();
    qint64 asked[2] = {-1, -1};
    qint64 shown[2] = {-1, -1};
    // Where each stream starts, as asked: the peer's clip begins there with frame 0.
    QDateTime starts[2];
    QObject context;
    QObject::connect(&rig.source, &TestSupport::FlvStreamSource::requestReceived, &context,
                     [&](const QByteArray& target) {
                         if (!target.startsWith("/flv/archive"))
                             return;
                         const int i = target.contains("camera=2&") ? 1 : 0;
                         asked[i] = clock.elapsed();
                         const QUrlQuery query(QUrl(QString::fromLatin1(target)));
                         starts[i] = QDateTime::fromSecsSinceEpoch(query.queryItemValue("startTime").toLongLong());
                     });
    rig.window->findChild<GUI::Timeline*>()->playTime(first);
    const auto bothShown = [&] {
        for (int i = 0; i < 2; ++i) {
            if (shown[i] < 0 && asked[i] >= 0 && widgets[i]->playerState() == GUI::VideoWidget::Playing &&
                shownTime(widgets[i], starts[i]).isValid())
                shown[i] = clock.elapsed();
        }
        return shown[0] >= 0 && shown[1] >= 0;
    };
    if (!QTest::qWaitFor(bothShown, 60000)) {
        std::fprintf(stderr, "the players did not both show a picture\n");
        return false;
    }
    for (int i = 0; i < 2; ++i)
        figures->firstPicture.push_back(shown[i] - asked[i]);

    QElapsedTimer measured;
    measured.start();
    while (measured.elapsed() < kMeasuredMs) {
        QTest::qWait(kSampleMs);
        const QDateTime common = container->currentTime();
        const QDateTime a = shownTime(widgets[0], starts[0]);
        const QDateTime b = shownTime(widgets[1], starts[1]);
        if (!a.isValid() || !b.isValid())
            continue;
        figures->fromClock.push_back(qAbs(a.msecsTo(common)));
        figures->fromClock.push_back(qAbs(b.msecsTo(common)));
        figures->apart.push_back(qAbs(a.msecsTo(b)));
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    TestSupport::prepareEnvironment();
    int status = 0;
    {
        QApplication app(argc, argv);
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        Core::SessionManager::create(QString(), QString());
        std::printf("two cameras, records 10 s apart, a minute of record sampled every %d ms (ms)\n", kSampleMs);
        std::printf("%-14s %8s %8s %8s %8s %8s %8s %8s %8s\n", "clip", "1st pic", "2nd pic", "clock50", "clock95",
                    "clockmax", "apart50", "apart95", "apartmax");
        for (const auto& [clip, name] : {std::pair(TestSupport::Clip::Numbered, "with sound"),
                                         std::pair(TestSupport::Clip::NumberedSilent, "without sound")}) {
            Figures figures;
            if (!run(clip, &figures)) {
                std::printf("%-14s did not run\n", name);
                status = 1;
                continue;
            }
            std::printf("%-14s %8lld %8lld %8lld %8lld %8lld %8lld %8lld %8lld\n", name, figures.firstPicture[0],
                        figures.firstPicture[1], percentile(figures.fromClock, 0.5),
                        percentile(figures.fromClock, 0.95), percentile(figures.fromClock, 1.0),
                        percentile(figures.apart, 0.5), percentile(figures.apart, 0.95),
                        percentile(figures.apart, 1.0));
            std::fflush(stdout);
        }
    }
    TestSupport::cleanupEnvironment();
    return status;
}
