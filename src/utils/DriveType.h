#pragma once

#include <QString>

#include <optional>

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

// The kind of drive that holds the working directory, with that drive's root in *root when asked. A password may
// only be stored when this is not DriveRemovable.
DriveType workingDriveType(QString* root = nullptr);
// For tests: the answer of workingDriveType(); std::nullopt asks the system again.
void setWorkingDriveTypeForTesting(std::optional<DriveType> type);

} // namespace Utils
