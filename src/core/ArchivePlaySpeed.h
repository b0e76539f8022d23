#pragma once

#include <QMetaType>

namespace QuorvelClient {
namespace Core {

// Archive play-speed index: index i plays at 2 to the power i. Fixed underlying type: an index from outside may lie
// beyond the enumerators.
enum ArchivePlaySpeed : int { SpeedX1 = 0, SpeedX2 = 1, SpeedX4 = 2, SpeedX8 = 3, SpeedX16 = 4, SpeedX32 = 5, SpeedX64 = 6 };

// The factor of a speed index; 1 for any index outside 0..6.
int speedMultiplier(ArchivePlaySpeed speed);

} // namespace Core
} // namespace QuorvelClient

Q_DECLARE_METATYPE(QuorvelClient::Core::ArchivePlaySpeed)
