// IMA (DVI) ADPCM as stored in WAV files: 4 bits per sample, blocks that start with a header per
// channel (predictor, step index) and, in stereo, interleave 4-byte groups of each channel.
#pragma once

#include <cstdint>

namespace deraz::ima {

constexpr int32_t MaxStepIndex = 88;

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
