#include "support/TestClips.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

namespace TestSupport {

QString clipPath(Clip clip)
{
    const bool h264 = clip != Clip::Sorenson;
    const bool large = clip == Clip::H264Large;
    const QString dir = QStringLiteral(QUORVEL_BINARY_DIR "/test-clips");
    const QString path = dir + (large  ? QStringLiteral("/h264-720p.flv")
                                : h264 ? QStringLiteral("/h264.flv")
                                       : QStringLiteral("/flv1.flv"));
    if (QFileInfo(path).size() > 0)
        return path;
    QDir().mkpath(dir);

    QStringList args = {QStringLiteral("-hide_banner"),
                        QStringLiteral("-loglevel"),
                        QStringLiteral("error"),
                        QStringLiteral("-y"),
                        QStringLiteral("-f"),
                        QStringLiteral("lavfi"),
                        QStringLiteral("-i"),
                        large ? QStringLiteral("testsrc=size=1280x720:rate=25")
                              : QStringLiteral("testsrc=size=320x240:rate=25"),
                        QStringLiteral("-f"),
                        QStringLiteral("lavfi"),
                        QStringLiteral("-i"),
                        QStringLiteral("sine=frequency=440:sample_rate=44100"),
                        QStringLiteral("-t"),
                        QStringLiteral("4"),
                        QStringLiteral("-g"),
                        QStringLiteral("12")};
    if (h264)
        args << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-preset")
             << QStringLiteral("ultrafast") << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p");
    else
        args << QStringLiteral("-c:v") << QStringLiteral("flv") << QStringLiteral("-q:v") << QStringLiteral("4");
    // No duration in the header: the peer loops the clip into an endless live stream.
    args << QStringLiteral("-c:a") << QStringLiteral("libmp3lame") << QStringLiteral("-b:a") << QStringLiteral("64k")
         << QStringLiteral("-flvflags") << QStringLiteral("no_duration_filesize") << QStringLiteral("-f")
         << QStringLiteral("flv");

    // Test executables run in parallel: each writes its own file and the first rename wins.
    const QString temporary = path + QStringLiteral(".%1.tmp").arg(QCoreApplication::applicationPid());
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args << temporary);
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
        qWarning() << "ffmpeg failed:" << ffmpeg.readAllStandardError();
        QFile::remove(temporary);
        return QString();
    }
    if (!QFile::rename(temporary, path))
        QFile::remove(temporary);
    return QFileInfo(path).size() > 0 ? path : QString();
}

} // namespace TestSupport
