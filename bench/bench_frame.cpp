// The video widget's frame path: the display step (hand-over of a decoded frame to the painting side) against a
// plain memcpy of the same bytes, and the paint step of a paused picture at rotation 0 and 90.
#include "core/Camera.h"
#include "gui/video/VideoWidget.h"
#include "peer/FlvStreamSource.h"
#include "support/TestClips.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QPaintEvent>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <vector>

using QuorvelClient::Core::Camera;
using QuorvelClient::GUI::VideoWidget;

namespace {

QuorvelClient::Core::CameraPtr camera(const QString& serverId, const QSize& size)
{
    auto result = std::make_shared<Camera>(1, "Bench", serverId, 0, "Bench", true, true, true, size, "h264",
                                           Camera::CameraFlags(), QString());
    result->setServerType(1);
    return result;
}

// Milliseconds per call, the best of five rounds.
template <typename Step> double measure(int calls, Step step)
{
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < calls; ++i)
            step();
        best = qMin(best, timer.nsecsElapsed() / 1e6 / calls);
    }
    return best;
}

} // namespace

int main(int argc, char* argv[])
{
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    std::printf("%-10s %-22s %12s %12s %8s\n", "step", "size", "ms/frame", "memcpy ms", "ratio");

    double lastRatio = 0;
    for (const QSize size : {QSize(640, 480), QSize(1280, 720), QSize(1920, 1080)}) {
        VideoWidget widget(camera("127.0.0.1:9", size));
        std::vector<void*> planes(1);
        const size_t bytes = size_t(size.width()) * size.height() * 4;
        void* picture = VideoWidget::lockCallback(&widget, planes.data());
        std::memset(planes[0], 0x55, bytes);
        // Each picture follows a paint (of the hidden widget, which only marks the picture painted), so that every
        // one is handed over.
        QPaintEvent paint(QRect(0, 0, 1, 1));
        const double display = measure(200, [&] {
            QCoreApplication::sendEvent(&widget, &paint);
            VideoWidget::lockCallback(&widget, planes.data());
            VideoWidget::displayCallback(&widget, picture);
        });
        std::vector<unsigned char> source(bytes, 0x55);
        std::vector<unsigned char> target(bytes);
        const double copy = measure(200, [&] {
            std::memcpy(target.data(), source.data(), bytes);
            asm volatile("" : : "r"(target.data()) : "memory");
        });
        lastRatio = display / copy;
        std::printf("%-10s %-22s %12.3f %12.3f %8.2f\n", "display",
                    qPrintable(QString("%1x%2").arg(size.width()).arg(size.height())), display, copy, lastRatio);
        QCoreApplication::processEvents();
    }

    // The paint step needs a picture in the paused state: a short live clip is played and paused.
    TestSupport::FlvStreamSource peer;
    peer.listen();
    peer.setLiveClip(TestSupport::clipPath(TestSupport::Clip::H264Large));
    VideoWidget widget(camera(peer.hostAndPort(), QSize(640, 480)));
    widget.resize(480, 270);
    widget.show();
    widget.playLive(QuorvelClient::Core::QualitySettings::High);
    if (!QTest::qWaitFor([&] { return widget.playerState() == VideoWidget::Playing; }, 30000)) {
        std::printf("the clip did not play\n");
        return 1;
    }
    QTest::qWait(500);
    widget.pause();
    if (!QTest::qWaitFor([&] { return widget.playerState() == VideoWidget::Paused; }, 10000)) {
        std::printf("the clip did not pause\n");
        return 1;
    }
    for (int rotation : {0, 90}) {
        if (rotation)
            widget.addRotation(rotation);
        const double paint = measure(100, [&] { widget.repaint(); });
        std::printf("%-10s %-22s %12.3f\n", "paint", qPrintable(QString("640x480->480x270 r%1").arg(rotation)), paint);
    }
    widget.addRotation(270);
    widget.stop();
    std::printf("ratio: %.2f\n", lastRatio);
    TestSupport::cleanupEnvironment();
    return 0;
}
