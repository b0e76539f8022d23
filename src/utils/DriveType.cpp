#include "utils/DriveType.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace Utils {

namespace {

// Reads /sys/class/block/<dev>/removable, or the parent disk's flag for a partition.
bool isRemovableBlockDevice(const QString& device)
{
    const QString name = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
    if (name.isEmpty())
        return false;
    const QString sysDir = QStringLiteral("/sys/class/block/") + name;
    for (const QString& candidate : {sysDir + QStringLiteral("/removable"), sysDir + QStringLiteral("/../removable")}) {
        QFile flag(candidate);
        if (flag.open(QIODevice::ReadOnly))
            return flag.readAll().trimmed() == "1";
    }
    return false;
}

std::optional<DriveType>& workingDriveAnswer()
{
    static std::optional<DriveType> answer;
    return answer;
}

} // namespace

DriveType driveType(const QString& path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return DriveNoRootDir;
    const QStorageInfo storage(path);
    if (!storage.isValid())
        return DriveUnknown;
    const QByteArray fs = storage.fileSystemType().toLower();
    if (fs.startsWith("nfs") || fs == "cifs" || fs == "smb3" || fs == "smbfs" || fs.startsWith("fuse.sshfs"))
        return DriveRemote;
    if (fs == "tmpfs" || fs == "ramfs")
        return DriveRamDisk;
    if (fs == "iso9660" || fs == "udf")
        return DriveCdRom;
    const QByteArray device = storage.device();
    if (device.startsWith("/dev/"))
        return isRemovableBlockDevice(QString::fromLocal8Bit(device)) ? DriveRemovable : DriveFixed;
    return DriveUnknown;
}

DriveType workingDriveType(QString* root)
{
    const QString rootPath = QStorageInfo(QDir::currentPath()).rootPath();
    if (root)
        *root = rootPath;
    return workingDriveAnswer() ? *workingDriveAnswer() : driveType(rootPath);
}

void setWorkingDriveTypeForTesting(std::optional<DriveType> type)
{
    workingDriveAnswer() = type;
}

} // namespace Utils
