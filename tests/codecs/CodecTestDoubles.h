// Shared by the codec tests: music-like PCM in the pipeline's layout.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "pipeline/ACS_Classes.h"
#include "tests/pipeline/PipelineDoubles.h"
#include "tests/support/FlacTools.h"
#include "tests/support/PipelineSupport.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {

// Raw PCM of music-like audio as the pipeline carries it: 8-bit unsigned or 16-bit signed.
inline std::vector<uint8_t> MusicPcm(int32_t Frames, const TPcmFormat& Format, uint32_t Seed = 1) {
    auto Samples = MusicLikeSignal(Frames, Format.Channels, Format.SampleRate, Seed);
    if (Format.BitsPerSample == 8) return ToUnsigned8(Samples);
    std::vector<uint8_t> Bytes(Samples.size() * 2);
    for (size_t I = 0; I < Samples.size(); ++I) {
        Bytes[2 * I] = uint8_t(Samples[I]);
        Bytes[2 * I + 1] = uint8_t(uint16_t(Samples[I]) >> 8);
    }
    return Bytes;
}

} // namespace deraz::test
