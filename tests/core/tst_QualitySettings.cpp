#include "core/QualitySettings.h"
#include "support/TestEnvironment.h"

using namespace QuorvelClient;
using Core::Camera;
using Core::CameraPtr;
using Core::QualitySettings;

class tst_QualitySettings : public QObject
{
    Q_OBJECT
private slots:
    void texts();
    void speedFactors();
    void resolution_data();
    void resolution();
};

void tst_QualitySettings::texts()
{
    const QStringList texts{"unknown", "low", "middle", "high", "unknown"};
    for (int type = -1; type <= 3; ++type)
        QCOMPARE(QualitySettings::toString(QualitySettings::Type(type)), texts.at(type + 1));
}

void tst_QualitySettings::speedFactors()
{
    const int factors[] = {1, 2, 4, 8, 16, 32, 64};
    for (int index = 0; index < 7; ++index)
        QCOMPARE(Core::speedMultiplier(Core::ArchivePlaySpeed(index)), factors[index]);
    for (int index : {7, 8, 31, 32, 64, -1, -7})
        QCOMPARE(Core::speedMultiplier(Core::ArchivePlaySpeed(index)), 1);
}

void tst_QualitySettings::resolution_data()
{
    QTest::addColumn<QSize>("camera");
    QTest::addColumn<QString>("vcodec");
    QTest::addColumn<int>("quality");
    QTest::addColumn<QSize>("expected");

    // High keeps the camera's own size for the two codecs the players scale themselves.
    QTest::newRow("1280x720 high h264") << QSize(1280, 720) << "h264" << 2 << QSize(1280, 720);
    QTest::newRow("1920x1080 high mpeg4") << QSize(1920, 1080) << "mpeg4" << 2 << QSize(1920, 1080);
    QTest::newRow("1920x1080 high H264 is another codec") << QSize(1920, 1080) << "H264" << 2 << QSize(1280, 720);
    QTest::newRow("0x0 high h264") << QSize(0, 0) << "h264" << 2 << QSize(640, 480);
    QTest::newRow("640x0 middle") << QSize(640, 0) << "mjpeg" << 1 << QSize(320, 240);

    // 16:9 rows.
    QTest::newRow("1920x1080 middle") << QSize(1920, 1080) << "h264" << 1 << QSize(854, 480);
    QTest::newRow("1920x1080 low") << QSize(1920, 1080) << "h264" << 0 << QSize(320, 180);
    QTest::newRow("854x480 high mjpeg") << QSize(854, 480) << "mjpeg" << 2 << QSize(854, 480);
    QTest::newRow("853x480 high mjpeg") << QSize(853, 480) << "mjpeg" << 2 << QSize(320, 180);
    QTest::newRow("3840x2160 high mjpeg") << QSize(3840, 2160) << "mjpeg" << 2 << QSize(320, 180);
    QTest::newRow("2200x1238 middle") << QSize(2200, 1238) << "mjpeg" << 1 << QSize(854, 480);

    // 4:3 rows.
    QTest::newRow("704x576 high mjpeg") << QSize(704, 576) << "mjpeg" << 2 << QSize(640, 480);
    QTest::newRow("640x480 middle") << QSize(640, 480) << "h264" << 1 << QSize(320, 240);
    QTest::newRow("768x576 high mjpeg") << QSize(768, 576) << "mjpeg" << 2 << QSize(768, 576);
    QTest::newRow("320x240 low") << QSize(320, 240) << "h264" << 0 << QSize(192, 144);
    QTest::newRow("300x225 high mjpeg") << QSize(300, 225) << "mjpeg" << 2 << QSize(320, 240);
    QTest::newRow("2048x1536 low") << QSize(2048, 1536) << "h264" << 0 << QSize(192, 144);
    QTest::newRow("1767x1325 high mjpeg") << QSize(1767, 1325) << "mjpeg" << 2 << QSize(768, 576);

    // Shapes between the two: the nearer ratio wins.
    QTest::newRow("1.5 ratio is 4:3") << QSize(1080, 720) << "mjpeg" << 2 << QSize(768, 576);
    QTest::newRow("1.6 ratio is 16:9") << QSize(1280, 800) << "mjpeg" << 2 << QSize(1280, 720);
    QTest::newRow("portrait is 4:3") << QSize(480, 640) << "mjpeg" << 2 << QSize(320, 240);
}

void tst_QualitySettings::resolution()
{
    QFETCH(QSize, camera);
    QFETCH(QString, vcodec);
    QFETCH(int, quality);
    CameraPtr record =
        std::make_shared<Camera>(1, QStringLiteral("Cam"), QStringLiteral("srv"), 0, QStringLiteral("Srv"), false,
                                 false, false, camera, vcodec, Camera::CameraFlags(), QString());
    QTEST(QualitySettings::resolution(record, QualitySettings::Type(quality)), "expected");
}

QUORVEL_TEST_MAIN(tst_QualitySettings)
#include "tst_QualitySettings.moc"
