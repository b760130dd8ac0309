// The technical data of a file's first audio stream as FFmpeg's demuxers report it, for the media
// bin and the media info of formats read through FFmpeg's libraries.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace deraz {

struct TMediaProbe {
    bool Valid = false; // a readable container holding an audio stream
    std::string
        Codec; // the codec's long name with its profile: "AAC (LC)", "ALAC (Apple Lossless Audio Codec)"
    std::string Encoder; // the file's "encoder" tag
    double Duration = 0; // seconds
    int64_t Bitrate = 0; // bit/s of the audio stream, else of the whole file
    int32_t SampleRate = 0;
    int32_t Channels = 0;
    int32_t Bits = 0; // stored bits per sample of a lossless codec; 0 when it has none
    int64_t FileSize = 0;
    // The container's metadata, then the audio stream's, as FFmpeg names them ("album_artist").
    std::vector<std::pair<std::string, std::string>> Tags;
};

// Reads FileName's container headers; never raises (a file it cannot read is not Valid, as is
// every file when FFmpeg's libraries are missing).
TMediaProbe ProbeMedia(const std::string& FileName);

} // namespace deraz
