#include "utils/DiskSpace.h"

#include <sys/statvfs.h>

namespace Utils {

bool diskSpace(const std::string& path, quint64* totalBytes, quint64* freeBytesForUser, quint64* totalFreeBytes)
{
    if (path.empty())
        return false;
    struct statvfs info;
    if (::statvfs(path.c_str(), &info) != 0)
        return false;
    const quint64 unit = info.f_frsize ? info.f_frsize : info.f_bsize;
    if (totalBytes)
        *totalBytes = quint64(info.f_blocks) * unit;
    if (freeBytesForUser)
        *freeBytesForUser = quint64(info.f_bavail) * unit;
    if (totalFreeBytes)
        *totalFreeBytes = quint64(info.f_bfree) * unit;
    return true;
}

} // namespace Utils
