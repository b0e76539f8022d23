#pragma once

#include <QString>

namespace Utils {

// The export folder while "arcExport/path" is empty: the user's movies folder, else the documents folder, else the
// program's folder with "/Records", each followed by "/Quorvel". It is not created here.
QString defaultExportFolder();

// The existing folder whose drive will hold the folder at path: the path itself when it is a folder, else the
// nearest existing folder above it in which a folder can be made. Empty when the path is empty or a file, lies
// below a file, or has no such folder above it: such a path cannot take exports.
QString nearestUsableFolder(const QString& path);

} // namespace Utils
