#include "utils/ExportFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace Utils {

namespace {

// Permission bits say nothing for root, and pseudo file systems such as /proc refuse new entries whatever they
// say, so only making a folder tells.
bool canMakeFolderIn(const QString& folder)
{
    const QTemporaryDir probe(folder + QStringLiteral("/.quorvel-probe-XXXXXX"));
    return probe.isValid();
}

} // namespace

QString defaultExportFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath() + QStringLiteral("/Records");
    return folder + QStringLiteral("/Quorvel");
}

QString nearestUsableFolder(const QString& path)
{
    if (path.isEmpty())
        return QString();
    QString current = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QFileInfo target(current);
    if (target.exists())
        return target.isDir() ? current : QString();
    for (;;) {
        const QString parent = QFileInfo(current).absolutePath();
        if (parent == current)
            return QString();
        const QFileInfo above(parent);
        if (above.exists())
            return above.isDir() && canMakeFolderIn(parent) ? parent : QString();
        current = parent;
    }
}

} // namespace Utils
