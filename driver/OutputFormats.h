// The output choice the user stores: a format of the format table's dialog entries, a level of
// its list, and the options that apply to every output.
#pragma once

#include <cstdint>

#include "codecs/FormatTable.h"

namespace deraz {

// Which ReplayGain values a batch writes or applies.
enum TGainMode : uint8_t { gmOff = 0, gmTrack = 1, gmAlbum = 2 };

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
};

} // namespace deraz
