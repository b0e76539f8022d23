#include "support/TestClips.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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

QString makeClip(const QString& path, const QStringList& ffmpegArguments)
{
    if (QFileInfo(path).size() > 0)
        return path;
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        qWarning() << "cannot make the clip folder" << info.absolutePath();
        return QString();
    }
    // Test programs run in parallel: one makes the clip while the others wait for it. The kernel drops the lock of a
    // program that dies, so no lock outlives its maker.
    const QByteArray lockPath = QFile::encodeName(path + QStringLiteral(".lock"));
    const int lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        qWarning() << "cannot lock" << lockPath << std::strerror(errno);
        if (lock >= 0)
            ::close(lock);
        return QString();
    }
    QString made = path;
    if (QFileInfo(path).size() <= 0) {
        // Written aside and renamed in one step: the clip's name shows a whole clip or none.
        const QString temporary = path + QStringLiteral(".%1.tmp").arg(QCoreApplication::applicationPid());
        const QString program = qEnvironmentVariable("QUORVEL_TEST_FFMPEG", QStringLiteral("ffmpeg"));
        QProcess ffmpeg;
        ffmpeg.start(program, QStringList(ffmpegArguments) << temporary);
        const bool finished = ffmpeg.waitForFinished(180000);
        if (!finished || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0) {
            qWarning().noquote() << "cannot make the test clip" << path << "with" << program + ":"
                                 << (ffmpeg.error() == QProcess::FailedToStart ? ffmpeg.errorString()
                                     : !finished                               ? QStringLiteral("no end in 180 s")
                                                 : QString::fromLocal8Bit(ffmpeg.readAllStandardError()));
            ffmpeg.kill();
            ffmpeg.waitForFinished();
            made.clear();
        } else if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
            qWarning() << "cannot name the test clip" << path << std::strerror(errno);
            made.clear();
        }
        QFile::remove(temporary);
    }
    ::close(lock);
    return made;
}

QString clipPath(Clip clip)
{
    const bool numbered = clip == Clip::Numbered || clip == Clip::NumberedSilent;
    const QString path = QStringLiteral(QUORVEL_BINARY_DIR "/test-clips/") + clipName(clip);
    if (QFileInfo(path).size() > 0)
        return path;

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
    return makeClip(path, args);
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
