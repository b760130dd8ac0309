// Microsoft ADPCM as stored in WAV files: 4 bits per sample, blocks that start with a header per
// channel (predictor index, delta, two history samples) and predict from a coefficient table
// the file supplies.
#pragma once

#include <array>
#include <cstdint>

namespace deraz::msadpcm {

// The coefficient pairs (first, second) of a file, and how many of them are in use.
struct TCoefficients {
    std::array<std::array<int16_t, 2>, 32> Pairs{};
    int32_t Count = 0;
};

// Sample frames one block decodes to: all of SamplesPerBlock, except that a mono block with an
// odd count decodes one less (its data bytes hold two samples each).
constexpr int32_t FramesPerBlock(int32_t SamplesPerBlock, int32_t Channels) {
    return Channels == 1 ? 2 + (SamplesPerBlock - 2) / 2 * 2 : SamplesPerBlock;
}

// Bytes a block of SamplesPerBlock frames needs: the headers and the data nibbles.
constexpr int32_t BlockBytesNeeded(int32_t SamplesPerBlock, int32_t Channels) {
    return 7 * Channels + (FramesPerBlock(SamplesPerBlock, Channels) - 2) * Channels / 2;
}

// Decodes one mono or stereo block of at least BlockBytesNeeded bytes into FramesPerBlock
// interleaved frames (SamplesPerBlock at least 2). Returns false, with nothing decoded, when a
// header's predictor index is not below Coefficients.Count.
bool DecodeBlock(const uint8_t* Block, int32_t SamplesPerBlock, int32_t Channels,
                 const TCoefficients& Coefficients, int16_t* Out);

} // namespace deraz::msadpcm
