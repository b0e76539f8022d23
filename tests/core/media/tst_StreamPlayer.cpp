#include "core/media/EngineQueue.h"
#include "core/media/StreamPlayer.h"
#include "peer/FlvStreamSource.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"

#include <QMutexLocker>
#include <QSignalSpy>

#include <cstring>
#include <vector>

using QuorvelClient::Core::QualitySettings;
using QuorvelClient::Core::StreamPlayer;

class tst_StreamPlayer : public QObject
{
    Q_OBJECT
private slots:
    void framesNeverOutgrowBuffers();
    void handsOverOnlyPaintedPictures();
    void playsTheLastQualityAsked();
};

namespace {

// Decodes one picture of the given grey through the player's own callbacks.
void deliver(StreamPlayer* player, int grey, const QSize& size)
{
    std::vector<void*> planes(1);
    void* picture = StreamPlayer::lockCallback(player, planes.data());
    QVERIFY(picture == planes[0]);
    std::memset(planes[0], grey, size_t(size.width()) * size_t(size.height()) * 4);
    StreamPlayer::unlockCallback(player, picture, planes.data());
    StreamPlayer::displayCallback(player, picture);
}

int shownGrey(const StreamPlayer& player, const QPoint& at)
{
    QMutexLocker locker(player.frameMutex());
    return player.frame().isNull() ? -1 : qGray(player.frame().pixel(at));
}

} // namespace

void tst_StreamPlayer::framesNeverOutgrowBuffers()
{
    // A camera without a size plays at 640x480.
    StreamPlayer player(TestSupport::localCamera(3, "127.0.0.1:9", QSize(0, 0)));
    QCOMPARE(player.frameSize(), QSize(640, 480));

    // Slightly narrower frames of the same shape keep the size; much narrower or wider ones change it.
    QVERIFY(!player.setFrameSize(QSize(640, 480)));
    QVERIFY(!player.setFrameSize(QSize(400, 300)));
    QCOMPARE(player.frameSize(), QSize(640, 480));
    QVERIFY(player.setFrameSize(QSize(320, 240)));
    QCOMPARE(player.frameSize(), QSize(320, 240));
    // 2560x1440 needs more than the 768x576 buffers hold: they grow with it.
    QVERIFY(player.setFrameSize(QSize(2560, 1440)));
    QCOMPARE(player.frameSize(), QSize(2560, 1440));

    // Frames delivered at the new size land whole in the picture, once the player has taken the new buffers
    // (stopped on its queue).
    QVERIFY(QuorvelClient::Core::EngineQueue::waitForAll(10000));
    deliver(&player, 0x7f, QSize(2560, 1440));
    QCOMPARE(shownGrey(player, QPoint(2559, 1439)), 0x7f);
    player.clearFrame();
    QCOMPARE(shownGrey(player, QPoint(1280, 720)), 0);
}

void tst_StreamPlayer::handsOverOnlyPaintedPictures()
{
    const QSize size(320, 240);
    StreamPlayer player(TestSupport::localCamera(3, "127.0.0.1:9", size));
    QSignalSpy ready(&player, &StreamPlayer::frameReady);
    QSignalSpy polled(&player, &StreamPlayer::polled);
    QCOMPARE(shownGrey(player, QPoint(0, 0)), -1);

    // The first picture of a request is shown at once.
    deliver(&player, 0x10, size);
    QCOMPARE(shownGrey(player, QPoint(10, 10)), 0x10);
    QCOMPARE(ready.count(), 1);

    // Until it is painted, later pictures are dropped and the shown one stays whole.
    deliver(&player, 0x20, size);
    deliver(&player, 0x30, size);
    QCOMPARE(shownGrey(player, QPoint(319, 239)), 0x10);
    player.setPainted();
    deliver(&player, 0x40, size);
    QCOMPARE(shownGrey(player, QPoint(319, 239)), 0x40);

    // The first picture asked for one state poll at once; the 300 ms poll has not even been started here.
    QTRY_COMPARE(polled.count(), 1);
    QTest::qWait(50);
    QCOMPARE(polled.count(), 1);
}

// A quality chosen while the player is not seen playing is only stored; the stream it opens afterwards, asked for
// before, is of the former quality: the player asks again at the new one.
void tst_StreamPlayer::playsTheLastQualityAsked()
{
    TestSupport::FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer));
    const auto qualities = [&peer] {
        QStringList asked;
        for (const auto& request : peer.requests())
            asked << request.query.queryItemValue("q");
        return asked;
    };
    StreamPlayer player(TestSupport::localCamera(3, peer.hostAndPort(), QSize(320, 240)));
    player.playLive(QualitySettings::Middle);
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), StreamPlayer::Playing, 20000);

    // Between the player's stop and the start of the stream it was asked for: the quality changes.
    player.stop(true);
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), StreamPlayer::Stopped, 10000);
    player.setQuality(QualitySettings::Low);
    QCOMPARE(qualities(), QStringList{"1"});
    player.play();
    // The stream opened again may be asked for at the former quality, or given up before it reaches the peer.
    QTRY_COMPARE_WITH_TIMEOUT(qualities().constLast(), QString("0"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), StreamPlayer::Playing, 20000);
    const int asked = qualities().size();
    QVERIFY(asked <= 3);
    QTest::qWait(1000);
    QCOMPARE(qualities().size(), asked);

    // The same for an archive's speed.
    TestSupport::FlvStreamSource archive;
    QVERIFY(TestSupport::serveClip(archive, TestSupport::Clip::H264, true));
    const auto speeds = [&archive] {
        QStringList asked;
        for (const auto& request : archive.requests())
            asked << request.query.queryItemValue("speed");
        return asked;
    };
    StreamPlayer archived(TestSupport::localCamera(3, archive.hostAndPort(), QSize(320, 240)));
    const qint64 from = QDateTime::currentSecsSinceEpoch() - 3600;
    archived.playArchive(1, 2, from, from + 600, QualitySettings::Low, QuorvelClient::Core::SpeedX1);
    QTRY_COMPARE_WITH_TIMEOUT(archived.state(), StreamPlayer::Playing, 20000);
    archived.stop(true);
    QTRY_COMPARE_WITH_TIMEOUT(archived.state(), StreamPlayer::Stopped, 10000);
    archived.setSpeed(QuorvelClient::Core::SpeedX4);
    archived.play();
    QTRY_COMPARE_WITH_TIMEOUT(speeds().constLast(), QString("4"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(archived.state(), StreamPlayer::Playing, 20000);
    const int archivesAsked = speeds().size();
    QVERIFY(archivesAsked <= 3);
    QTest::qWait(1000);
    QCOMPARE(speeds().size(), archivesAsked);
}

QUORVEL_TEST_MAIN(tst_StreamPlayer)
#include "tst_StreamPlayer.moc"
