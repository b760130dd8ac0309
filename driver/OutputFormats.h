// The output choice the user stores: a format of the format table's dialog entries, a level of
// its list, and the options that apply to every output.
#pragma once

#include <cstdint>

#include "codecs/FormatTable.h"

namespace deraz {

// Which ReplayGain values a batch writes or applies.
enum TGainMode : uint8_t { gmOff = 0, gmTrack = 1, gmAlbum = 2 };

// What a device can play: the highest sample rate, bit depth and channel count of the outputs;
// 0 keeps the input's.
struct TDeviceLimits {
    int32_t MaxRate = 0;  // Hz
    int32_t MaxBits = 0;  // 16 or 24; lossy outputs take any depth
    int32_t Channels = 0; // 2 or 1
    bool operator==(const TDeviceLimits&) const = default;
};

// A stored output choice: format index ("DestExt", see OutputEntry()), the index into
// its level list, and the two options that apply to every output.
struct TOutputChoice {
    int32_t DestExt = 0;
    int32_t Bitrate = 5;
    bool CopyTags = false;   // carry the input's tags and cover picture to the output
    bool CapBitrate = false; // a lossy input's lower bit rate caps the chosen one
    // ReplayGain tags written into the outputs, and the gain applied to lossy outputs' audio.
    TGainMode ReplayGain = gmOff;
    TGainMode ApplyGain = gmOff;
    TDeviceLimits Limits{};
    // An input already in the output format that needs no change is copied, not converted.
    bool CopyCompatible = false;
};

} // namespace deraz
