#include "core/QualitySettings.h"
#include "support/TestEnvironment.h"

using namespace QuorvelClient;
using Core::Camera;
using Core::QualitySettings;

class tst_QualitySettings : public QObject
{
    Q_OBJECT
private slots:
    void textsAndSpeedFactors();
    void resolution_data();
    void resolution();
};

// Values read from settings may be out of range.
void tst_QualitySettings::textsAndSpeedFactors()
{
    const QStringList texts{"unknown", "low", "middle", "high", "unknown"};
    for (int type = -1; type <= 3; ++type)
        QCOMPARE(QualitySettings::toString(QualitySettings::Type(type)), texts.at(type + 1));
    for (int index = -1; index <= 7; ++index)
        QCOMPARE(Core::speedMultiplier(Core::ArchivePlaySpeed(index)), index >= 0 && index <= 6 ? 1 << index : 1);
}

void tst_QualitySettings::resolution_data()
{
    QTest::addColumn<QSize>("camera");
    QTest::addColumn<QString>("vcodec");
    QTest::addColumn<QList<QSize>>("expected"); // high, middle, low
    const auto row = [](const char* name, QSize camera, const char* vcodec, const QList<QSize>& sizes) {
        QTest::newRow(name) << camera << QString(vcodec) << sizes;
    };
    const QSize q4(320, 240), w4(192, 144), q9(320, 180);
    // Every row of both tables, all three qualities; high keeps the camera's own size for h264 and mpeg4 alone.
    row("4:3 320", {320, 240}, "mjpeg", {q4, q4, w4});
    row("4:3 640", {640, 480}, "mjpeg", {{640, 480}, q4, q4});
    row("4:3 768", {768, 576}, "mjpeg", {{768, 576}, q4, q4});
    row("16:9 320", {320, 180}, "mjpeg", {q9, q9, q9});
    row("16:9 854", {854, 480}, "mjpeg", {{854, 480}, q9, q9});
    row("16:9 1280, h264", {1920, 1080}, "h264", {{1920, 1080}, {854, 480}, q9});
    row("mpeg4", {1920, 1080}, "mpeg4", {{1920, 1080}, {854, 480}, q9});
    row("H264 is another codec", {1920, 1080}, "H264", {{1280, 720}, {854, 480}, q9});
    // The largest row width not above the camera's width and less than 1000 below it, else 320.
    row("one short of a row", {853, 480}, "mjpeg", {q9, q9, q9});
    row("999 above a row", {1767, 1325}, "mjpeg", {{768, 576}, q4, q4});
    row("1000 above every row", {2048, 1536}, "h264", {{2048, 1536}, q4, w4});
    row("narrower than every row", {300, 225}, "mjpeg", {q4, q4, w4});
    row("704x576", {704, 576}, "mjpeg", {{640, 480}, q4, q4});
    // The nearer ratio picks the table.
    row("1.5 is 4:3", {1080, 720}, "mjpeg", {{768, 576}, q4, q4});
    row("1.6 is 16:9", {1280, 800}, "mjpeg", {{1280, 720}, {854, 480}, q9});
    row("portrait is 4:3", {480, 640}, "mjpeg", {q4, q4, w4});
    // Without a usable size, 640x480.
    row("0x0", {0, 0}, "h264", {{640, 480}, q4, q4});
    row("640x0", {640, 0}, "mjpeg", {{640, 480}, q4, q4});
}

void tst_QualitySettings::resolution()
{
    QFETCH(QSize, camera);
    QFETCH(QString, vcodec);
    auto record = std::make_shared<Camera>(1, "Cam", "srv", 0, "Srv", false, false, false, camera, vcodec,
                                           Camera::CameraFlags(), QString());
    QList<QSize> sizes;
    for (auto quality : {QualitySettings::High, QualitySettings::Middle, QualitySettings::Low})
        sizes << QualitySettings::resolution(record, quality);
    QTEST(sizes, "expected");
}

QUORVEL_TEST_MAIN(tst_QualitySettings)
#include "tst_QualitySettings.moc"
