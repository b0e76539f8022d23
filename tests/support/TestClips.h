#pragma once

#include <QImage>
#include <QString>

namespace TestSupport {

// FLV clips made by ffmpeg: its test pattern with an MP3 sine tone, or frames that show their own number. Each clip
// is made once per build directory and reused by every test executable; an empty string means ffmpeg failed.
enum class Clip {
    H264,           // 320x240, 25 fps, 4 s, H.264 with a key frame every half second
    Sorenson,       // the same picture in Sorenson Spark (flv1)
    H264Large,      // 1280x720, otherwise as H264; for measurements
    Numbered,       // 320x240, 25 fps, 80 s, H.264 with the tone; each frame shows its number (see frameNumber)
    NumberedSilent, // the same without a sound track, as from a camera without microphone
};

QString clipPath(Clip clip);

// Makes the file at the path with ffmpeg (or the program that QUORVEL_TEST_FFMPEG names) and these arguments, the
// file's path appended, unless it is there. Programs that ask at once wait while one of them makes it, and the file
// shows under its name only whole. An empty string, after a warning that says why, when it cannot be made.
QString makeClip(const QString& path, const QStringList& ffmpegArguments);

// The number a picture of a numbered clip shows, -1 for none or an unclear one: bit k is white in the k-th of 16
// columns of the picture's upper half, and the lower half is grey.
int frameNumber(const QImage& picture);

} // namespace TestSupport
