#pragma once

#include <QtGlobal>

#include <functional>
#include <string>

namespace Utils {

// Queries the volume that holds the folder (path in UTF-8). Writes the volume's total size, the bytes free to
// the calling user and the total free bytes to the non-null pointers; returns false, touching none of them,
// when the folder cannot be queried.
bool diskSpace(const std::string& path, quint64* totalBytes = nullptr, quint64* freeBytesForUser = nullptr,
               quint64* totalFreeBytes = nullptr);

using DiskSpaceQuery = std::function<bool(const std::string&, quint64*, quint64*, quint64*)>;

// The free-space query of the export folder checks: diskSpace, or what a test put in its place.
bool freeSpace(const std::string& path, quint64* totalBytes = nullptr, quint64* freeBytesForUser = nullptr,
               quint64* totalFreeBytes = nullptr);
// For tests: answers freeSpace(); an empty function restores diskSpace.
void setFreeSpaceForTesting(DiskSpaceQuery query);

} // namespace Utils
