// The click goes through the window system layer, as in the tests that use it.
#define QTEST_QPA_MOUSE_HANDLING

#include "support/VideoFixtures.h"

#include "peer/FlvStreamSource.h"

#include <QTest>

namespace TestSupport {

QuorvelClient::Core::CameraPtr localCamera(int id, const QString& serverId, const QSize& resolution,
                                           QuorvelClient::Core::Camera::CameraFlags flags)
{
    using QuorvelClient::Core::Camera;
    auto camera = std::make_shared<Camera>(id, QStringLiteral("Cam %1").arg(id), serverId, 0, "Yard", true, true, true,
                                           resolution, "h264", flags, QString());
    camera->setServerType(1);
    return camera;
}

bool serveClip(TestSupport::FlvStreamSource& peer, Clip clip, bool archive)
{
    return peer.listen() && (archive ? peer.setArchiveClip(clipPath(clip)) : peer.setLiveClip(clipPath(clip)));
}

void click(QWidget* widget, const QPoint& at, Qt::MouseButton button)
{
    QTest::mouseMove(widget, at);
    QTest::mouseClick(widget, button, Qt::NoModifier, at);
}

} // namespace TestSupport
