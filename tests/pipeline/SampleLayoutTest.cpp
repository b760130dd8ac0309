#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "pipeline/ChannelLayout.h"
#include "pipeline/PcmSamples.h"

namespace deraz {
namespace {

TEST(PcmSamples, EveryWidthRoundTripsItsExtremes) {
    struct TCase {
        int32_t Bits;
        std::vector<uint8_t> Bytes;
        std::vector<int32_t> Values;
    };
    const TCase Cases[] = {
        {8, {0x00, 0x80, 0xFF}, {-128, 0, 127}},
        {16, {0x00, 0x80, 0xFF, 0x7F, 0xFF, 0xFF}, {-32768, 32767, -1}},
        {24, {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0xFE, 0xFF, 0xFF}, {-8388608, 8388607, -2}},
        {32, {0x00, 0x00, 0x00, 0x80, 0x01, 0x00, 0x00, 0x00}, {INT32_MIN, 1}},
    };
    for (const TCase& C : Cases) {
        std::vector<int32_t> Values(C.Values.size());
        UnpackPcm(C.Bytes.data(), C.Bits, Values.size(), Values.data());
        EXPECT_EQ(Values, C.Values) << C.Bits;
        std::vector<uint8_t> Bytes(C.Bytes.size());
        PackPcm(Values.data(), C.Bits, Values.size(), Bytes.data());
        EXPECT_EQ(Bytes, C.Bytes) << C.Bits;
        std::vector<float> Floats(C.Values.size());
        UnpackPcmToFloat(C.Bytes.data(), C.Bits, Floats.size(), Floats.data());
        EXPECT_FLOAT_EQ(Floats[0], -1.0f) << C.Bits;
    }
}

TEST(PcmSamples, FloatBecomesClipped24Bit) {
    EXPECT_EQ(FloatToInt24(0.5), 4194304);
    EXPECT_EQ(FloatToInt24(-1.0), -8388608);
    EXPECT_EQ(FloatToInt24(1.0), 8388607);
    EXPECT_EQ(FloatToInt24(7.5), 8388607);
    EXPECT_EQ(FloatToInt24(-3.0), -8388608);
    EXPECT_EQ(FloatToInt24(std::nan("")), 0);
}

TEST(ChannelLayout, VorbisOrderAndItsInverse) {
    // 5.1: Vorbis has FL FC FR BL BR LFE, WAV has FL FR FC LFE BL BR.
    EXPECT_EQ(std::vector<int32_t>(VorbisOrderFromWave(6).begin(), VorbisOrderFromWave(6).end()),
              (std::vector<int32_t>{0, 2, 1, 4, 5, 3}));
    for (int32_t Channels = 1; Channels <= MaxLaidOutChannels; ++Channels) {
        auto There = VorbisOrderFromWave(Channels);
        auto Back = WaveOrderFromVorbis(Channels);
        ASSERT_EQ(There.size(), size_t(Channels));
        for (int32_t C = 0; C < Channels; ++C) EXPECT_EQ(Back[size_t(There[size_t(C)])], C) << Channels;
    }
    EXPECT_TRUE(VorbisOrderFromWave(9).empty());
    EXPECT_EQ(WaveChannelMask(6), 0x3Fu);
    EXPECT_EQ(WaveChannelMask(8), 0x63Fu);
    EXPECT_EQ(WaveChannelMask(9), 0u);
}

TEST(ChannelLayout, DownmixKeepsSidesApartAndNeverClips) {
    // 5.1 at full scale everywhere: each side sums to exactly full scale.
    std::vector<float> Full(6, 1.0f), Out(2);
    DownmixToStereo(Full.data(), 6, 1, Out.data());
    EXPECT_FLOAT_EQ(Out[0], 1.0f);
    EXPECT_FLOAT_EQ(Out[1], 1.0f);
    // Only the right back channel: nothing on the left, and the LFE is left out.
    std::vector<float> Back = {0, 0, 0, 1, 0, 1};
    DownmixToStereo(Back.data(), 6, 1, Out.data());
    EXPECT_FLOAT_EQ(Out[0], 0.0f);
    EXPECT_GT(Out[1], 0.2f);
    float Mono = 0.25f;
    DownmixToStereo(&Mono, 1, 1, Out.data());
    EXPECT_EQ(Out, (std::vector<float>{0.25f, 0.25f}));
}

} // namespace
} // namespace deraz
