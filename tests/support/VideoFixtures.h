#pragma once

#include "core/Camera.h"
#include "support/TestClips.h"

#include <QSize>
#include <QString>

class QPoint;
class QWidget;

namespace TestSupport {
class FlvStreamSource;
}

namespace TestSupport {

// Camera <id> of a local video server, named "Cam <id>" at the site "Yard".
QuorvelClient::Core::CameraPtr localCamera(int id, const QString& serverId = QStringLiteral("127.0.0.1:9"),
                                           const QSize& resolution = QSize(640, 480),
                                           QuorvelClient::Core::Camera::CameraFlags flags = {});

// Starts the peer on a free loopback port serving the clip live, or as archive; false if either step failed.
bool serveClip(TestSupport::FlvStreamSource& peer, Clip clip = Clip::H264, bool archive = false);

// Moves the pointer to the point first, so that hover effects and cursors are in place as for a real click.
void click(QWidget* widget, const QPoint& at, Qt::MouseButton button = Qt::LeftButton);

} // namespace TestSupport
