// IMA (DVI) ADPCM as stored in WAV files: 4 bits per sample, blocks that start with a header per
// channel (predictor, step index) and, in stereo, interleave 4-byte groups of each channel.
#pragma once

#include <array>
#include <cstdint>

namespace deraz::ima {

constexpr int32_t MaxStepIndex = 88;

// The quantizer step of each step index.
constexpr std::array<int32_t, MaxStepIndex + 1> StepTable{
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// The state one channel carries from sample to sample.
struct TChannelState {
    int32_t Predictor = 0;
    int32_t StepIndex = 0;
};

// Sample frames in a block of BlockAlign bytes: the header sample plus one per data nibble.
constexpr int32_t FramesPerBlock(int32_t BlockAlign, int32_t Channels) {
    return (2 / Channels) * (BlockAlign - 4 * Channels) + 1;
}

// Whether blocks of BlockAlign bytes have room for their headers and, in stereo, hold whole
// 8-byte groups; only mono and stereo are supported.
constexpr bool BlockLayoutValid(int32_t BlockAlign, int32_t Channels) {
    if (Channels == 1) return BlockAlign >= 4;
    return Channels == 2 && BlockAlign >= 8 && (BlockAlign - 8) % 8 == 0;
}

// Decodes one block (layout as BlockLayoutValid accepts) into FramesPerBlock interleaved frames.
// Returns false, with nothing decoded, when a header's step index is above MaxStepIndex.
bool DecodeBlock(const uint8_t* Block, int32_t BlockAlign, int32_t Channels, int16_t* Out);

// Encodes FramesPerBlock(BlockSize, Channels) interleaved frames into one block of BlockSize bytes.
// Each channel's predictor starts at its first sample; the step index carries over in State.
void EncodeBlock(const int16_t* In, int32_t BlockSize, int32_t Channels, TChannelState* State,
                 uint8_t* Block);

} // namespace deraz::ima
