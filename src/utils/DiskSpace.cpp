#include "utils/DiskSpace.h"

#include <sys/statvfs.h>

namespace Utils {

namespace {
DiskSpaceQuery& replacement()
{
    static DiskSpaceQuery query;
    return query;
}
} // namespace

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

bool freeSpace(const std::string& path, quint64* totalBytes, quint64* freeBytesForUser, quint64* totalFreeBytes)
{
    if (replacement())
        return replacement()(path, totalBytes, freeBytesForUser, totalFreeBytes);
    return diskSpace(path, totalBytes, freeBytesForUser, totalFreeBytes);
}

void setFreeSpaceForTesting(DiskSpaceQuery query)
{
    replacement() = std::move(query);
}

} // namespace Utils
