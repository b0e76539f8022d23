#pragma once

#include <QString>

namespace TestSupport {

// FLV clips with an MP3 sound track made by ffmpeg from its test pattern and a sine tone. Each clip is made
// once per build directory and reused by every test executable; an empty string means ffmpeg failed.
enum class Clip {
    H264,     // 320x240, 25 fps, 4 s, H.264 with a key frame every half second
    Sorenson, // the same picture in Sorenson Spark (flv1)
    H264Large // 1280x720, otherwise as H264; for measurements
};

QString clipPath(Clip clip);

} // namespace TestSupport
