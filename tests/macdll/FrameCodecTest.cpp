// Files of older encoders: 24-bit frames with the interim arithmetic, and file versions 3950 and
// 3980 (k-based value coding, the older NN step rule, the 32-byte header). Written here by a
// small writer of those versions and read back through the library's decoder.
#include "macdll/FrameCodec.h"
#include "macdll/Checksums.h"
#include "macdll/Decoder.h"
#include "macdll/MACDll.h"
#include "macdll/RangeCoder.h"
#include "tests/macdll/ApeTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace deraz::test {
namespace {

using namespace deraz::ape;

TEST(InterimArithmetic, OlderTwentyFourBitFramesAreRetriedAndDecoded) {
    const TPcm Pcm = ApeTestPcm(TApeSignal::FullScaleNoise, 4000, 2, 24, 9);
    const size_t Half = Pcm.Bytes.size() / 2;
    std::vector<uint8_t> Interim1, Interim2, Standard;
    TFrameEncoder(5000, 2, 24, true).Encode(Pcm.Bytes.data(), 2000, Interim1);
    TFrameEncoder(5000, 2, 24, true).Encode(Pcm.Bytes.data() + Half, 2000, Interim2);
    TFrameEncoder(5000, 2, 24).Encode(Pcm.Bytes.data(), 2000, Standard);
    ASSERT_NE(Interim1, Standard); // full-scale noise overflows the 32-bit sums

    TFrameDecoder Decoder({3990, 5000, 2, 24});
    std::vector<uint8_t> Out(Half);
    ASSERT_EQ(Decoder.Decode(Interim1.data(), Interim1.size(), 2000, Out.data()), 0);
    EXPECT_EQ(std::memcmp(Out.data(), Pcm.Bytes.data(), Half), 0);
    ASSERT_EQ(Decoder.Decode(Interim2.data(), Interim2.size(), 2000, Out.data()), 0);
    EXPECT_EQ(std::memcmp(Out.data(), Pcm.Bytes.data() + Half, Half), 0);
    // 16-bit frames are never retried: a damaged one is an error.
    TFrameDecoder Decoder16({3990, 5000, 2, 16});
    std::vector<uint8_t> Damaged = Standard;
    Damaged[Damaged.size() / 2] ^= 0x10;
    EXPECT_NE(Decoder16.Decode(Damaged.data(), Damaged.size(), 1000, Out.data()), 0);
}

// The k-based value coding of file versions 3900 to 3989, the inverse of the decoder's rule.
void EncodeValueK(TRangeEncoder& Coder, TValueState& State, int32_t Value) {
    const uint32_t N = Value > 0 ? 2 * uint32_t(Value) - 1 : 0u - 2 * uint32_t(Value);
    uint32_t Bits = State.K ? State.K - 1 : 0;
    if ((N >> Bits) < 63) {
        Coder.EncodeSymbol(SymbolTable3900(), N >> Bits);
    } else {
        Coder.EncodeSymbol(SymbolTable3900(), 63);
        Bits = 32 - uint32_t(__builtin_clz(N | 1));
        Coder.EncodeUniform(Bits, 32);
    }
    const uint32_t X = N & ((1u << Bits) - 1);
    if (Bits <= 16) {
        Coder.EncodeUniform(X, 1u << Bits);
    } else {
        Coder.EncodeUniform(X & 0xFFFF, 65536);
        Coder.EncodeUniform(X >> 16, 1u << (Bits - 16));
    }
    State.KSum += ((N + 1) >> 1) - ((State.KSum + 16) >> 5);
    if (State.K > 0 && State.KSum < (1u << (State.K + 4)))
        --State.K;
    else if (State.KSum >= (1u << (State.K + 5)))
        ++State.K;
}

// One frame of 16-bit stereo as a file of Version writes it.
std::vector<uint8_t> OldFrame(const uint8_t* Pcm, uint32_t Blocks, int32_t Version, int32_t Level) {
    std::vector<int32_t> X(Blocks), Y(Blocks);
    for (uint32_t T = 0; T < Blocks; ++T) {
        int16_t C[2];
        std::memcpy(C, Pcm + 4 * T, 4);
        Y[T] = C[1] - C[0];
        X[T] = C[0] + Y[T] / 2;
    }
    TChannelPredictor PX(Level, Version >= 3980), PY(Level, Version >= 3980);
    std::vector<int32_t> EX(Blocks), EY(Blocks);
    for (uint32_t T = 0; T < Blocks; ++T) {
        EY[T] = PY.Stages.Compress(Y[T], T ? X[T - 1] : 0);
        EX[T] = PX.Stages.Compress(X[T], Y[T]);
    }
    for (TNNFilter& F : PY.Filters) F.Compress(EY.data(), Blocks);
    for (TNNFilter& F : PX.Filters) F.Compress(EX.data(), Blocks);
    std::vector<uint8_t> Out;
    const uint32_t Crc = Crc32(Pcm, size_t(Blocks) * 4) >> 1;
    for (int Shift = 24; Shift >= 0; Shift -= 8) Out.push_back(uint8_t(Crc >> Shift));
    TRangeEncoder Coder(Out);
    TValueState SX, SY;
    for (uint32_t T = 0; T < Blocks; ++T) {
        EncodeValueK(Coder, SY, EY[T]);
        EncodeValueK(Coder, SX, EX[T]);
    }
    Coder.Finish();
    return Out;
}

void Put(std::vector<uint8_t>& To, uint32_t V, int Bytes) {
    for (int I = 0; I < Bytes; ++I) To.push_back(uint8_t(V >> (8 * I)));
}

// A whole file of Version: header, seek table and word-reversed frames.
std::vector<uint8_t> OldFile(const TPcm& Pcm, int32_t Version, int32_t Level, uint32_t BlocksPerFrame) {
    const uint32_t Blocks = uint32_t(Pcm.Blocks()), Frames = (Blocks + BlocksPerFrame - 1) / BlocksPerFrame;
    std::vector<uint8_t> Logical;
    std::vector<uint32_t> Offsets;
    for (uint32_t F = 0; F < Frames; ++F) {
        Offsets.push_back(uint32_t(Logical.size()));
        const uint32_t N = std::min(BlocksPerFrame, Blocks - F * BlocksPerFrame);
        const std::vector<uint8_t> Frame =
            OldFrame(Pcm.Bytes.data() + size_t(F) * BlocksPerFrame * 4, N, Version, Level);
        Logical.insert(Logical.end(), Frame.begin(), Frame.end());
    }
    Logical.resize(Logical.size() + 4 - Logical.size() % 4, 0);
    const uint32_t Final = Blocks - (Frames - 1) * BlocksPerFrame;
    std::vector<uint8_t> File = {'M', 'A', 'C', ' '};
    Put(File, uint32_t(Version), 2);
    uint32_t FirstFrame;
    if (Version >= 3980) {
        FirstFrame = 52 + 24 + 4 * Frames;
        Put(File, 0, 2); // padding
        for (uint32_t V : {52u, 24u, 4 * Frames, 0u, uint32_t(Logical.size()), 0u, 0u}) Put(File, V, 4);
        File.resize(52, 0);
        Put(File, uint32_t(Level), 2);
        Put(File, 32, 2);
        Put(File, BlocksPerFrame, 4);
        Put(File, Final, 4);
        Put(File, Frames, 4);
        Put(File, 16, 2);
        Put(File, 2, 2);
        Put(File, 44100, 4);
    } else {
        FirstFrame = 32 + 4 * Frames;
        Put(File, uint32_t(Level), 2);
        Put(File, 32, 2); // no stored WAV header
        Put(File, 2, 2);
        Put(File, 44100, 4);
        Put(File, 0, 4);
        Put(File, 0, 4);
        Put(File, Frames, 4);
        Put(File, Final, 4);
    }
    for (uint32_t Offset : Offsets) Put(File, FirstFrame + Offset, 4);
    for (size_t I = 0; I < Logical.size(); I += 4)
        File.insert(File.end(), {Logical[I + 3], Logical[I + 2], Logical[I + 1], Logical[I]});
    return File;
}

class OldVersions : public ::testing::TestWithParam<std::tuple<int32_t, int32_t>> {};

TEST_P(OldVersions, AreDecodedExactly) {
    const auto [Version, Level] = GetParam();
    const uint32_t BlocksPerFrame = Version >= 3980 ? 73728 : 294912;
    // Loud enough that the k-based coder escapes, longer than a frame where it is short.
    TPcm Pcm = ApeTestPcm(TApeSignal::Music, int32_t(BlocksPerFrame == 73728 ? 80000 : 20000), 2, 16, 4);
    for (size_t I = 0; I < 400; I += 4) Pcm.Bytes[1000 + I] ^= 0x7F;
    TTempDir Dir;
    WriteFileBytes(Dir.File("old.ape"), OldFile(Pcm, Version, Level, BlocksPerFrame));
    TPcm Decoded;
    ASSERT_EQ(DecodeApe(Dir.File("old.ape"), Decoded), 0);
    EXPECT_EQ(Decoded.Bytes, Pcm.Bytes);
}

INSTANTIATE_TEST_SUITE_P(Versions, OldVersions,
                         ::testing::Combine(::testing::Values(3950, 3980),
                                            ::testing::Values(1000, 3000, 5000)));

} // namespace
} // namespace deraz::test
