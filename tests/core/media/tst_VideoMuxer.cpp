#include "core/media/VideoMuxer.h"
#include "peer/FlvStreamSource.h"
#include "support/Heartbeat.h"
#include "support/TestClips.h"
#include "support/TestEnvironment.h"
#include "support/VideoFixtures.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>

#include <atomic>

using QuorvelClient::Core::VideoMuxer;

class tst_VideoMuxer : public QObject
{
    Q_OBJECT
private slots:
    void exportsPacedArchive_data();
    void exportsPacedArchive();
    void failsOnBadSource_data();
    void failsOnBadSource();
    void refusesStretchWithoutLength();
    void judgesShortSource_data();
    void judgesShortSource();
    void measuresTheFileAside();
};

namespace {

// The container's codecs and duration as ffprobe reads them: "h264,mp3 3.52".
QString probe(const QString& file)
{
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name:format=duration", "-of",
                              "default=noprint_wrappers=1:nokey=1", file});
    if (!ffprobe.waitForFinished(30000) || ffprobe.exitCode() != 0)
        return QString();
    const QStringList values = QString::fromLatin1(ffprobe.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    if (values.size() < 2)
        return QString();
    QStringList codecs = values.mid(0, values.size() - 1);
    codecs.sort();
    return codecs.join(',') + ' ' + values.last();
}

} // namespace

void tst_VideoMuxer::exportsPacedArchive_data()
{
    QTest::addColumn<int>("clip");
    QTest::addColumn<QString>("mux");
    QTest::addColumn<QString>("codecs");
    QTest::newRow("h264 into mp4") << int(TestSupport::Clip::H264) << "mp4"
                                   << "h264,mp3";
    QTest::newRow("flv1 into avi") << int(TestSupport::Clip::Sorenson) << "avi"
                                   << "flv1,mp3";
}

void tst_VideoMuxer::exportsPacedArchive()
{
    QFETCH(int, clip);
    QFETCH(QString, mux);
    QFETCH(QString, codecs);
    TestSupport::FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, TestSupport::Clip(clip), true));
    peer.setBurst(1000);
    peer.setArchiveLoops(2);

    VideoMuxer muxer;
    QSignalSpy started(&muxer, &VideoMuxer::loadingStarted);
    QSignalSpy loaded(&muxer, &VideoMuxer::recordLoaded);
    QSignalSpy failed(&muxer, &VideoMuxer::loadingError);
    QList<int> percents;
    connect(&muxer, &VideoMuxer::percentUpdated, this, [&] { percents.append(muxer.percent()); });
    // The export panel stops the muxer in its reaction to the verdict.
    connect(&muxer, &VideoMuxer::recordLoaded, &muxer, &VideoMuxer::stop);

    // Blanks, commas, braces and quotes of the name must not end the stream-output chain.
    const QString file = TestSupport::workDir() + "/Gate cam, 06.12.26 {10-00} \"a\"." + mux;
    const QString url = "http://" + peer.hostAndPort() + "/flv/archive?server=1&camera=1";
    QVERIFY(muxer.start(url, file, 6000, mux));
    QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 20000);
    QVERIFY(failed.count() == 0 && started.count() >= 1 && muxer.loadedTime() >= 6000);
    // The percent rises at every step and stays below 100.
    QVERIFY2(percents.size() >= 2, qPrintable(QString::number(percents.size())));
    for (int i = 1; i < percents.size(); ++i)
        QVERIFY(percents.at(i) > percents.at(i - 1));
    QVERIFY(percents.last() <= 99);
    const QString probed = probe(file);
    QCOMPARE(probed.section(' ', 0, 0), codecs);
    const double seconds = probed.section(' ', 1).toDouble();
    QVERIFY2(seconds >= 5.5 && seconds <= 8.1, qPrintable(probed));

    // Stopped, the muxer emits nothing more.
    const int verdicts = loaded.count() + failed.count();
    QTest::qWait(1300);
    QCOMPARE(loaded.count() + failed.count(), verdicts);
}

void tst_VideoMuxer::failsOnBadSource_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("404") << int(TestSupport::FlvStreamSource::Answer::NotFound);
    QTest::newRow("not flv") << int(TestSupport::FlvStreamSource::Answer::Garbage);
    QTest::newRow("closed at once") << int(TestSupport::FlvStreamSource::Answer::Close);
}

void tst_VideoMuxer::failsOnBadSource()
{
    QFETCH(int, answer);
    TestSupport::FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, TestSupport::Clip::H264, true));
    peer.setAnswer(TestSupport::FlvStreamSource::Answer(answer));

    VideoMuxer muxer;
    QSignalSpy loaded(&muxer, &VideoMuxer::recordLoaded);
    QSignalSpy failed(&muxer, &VideoMuxer::loadingError);
    const QString file = TestSupport::workDir() + "/bad.mp4";
    QVERIFY(muxer.start("http://" + peer.hostAndPort() + "/flv/archive?server=1", file, 3000, "mp4"));
    QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 15000);
    QVERIFY(loaded.count() == 0 && muxer.loadedTime() <= 0 && muxer.percent() == 0);
    // One try, one request.
    QCOMPARE(peer.requestCount("/flv/archive"), 1);
    muxer.stop();
}

// A stretch without a length is refused at once, with no verdict to follow and no file.
void tst_VideoMuxer::refusesStretchWithoutLength()
{
    VideoMuxer muxer;
    QSignalSpy failed(&muxer, &VideoMuxer::loadingError);
    QSignalSpy loaded(&muxer, &VideoMuxer::recordLoaded);
    QVERIFY(!muxer.start("http://127.0.0.1:9/flv/archive", TestSupport::workDir() + "/none.avi", 0, "avi"));
    QTest::qWait(1300);
    QCOMPARE(failed.count() + loaded.count(), 0);
    QVERIFY(!QFileInfo::exists(TestSupport::workDir() + "/none.avi"));
}

void tst_VideoMuxer::judgesShortSource_data()
{
    QTest::addColumn<int>("loops");
    QTest::addColumn<int>("asked");
    QTest::addColumn<bool>("loaded");
    // The 4 s clip repeated: a source up to 10 s short of the stretch, with over 80 % of it, is a whole export.
    // The player's time may end up to about a second before the source's end.
    QTest::newRow("7 s short") << 12 << 55000 << true;
    QTest::newRow("12 s short, 84 %") << 16 << 76000 << false;
    QTest::newRow("5 s short, 76 %") << 4 << 21000 << false;
}

void tst_VideoMuxer::judgesShortSource()
{
    QFETCH(int, loops);
    QFETCH(int, asked);
    QFETCH(bool, loaded);
    TestSupport::FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, TestSupport::Clip::H264, true));
    // All but the last 2 s at once: the muxer writes as fast as it reads, then follows the peer to the end.
    peer.setBurst(loops * 4000 - 2000);
    peer.setArchiveLoops(loops);

    VideoMuxer muxer;
    QSignalSpy done(&muxer, &VideoMuxer::recordLoaded);
    QSignalSpy failed(&muxer, &VideoMuxer::loadingError);
    QVERIFY(muxer.start("http://" + peer.hostAndPort() + "/flv/archive?server=1", TestSupport::workDir() + "/short.mp4",
                        asked, "mp4"));
    QTRY_VERIFY_WITH_TIMEOUT(done.count() + failed.count() > 0, 60000);
    muxer.stop();
    QCOMPARE(done.count() > 0 && failed.count() == 0, loaded);
}

// Telling how much the written file holds may take the engine a while (a slow disk, a file it must scan): the
// window goes on meanwhile, the verdict follows the measure, and a stop in between drops it.
void tst_VideoMuxer::measuresTheFileAside()
{
    TestSupport::FlvStreamSource peer;
    QVERIFY(TestSupport::serveClip(peer, TestSupport::Clip::H264, true));
    peer.setBurst(10000);
    std::atomic<QThread*> measuredOn{nullptr};
    std::atomic<int> measures{0};
    VideoMuxer::setDurationProbeForTesting([&](const QString& file) {
        measuredOn = QThread::currentThread();
        ++measures;
        QThread::msleep(1000);
        return QFileInfo(file).size() > 10000 ? qint64(3960) : qint64(0);
    });

    VideoMuxer muxer;
    QSignalSpy done(&muxer, &VideoMuxer::recordLoaded);
    QSignalSpy failed(&muxer, &VideoMuxer::loadingError);
    const QString url = "http://" + peer.hostAndPort() + "/flv/archive?server=1";
    // The 4 s clip falls 540 ms (12 %) short of the stretch: the measured length makes it a whole export.
    QVERIFY(muxer.start(url, TestSupport::workDir() + "/aside.mp4", 4500, "mp4"));
    const int interval = 5;
    TestSupport::Heartbeat beat(interval);
    QTRY_VERIFY_WITH_TIMEOUT(done.count() + failed.count() > 0, 20000);
    QVERIFY2(beat.longestGapMs() - interval <= 100, qPrintable(QString::number(beat.longestGapMs())));
    QVERIFY(measuredOn.load() && measuredOn.load() != QThread::currentThread());
    QVERIFY(done.count() == 1 && failed.count() == 0 && muxer.loadedTime() == 3960 && muxer.percent() == 88);

    // Stopped while the file is measured, the muxer has nothing more to say about it.
    QVERIFY(muxer.start(url, TestSupport::workDir() + "/dropped.mp4", 4500, "mp4"));
    QTRY_VERIFY_WITH_TIMEOUT(measures == 2, 20000);
    muxer.stop();
    QTest::qWait(1500);
    VideoMuxer::setDurationProbeForTesting({});
    QVERIFY(done.count() == 1 && failed.count() == 0);
}

QUORVEL_TEST_MAIN(tst_VideoMuxer)
#include "tst_VideoMuxer.moc"
