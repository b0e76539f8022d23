#pragma once

#include <QString>

namespace Utils {

// Kinds of drive, numbered as the sign-in dialog logs them.
enum DriveType {
    DriveUnknown = 0,
    DriveNoRootDir = 1,
    DriveRemovable = 2,
    DriveFixed = 3,
    DriveRemote = 4,
    DriveCdRom = 5,
    DriveRamDisk = 6
};

// The kind of drive that holds the path; DriveNoRootDir when the path does not exist.
DriveType driveType(const QString& path);

} // namespace Utils
