// The ADPCM kernels against plain transcriptions of the algorithms, and at their clamps.
#include <gtest/gtest.h>

#include "codecs/wave/ImaAdpcm.h"
#include "codecs/wave/MsAdpcm.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {
namespace {

const int IndexSteps[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
// The step sizes as the IMA ADPCM recommendation publishes them.
const int Steps[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// One IMA ADPCM channel, step by step as the algorithm is written down.
struct TReferenceIma {
    int Predictor, Index;
    void Apply(int Nibble) {
        int Step = Steps[Index];
        int Difference = Step >> 3;
        if (Nibble & 4) Difference += Step;
        if (Nibble & 2) Difference += Step >> 1;
        if (Nibble & 1) Difference += Step >> 2;
        Predictor += (Nibble & 8) ? -Difference : Difference;
        Predictor = std::clamp(Predictor, -32767, 32767);
        Index = std::clamp(Index + IndexSteps[Nibble & 7], 0, 88);
    }
    int Encode(int Sample) {
        int Step = Steps[Index], Difference = Sample - Predictor, Nibble = 0;
        if (Difference < 0) Nibble = 8;
        int Magnitude = std::abs(Difference);
        if (Magnitude >= Step) Nibble |= 4, Magnitude -= Step;
        if (Magnitude >= Step / 2) Nibble |= 2, Magnitude -= Step >> 1;
        if (Magnitude >= Step / 4) Nibble |= 1;
        Apply(Nibble);
        return Nibble;
    }
};

// Nibble K of Channel in a block, as the layout puts it.
int NibbleAt(const std::vector<uint8_t>& Block, int Channels, int Channel, int K) {
    int Byte = Channels == 1 ? 4 + K / 2 : 8 + (K / 8) * 8 + Channel * 4 + (K % 8) / 2;
    return K % 2 == 0 ? Block[size_t(Byte)] & 15 : Block[size_t(Byte)] >> 4;
}

TEST(ImaAdpcm, EncoderAndDecoderFollowTheAlgorithm) {
    for (int Channels : {1, 2}) {
        const int BlockSize = 256 * Channels, Frames = ima::FramesPerBlock(BlockSize, Channels), Blocks = 40;
        std::vector<int16_t> Music = MusicLikeSignal(Frames * Blocks, Channels, 44100, 3);
        ima::TChannelState State[2];
        std::vector<TReferenceIma> Reference(size_t(Channels), TReferenceIma{0, 0});
        std::vector<uint8_t> Block(static_cast<size_t>(BlockSize));
        std::vector<int16_t> Decoded(size_t(Frames * Channels));
        for (int B = 0; B < Blocks; ++B) {
            const int16_t* In = Music.data() + size_t(B) * Frames * Channels;
            ima::EncodeBlock(In, BlockSize, Channels, State, Block.data());
            ASSERT_TRUE(ima::DecodeBlock(Block.data(), BlockSize, Channels, Decoded.data()));
            for (int C = 0; C < Channels; ++C) {
                TReferenceIma& R = Reference[size_t(C)];
                ASSERT_EQ(Block[size_t(4 * C + 2)], R.Index);
                R.Predictor = In[C];
                ASSERT_EQ(Decoded[size_t(C)], R.Predictor);
                for (int K = 0; K < Frames - 1; ++K) {
                    ASSERT_EQ(NibbleAt(Block, Channels, C, K), R.Encode(In[(K + 1) * Channels + C]))
                        << "block " << B << " channel " << C << " sample " << K;
                    ASSERT_EQ(Decoded[size_t((K + 1) * Channels + C)], R.Predictor);
                }
            }
        }
    }
}

TEST(ImaAdpcm, ClampsAtMinus32767) {
    // Predictor -32000 at the largest step: nibble 15 subtracts far more than is left.
    std::vector<uint8_t> Block{0x00, 0x83, 88, 0, 0xFF, 0x0F};
    std::vector<int16_t> Out(size_t(ima::FramesPerBlock(6, 1)));
    ASSERT_TRUE(ima::DecodeBlock(Block.data(), 6, 1, Out.data()));
    // Nibbles 15, 15, 15 clamp; nibble 0 then adds 32767 >> 3.
    EXPECT_EQ(Out, (std::vector<int16_t>{-32000, -32767, -32767, -32767, -32767 + 4095}));
}

TEST(MsAdpcm, ClampsAtMinus32768) {
    msadpcm::TCoefficients Coefficients;
    Coefficients.Pairs[0] = {256, 0};
    Coefficients.Count = 1;
    // Mono: predictor 0, delta 4096, sample 1 = -30000, sample 2 = 0; nibbles -8 and 7.
    std::vector<uint8_t> Block{0, 0x00, 0x10, 0xD0, 0x8A, 0x00, 0x00, 0x87};
    std::vector<int16_t> Out(4);
    ASSERT_TRUE(msadpcm::DecodeBlock(Block.data(), 4, 1, Coefficients, Out.data()));
    // -30000 - 8 × 4096 clamps; then delta 4096 × 768 / 256 = 12288: -32768 + 7 × 12288 = 53248 clamps.
    EXPECT_EQ(Out, (std::vector<int16_t>{0, -30000, -32768, 32767}));
}

} // namespace
} // namespace deraz::test
