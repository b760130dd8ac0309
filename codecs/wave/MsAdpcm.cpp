#include "codecs/wave/MsAdpcm.h"

#include <algorithm>
#include <climits>

#include "platform/ByteOrder.h"

namespace deraz::msadpcm {

namespace {

constexpr std::array<int32_t, 16> Adaptation{230, 230, 230, 230, 307, 409, 512, 614,
                                             768, 614, 512, 409, 307, 230, 230, 230};

// The delta never grows past this, so that no product below can overflow.
constexpr int32_t MaxDelta = INT_MAX / 768;

struct TChannel {
    int32_t First, Second; // the coefficient pair
    int32_t Delta;
    int32_t Sample1, Sample2;
};

inline int16_t ExpandNibble(TChannel& C, uint32_t Nibble) {
    int32_t Signed = int32_t(Nibble ^ 8) - 8;
    // 64-bit: two products of 16-bit values may together exceed 32 bits.
    int32_t Predicted = int32_t((int64_t(C.Sample1) * C.First + int64_t(C.Sample2) * C.Second) / 256);
    int32_t Sample = std::clamp(Predicted + Signed * C.Delta, -32768, 32767);
    C.Delta = std::clamp(C.Delta * Adaptation[Nibble] / 256, 16, MaxDelta);
    C.Sample2 = C.Sample1;
    C.Sample1 = Sample;
    return int16_t(Sample);
}

inline int32_t Get16(const uint8_t* P) {
    return int16_t(LittleEndian16(P));
}

} // namespace

bool DecodeBlock(const uint8_t* Block, int32_t SamplesPerBlock, int32_t Channels,
                 const TCoefficients& Coefficients, int16_t* Out) {
    TChannel State[2];
    for (int32_t Channel = 0; Channel < Channels; ++Channel) {
        int32_t Predictor = Block[Channel];
        if (Predictor >= Coefficients.Count) return false;
        const uint8_t* Fields = Block + Channels + 2 * Channel;
        State[Channel] = {Coefficients.Pairs[size_t(Predictor)][0], Coefficients.Pairs[size_t(Predictor)][1],
                          Get16(Fields), Get16(Fields + 2 * Channels), Get16(Fields + 4 * Channels)};
        Out[Channel] = int16_t(State[Channel].Sample2);
        Out[Channels + Channel] = int16_t(State[Channel].Sample1);
    }
    const uint8_t* Data = Block + 7 * Channels;
    Out += 2 * Channels;
    int32_t Bytes = (FramesPerBlock(SamplesPerBlock, Channels) - 2) * Channels / 2;
    // Each byte holds two nibbles, high first: two mono samples, or one stereo frame.
    TChannel& High = State[0];
    TChannel& Low = State[Channels - 1];
    for (int32_t I = 0; I < Bytes; ++I) {
        uint32_t Byte = Data[I];
        Out[0] = ExpandNibble(High, Byte >> 4);
        Out[1] = ExpandNibble(Low, Byte & 15);
        Out += 2;
    }
    return true;
}

} // namespace deraz::msadpcm
