// The FFmpeg source on arbitrary files: it finds the container by its content, so the seeds of
// MPEG-4 audio, WMA, Matroska, TTA and the rest all reach their demuxers.
#include "codecs/ffmpeg/ACS_FFmpeg.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static deraz::TFFmpegIn Source;
    deraz::fuzz::ReadToEnd(Source, deraz::fuzz::WriteInput(Data, Size, ".m4a"));
    return 0;
}
