#include "support/TestClips.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

namespace TestSupport {

namespace {

const int kNumberColumns = 16;

QString clipName(Clip clip)
{
    switch (clip) {
    case Clip::H264:
        return QStringLiteral("h264.flv");
    case Clip::Sorenson:
        return QStringLiteral("flv1.flv");
    case Clip::H264Large:
        return QStringLiteral("h264-720p.flv");
    case Clip::Numbered:
        return QStringLiteral("numbered.flv");
    case Clip::NumberedSilent:
        return QStringLiteral("numbered-silent.flv");
    }
    return QString();
}

} // namespace

QString clipPath(Clip clip)
{
    const bool numbered = clip == Clip::Numbered || clip == Clip::NumberedSilent;
    const QString dir = QStringLiteral(QUORVEL_BINARY_DIR "/test-clips");
    const QString path = dir + QLatin1Char('/') + clipName(clip);
    if (QFileInfo(path).size() > 0)
        return path;
    QDir().mkpath(dir);

    // Each of the 16 columns of the upper half is white where its bit of the frame number is set.
    const QString picture =
        clip == Clip::H264Large ? QStringLiteral("testsrc=size=1280x720:rate=25")
        : numbered
            ? QStringLiteral("color=c=gray:s=320x240:r=25,geq=lum='if(lt(Y,120),255*mod(floor(N/pow(2,floor(X/20))),2),"
                             "128)':cb=128:cr=128")
            : QStringLiteral("testsrc=size=320x240:rate=25");
    QStringList args = {
        QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"),
        QStringLiteral("-f"),           QStringLiteral("lavfi"),     QStringLiteral("-i"),    picture};
    if (clip != Clip::NumberedSilent)
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=frequency=440:sample_rate=44100");
    args << QStringLiteral("-t") << (numbered ? QStringLiteral("80") : QStringLiteral("4")) << QStringLiteral("-g")
         << QStringLiteral("12");
    if (clip != Clip::Sorenson)
        args << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-preset")
             << QStringLiteral("ultrafast") << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p");
    else
        args << QStringLiteral("-c:v") << QStringLiteral("flv") << QStringLiteral("-q:v") << QStringLiteral("4");
    if (clip != Clip::NumberedSilent)
        args << QStringLiteral("-c:a") << QStringLiteral("libmp3lame") << QStringLiteral("-b:a")
             << QStringLiteral("64k");
    // No duration in the header: the peer loops the clip into an endless live stream.
    args << QStringLiteral("-flvflags") << QStringLiteral("no_duration_filesize") << QStringLiteral("-f")
         << QStringLiteral("flv");

    // Test executables run in parallel: each writes its own file and the first rename wins.
    const QString temporary = path + QStringLiteral(".%1.tmp").arg(QCoreApplication::applicationPid());
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args << temporary);
    if (!ffmpeg.waitForFinished(180000) || ffmpeg.exitCode() != 0) {
        qWarning() << "ffmpeg failed:" << ffmpeg.readAllStandardError();
        QFile::remove(temporary);
        return QString();
    }
    if (!QFile::rename(temporary, path))
        QFile::remove(temporary);
    return QFileInfo(path).size() > 0 ? path : QString();
}

int frameNumber(const QImage& picture)
{
    if (picture.width() < kNumberColumns || picture.height() < 4)
        return -1;
    // A black picture, or one from another clip, has no grey lower half; a blurred column reads neither way.
    const int grey = qGray(picture.pixel(picture.width() / 2, picture.height() * 3 / 4));
    if (grey < 96 || grey > 160)
        return -1;
    const int y = picture.height() / 4;
    int number = 0;
    for (int k = 0; k < kNumberColumns; ++k) {
        const int level = qGray(picture.pixel((2 * k + 1) * picture.width() / (2 * kNumberColumns), y));
        if (level > 192)
            number |= 1 << k;
        else if (level > 64)
            return -1;
    }
    return number;
}

} // namespace TestSupport
