// Files written by the reference encoder, which ours must reproduce byte for byte.
#include "macdll/MACDll.h"
#include "tests/macdll/ApeTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace deraz::test {
namespace {

struct TGolden {
    const char* Name;
    int Level;
    int32_t Channels, SampleRate;
    std::vector<int16_t> Samples;
    const char* Hex;
};

std::vector<uint8_t> FromHex(const char* Hex) {
    std::vector<uint8_t> Bytes;
    std::istringstream In(Hex);
    for (unsigned Byte; In >> std::hex >> Byte;) Bytes.push_back(uint8_t(Byte));
    return Bytes;
}

const TGolden Goldens[] = {
    {"mono_ramp_3000",
     3000,
     1,
     8000,
     {0, 100, 200, 300, 400, 300, 200, 100},
     "4d 41 43 20 96 0f 00 00 34 00 00 00 18 00 00 00 04 00 00 00 2c 00 00 00 14 00 00 00 00 00 00 00 "
     "00 00 00 00 21 f4 2e 1b e3 c8 81 ae 16 34 fa ce 86 be 0c bb b8 0b 00 00 00 20 01 00 08 00 00 00 "
     "01 00 00 00 10 00 01 00 40 1f 00 00 7c 00 00 00 52 49 46 46 34 00 00 00 57 41 56 45 66 6d 74 20 "
     "10 00 00 00 01 00 01 00 40 1f 00 00 80 3e 00 00 02 00 10 00 64 61 74 61 10 00 00 00 b3 94 f4 0d "
     "95 04 00 00 a5 4f 3f 6b 4b 73 36 34 00 00 00 00"},
    {"stereo_block_2000",
     2000,
     2,
     44100,
     {1234, -567},
     "4d 41 43 20 96 0f 00 00 34 00 00 00 18 00 00 00 04 00 00 00 2c 00 00 00 10 00 00 00 00 00 00 00 "
     "00 00 00 00 c1 fd a9 25 5c f8 82 c3 07 53 29 9f 49 86 ea 0b d0 07 00 00 00 20 01 00 01 00 00 00 "
     "01 00 00 00 10 00 02 00 44 ac 00 00 7c 00 00 00 52 49 46 46 28 00 00 00 57 41 56 45 66 6d 74 20 "
     "10 00 00 00 01 00 02 00 44 ac 00 00 10 b1 02 00 04 00 10 00 64 61 74 61 04 00 00 00 3a 72 92 39 "
     "3c c6 fb 00 00 00 00 97 00 00 00 00"},
    {"stereo_silence_1000", 1000, 2, 44100, std::vector<int16_t>(20, 0),
     "4d 41 43 20 96 0f 00 00 34 00 00 00 18 00 00 00 04 00 00 00 2c 00 00 00 10 00 00 00 00 00 00 00 "
     "00 00 00 00 09 cb f6 0d c2 5c 81 f6 81 85 7c c5 70 bb fe 1b e8 03 00 00 00 20 01 00 0a 00 00 00 "
     "01 00 00 00 10 00 02 00 44 ac 00 00 7c 00 00 00 52 49 46 46 4c 00 00 00 57 41 56 45 66 6d 74 20 "
     "10 00 00 00 01 00 02 00 44 ac 00 00 10 b1 02 00 04 00 10 00 64 61 74 61 28 00 00 00 d8 1e f6 f4 "
     "07 00 00 00 00 00 01 00 00 00 00 00"},
};

class GoldenFiles : public ::testing::TestWithParam<TGolden> {};

TEST_P(GoldenFiles, EncodersReproduceAndDecoderRestoresTheReferenceFile) {
    const TGolden& G = GetParam();
    const std::vector<uint8_t> Expected = FromHex(G.Hex);
    TPcm Pcm;
    Pcm.Channels = G.Channels;
    Pcm.SampleRate = G.SampleRate;
    Pcm.Bytes.resize(G.Samples.size() * 2);
    std::memcpy(Pcm.Bytes.data(), G.Samples.data(), Pcm.Bytes.size());
    const std::vector<uint8_t> Header = WavHeader(Pcm);
    std::vector<uint8_t> Wav = Header;
    Wav.insert(Wav.end(), Pcm.Bytes.begin(), Pcm.Bytes.end());

    TTempDir Dir;
    // Streaming interface, with the length known and unknown at the start.
    for (int MaxAudioBytes : {int(Pcm.Bytes.size()), -1}) {
        ASSERT_EQ(EncodeApe(Dir.File("api.ape"), Pcm, G.Level, MaxAudioBytes, &Header), 0);
        EXPECT_EQ(ReadFileBytes(Dir.File("api.ape")), Expected) << "MaxAudioBytes " << MaxAudioBytes;
    }
    // Whole-file interface from the WAV file.
    WriteFileBytes(Dir.File("in.wav"), Wav);
    ASSERT_EQ(CompressFile(Dir.File("in.wav").c_str(), Dir.File("file.ape").c_str(), G.Level, nullptr,
                           nullptr, nullptr),
              0);
    EXPECT_EQ(ReadFileBytes(Dir.File("file.ape")), Expected);

    // Decoding the reference file gives the PCM, and the WAV file back byte for byte.
    WriteFileBytes(Dir.File("golden.ape"), Expected);
    TPcm Decoded;
    ASSERT_EQ(DecodeApe(Dir.File("golden.ape"), Decoded), 0);
    EXPECT_EQ(Decoded.Bytes, Pcm.Bytes);
    ASSERT_EQ(DecompressFile(Dir.File("golden.ape").c_str(), Dir.File("out.wav").c_str(), nullptr, nullptr,
                             nullptr),
              0);
    EXPECT_EQ(ReadFileBytes(Dir.File("out.wav")), Wav);
    EXPECT_EQ(VerifyFile(Dir.File("golden.ape").c_str(), nullptr, nullptr, nullptr), 0);
}

INSTANTIATE_TEST_SUITE_P(Reference, GoldenFiles, ::testing::ValuesIn(Goldens),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
} // namespace deraz::test
