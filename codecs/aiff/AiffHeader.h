// AIFF and AIFF-C layout: the header walk that finds the format ("COMM") and the sample data
// ("SSND"), shared by the AIFF source and the analysis reader, and the 80-bit extended numbers
// the sample rate is stored in.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "codecs/wave/WavChunkReader.h"

namespace deraz {

// How the samples are stored.
enum TAiffEncoding : uint8_t {
    aeUnsupported = 0,
    aeBigEndian = 1,    // AIFF, or AIFF-C "NONE"/"twos": signed big-endian integers
    aeLittleEndian = 2, // AIFF-C "sowt": signed little-endian integers
    aeFloat = 3         // AIFF-C "fl32"/"fl64": big-endian IEEE floats
};

struct TAiffHeader {
    TAiffEncoding Encoding = aeUnsupported;
    bool Compressed = false; // an AIFF-C file
    int32_t Channels = 0;
    int64_t Frames = 0; // as "COMM" declares them
    int32_t BitsPerSample = 0;
    double SampleRate = 0;
    // The first sample byte and the sample bytes the file holds from there (at most what "SSND"
    // declares).
    int64_t DataOffset = 0;
    int64_t DataSize = 0;
    // Why the file cannot be read: one sentence; empty when it can.
    std::string Error;

    int32_t BytesPerSample() const { return (BitsPerSample + 7) / 8; }
};

// Reads "FORM", then every chunk up to the end of the file or of the form, keeping "COMM" and
// "SSND". A missing or damaged chunk, a compression type other than the ones above, or a format
// outside 1 to 8 channels and 8 to 32 bits (32 or 64 for floats) leaves Encoding aeUnsupported
// and says why in Error.
TAiffHeader WalkAiffHeader(TWaveSource& Source);

// An 80-bit IEEE extended number (big-endian) as a double; 0 for a denormal or an infinity.
double ExtendedToDouble(const uint8_t* Bytes);
// A whole positive number as an 80-bit extended number, exactly.
std::array<uint8_t, 10> ExtendedFromInteger(uint32_t Value);

} // namespace deraz
