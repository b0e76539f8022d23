// CPU time of the process while one video widget plays a 1280x720 H.264 live stream with sound for 10 s,
// as a share of one core.
#include "core/Camera.h"
#include "gui/video/VideoWidget.h"
#include "peer/FlvStreamSource.h"
#include "support/TestClips.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTest>

#include <cstdio>
#include <sys/resource.h>

using QuorvelClient::Core::Camera;
using QuorvelClient::GUI::VideoWidget;

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    TestSupport::FlvStreamSource peer;
    peer.listen();
    peer.setLiveClip(TestSupport::clipPath(TestSupport::Clip::H264Large));

    for (const QSize cell : {QSize(480, 270), QSize(1280, 720)}) {
        auto camera = std::make_shared<Camera>(1, "Bench", peer.hostAndPort(), 0, "Bench", true, true, true,
                                               QSize(1280, 720), "h264", Camera::CameraFlags(), QString());
        camera->setServerType(1);
        VideoWidget widget(camera);
        widget.resize(cell);
        widget.show();
        widget.playLive(QuorvelClient::Core::QualitySettings::High);
        if (!QTest::qWaitFor([&] { return widget.playerState() == VideoWidget::Playing; }, 30000)) {
            std::printf("the clip did not play\n");
            return 1;
        }
        QTest::qWait(2000);
        const double cpuStart = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(10000);
        const double cpu = cpuSeconds() - cpuStart;
        std::printf("one 1280x720 stream in a %dx%d cell: %.1f %% of one core\n", cell.width(), cell.height(),
                    100.0 * cpu / (wall.elapsed() / 1000.0));
        widget.stop();
    }
    TestSupport::cleanupEnvironment();
    return 0;
}
