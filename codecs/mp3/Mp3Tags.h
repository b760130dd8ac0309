// The ID3 tags around the audio frames of an MP3 file.
#pragma once

#include <cstdint>

#include "platform/FileStream.h"

namespace deraz {

// The part of an MP3 file that holds audio frames: without an ID3v2 tag at the start and an
// ID3v1 tag at the end.
struct TAudioRange {
    int64_t Start = 0;
    int64_t End = 0;
    // Whether either tag is there.
    bool Tagged = false;
};

// Finds the audio range of File and leaves File at its start.
TAudioRange FindAudio(TFileStream& File);

// Whether File holds ID3 tags and nothing else but zero bytes of padding.
bool HoldsOnlyTags(TFileStream& File);

} // namespace deraz
