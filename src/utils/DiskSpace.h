#pragma once

#include <QtGlobal>

#include <string>

namespace Utils {

// Queries the volume that holds the folder (path in UTF-8). Writes the volume's total size, the bytes free to
// the calling user and the total free bytes to the non-null pointers; returns false, touching none of them,
// when the folder cannot be queried.
bool diskSpace(const std::string& path, quint64* totalBytes = nullptr, quint64* freeBytesForUser = nullptr,
               quint64* totalFreeBytes = nullptr);

} // namespace Utils
