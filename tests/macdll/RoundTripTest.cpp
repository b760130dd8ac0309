// Encoding and decoding through the library gives the PCM back at every level, bit depth and
// channel count; ffmpeg, an independent decoder, agrees where it is known to be exact.
#include "macdll/MACDll.h"
#include "tests/macdll/ApeTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace deraz::test {
namespace {

using TFormatCase = std::tuple<int /*Bits*/, int /*Channels*/, int /*Level*/>;

class RoundTrip : public ::testing::TestWithParam<TFormatCase> {};

TEST_P(RoundTrip, MusicAndFullScaleNoiseComeBackExactly) {
    const auto [Bits, Channels, Level] = GetParam();
    TTempDir Dir;
    const bool FfmpegExact = !(Bits == 24 && Level == 5000); // ffmpeg 5.1 misreads these
    const bool UseFfmpeg = FfmpegExact && ToolAvailable("ffmpeg");
    for (TApeSignal Signal : {TApeSignal::Music, TApeSignal::FullScaleNoise}) {
        const TPcm Pcm = ApeTestPcm(Signal, 3001, Channels, Bits, uint32_t(Level + Bits));
        const std::string File = Dir.File("out.ape");
        ASSERT_EQ(EncodeApe(File, Pcm, Level), 0);
        TPcm Decoded;
        ASSERT_EQ(DecodeApe(File, Decoded), 0);
        EXPECT_EQ(Decoded.Bytes, Pcm.Bytes) << "signal " << int(Signal);
        EXPECT_EQ(Decoded.Channels, Channels);
        EXPECT_EQ(Decoded.Bits, Bits);
        if (UseFfmpeg) {
            EXPECT_EQ(DecodeWithFfmpegChecked(File, Bits), Pcm.Bytes) << "ffmpeg, signal " << int(Signal);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTrip,
                         ::testing::Combine(::testing::Values(8, 16, 24), ::testing::Values(1, 2),
                                            ::testing::Values(1000, 2000, 3000, 4000, 5000)),
                         [](const auto& Info) {
                             return std::to_string(std::get<0>(Info.param)) + "bit_" +
                                    std::to_string(std::get<1>(Info.param)) + "ch_" +
                                    std::to_string(std::get<2>(Info.param));
                         });

// Lengths around the frame size of level 1000 (73,728 blocks): one block, one short of a
// frame, exactly one frame (the last frame full), one block more.
class FrameBoundary : public ::testing::TestWithParam<int32_t> {};

TEST_P(FrameBoundary, LengthsAroundOneFrame) {
    const int32_t Blocks = GetParam();
    TTempDir Dir;
    const TPcm Pcm = ApeTestPcm(TApeSignal::Music, Blocks, 2, 16, uint32_t(Blocks));
    const std::string File = Dir.File("out.ape");
    ASSERT_EQ(EncodeApe(File, Pcm, 1000), 0);
    TPcm Decoded;
    ASSERT_EQ(DecodeApe(File, Decoded), 0);
    EXPECT_EQ(Decoded.Bytes, Pcm.Bytes);
    int Error = 0;
    APE_DECOMPRESS_HANDLE Handle = c_APEDecompress_Create(File.c_str(), &Error);
    ASSERT_NE(Handle, nullptr);
    EXPECT_EQ(c_APEDecompress_GetInfo(Handle, APE_INFO_TOTAL_FRAMES, 0, 0), (Blocks + 73727) / 73728);
    EXPECT_EQ(c_APEDecompress_GetInfo(Handle, APE_INFO_FINAL_FRAME_BLOCKS, 0, 0), (Blocks - 1) % 73728 + 1);
    c_APEDecompress_Destroy(Handle);
    if (ToolAvailable("ffmpeg")) {
        EXPECT_EQ(DecodeWithFfmpegChecked(File, 16), Pcm.Bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Level1000, FrameBoundary, ::testing::Values(1, 73727, 73728, 73729));

// Whole frames that are silent, pseudo-stereo, or silent in one channel take the special-code
// paths of the 16-bit coder.
TEST(SpecialFrames, SilentPseudoStereoAndOneChannelSilentFrames) {
    TTempDir Dir;
    const TPcm Pcm = ApeTestPcm(TApeSignal::SpecialFrames, 5 * 73728 + 100, 2, 16);
    for (int Level : {1000, 3000}) {
        const std::string File = Dir.File("special.ape");
        ASSERT_EQ(EncodeApe(File, Pcm, Level), 0);
        TPcm Decoded;
        ASSERT_EQ(DecodeApe(File, Decoded), 0);
        EXPECT_EQ(Decoded.Bytes, Pcm.Bytes) << "level " << Level;
        if (ToolAvailable("ffmpeg")) {
            EXPECT_EQ(DecodeWithFfmpegChecked(File, 16), Pcm.Bytes) << "level " << Level;
        }
    }
}

// The WAV wrapper: chunks before and after the audio and an odd 8-bit payload with its pad
// byte come back byte for byte.
TEST(WavWrapper, ExtraChunksAndPadByteAreRestored) {
    TTempDir Dir;
    const TPcm Pcm = ApeTestPcm(TApeSignal::Music, 1001, 1, 8);
    std::vector<uint8_t> Wav = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E',
                                'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
    const std::vector<uint8_t> Header = WavHeader(Pcm);
    Wav.insert(Wav.end(), Header.begin() + 12, Header.end()); // fmt and data chunks
    Wav.insert(Wav.end(), Pcm.Bytes.begin(), Pcm.Bytes.end());
    const std::vector<uint8_t> Trailer = {0, 'i', 'd', '3', ' ', 3, 0, 0, 0, 'x', 'y', 'z', 0};
    Wav.insert(Wav.end(), Trailer.begin(), Trailer.end());
    const uint32_t RiffBytes = uint32_t(Wav.size() - 8);
    std::memcpy(&Wav[4], &RiffBytes, 4);
    WriteFileBytes(Dir.File("in.wav"), Wav);
    auto Compress = [&](const std::string& In, const std::string& Out, int Level) {
        return In.ends_with(".wav") ? CompressFile(In.c_str(), Out.c_str(), Level, nullptr, nullptr, nullptr)
                                    : ConvertFile(In.c_str(), Out.c_str(), Level, nullptr, nullptr, nullptr);
    };
    auto Decompressed = [&](const std::string& In) {
        EXPECT_EQ(DecompressFile(In.c_str(), Dir.File("back.wav").c_str(), nullptr, nullptr, nullptr), 0);
        return ReadFileBytes(Dir.File("back.wav"));
    };
    for (int Level : {1000, 4000}) {
        ASSERT_EQ(Compress(Dir.File("in.wav"), Dir.File("out.ape"), Level), 0);
        EXPECT_EQ(Decompressed(Dir.File("out.ape")), Wav);
        if (ToolAvailable("ffmpeg")) {
            EXPECT_EQ(DecodeWithFfmpegChecked(Dir.File("out.ape"), 8), Pcm.Bytes);
        }
        // Recompressing at another level keeps the wrapper too.
        ASSERT_EQ(Compress(Dir.File("out.ape"), Dir.File("conv.ape"), 2000), 0);
        EXPECT_EQ(Decompressed(Dir.File("conv.ape")), Wav);
    }
}

} // namespace
} // namespace deraz::test
