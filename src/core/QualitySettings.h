#pragma once

#include "core/ArchivePlaySpeed.h"
#include "core/Camera.h"

#include <QMetaType>
#include <QSize>
#include <QString>

namespace QuorvelClient {
namespace Core {

// The stream qualities a user picks and the frame size each means for a camera.
class QualitySettings
{
public:
    // Fixed underlying type: values read from settings or signals may lie outside the enumerators.
    enum Type : int { Low = 0, Middle = 1, High = 2 };

    // Whether a stored or received number names a quality.
    static bool isValid(int type) { return type >= Low && type <= High; }

    // "low", "middle", "high"; "unknown" for any other value. Not translated: it goes to the log.
    static QString toString(Type type);
    // The frame size of the camera's stream at the quality.
    static QSize resolution(const CameraPtr& camera, Type type);

    QualitySettings() = delete;
};

} // namespace Core
} // namespace QuorvelClient

Q_DECLARE_METATYPE(QuorvelClient::Core::QualitySettings::Type)
