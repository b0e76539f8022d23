#include "core/ArchivePlaySpeed.h"

namespace QuorvelClient {
namespace Core {

namespace {

void registerArchivePlaySpeedType()
{
    qRegisterMetaType<ArchivePlaySpeed>("Core::ArchivePlaySpeed");
}
Q_CONSTRUCTOR_FUNCTION(registerArchivePlaySpeedType)

} // namespace

int speedMultiplier(ArchivePlaySpeed speed)
{
    const int index = int(speed);
    if (index < SpeedX1 || index > SpeedX64)
        return 1;
    return 1 << index;
}

} // namespace Core
} // namespace QuorvelClient
