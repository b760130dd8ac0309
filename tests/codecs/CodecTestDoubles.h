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

// Raw PCM of music-like audio as the pipeline carries it: 8-bit unsigned, 16- or 24-bit signed
// (24 bits: the 16-bit signal with a varying low byte).
inline std::vector<uint8_t> MusicPcm(int32_t Frames, const TPcmFormat& Format, uint32_t Seed = 1) {
    auto Samples = MusicLikeSignal(Frames, Format.Channels, Format.SampleRate, Seed);
    if (Format.BitsPerSample == 8) return ToUnsigned8(Samples);
    const size_t Width = Format.BitsPerSample == 24 ? 3 : 2;
    std::vector<uint8_t> Bytes(Samples.size() * Width);
    for (size_t I = 0; I < Samples.size(); ++I) {
        uint8_t* Out = &Bytes[I * Width];
        if (Width == 3) *Out++ = uint8_t(I * 37);
        Out[0] = uint8_t(Samples[I]);
        Out[1] = uint8_t(uint16_t(Samples[I]) >> 8);
    }
    return Bytes;
}

// ffmpeg's name of the raw format in which the pipeline carries samples of Bits bits.
inline std::string FfmpegRawFormat(int32_t Bits) {
    return Bits == 8 ? "u8" : Bits == 16 ? "s16le" : Bits == 24 ? "s24le" : "s32le";
}

} // namespace deraz::test
