// TWaveIn against independent decoders, its header walk, and starting inside compressed data.
#include <gtest/gtest.h>

#include "tests/codecs/WaveTestFiles.h"

namespace deraz::test {
namespace {

struct TInteropCase {
    const char* Name;
    const char* Tool;
    const char* Options;
    int32_t Channels;
    int32_t Rate;
    TWavType Type;
};

class WaveInInterop : public ::testing::TestWithParam<TInteropCase> {};

// PCM and Microsoft ADPCM decode exactly as ffmpeg decodes them. IMA ADPCM decodes exactly as sox
// decodes it (both add up the nibble's step fractions; ffmpeg multiplies and rounds otherwise,
// so it differs by a few steps' rounding), except that we clamp at -32767 where sox clamps at
// -32768: from the first such sample on, samples may differ by one. ADPCM ends where the "fact"
// chunk says, while the tools also pass on the padding of the last block.
TEST_P(WaveInInterop, DecodesLikeTheTools) {
    const TInteropCase& Case = GetParam();
    TTempDir Dir;
    // Not a whole number of ADPCM blocks.
    std::string File = MakeToolWav(Dir, Case.Name, Case.Tool, Case.Options, Case.Channels, Case.Rate, 30001);
    bool EightBit = std::string(Case.Options).find("-b 8") != std::string::npos;

    TWaveIn In;
    In.SetFileName(File);
    EXPECT_EQ(In.Channels(), Case.Channels);
    EXPECT_EQ(In.SampleRate(), Case.Rate);
    EXPECT_EQ(In.BitsPerSample(), EightBit ? 8 : 16);
    std::vector<uint8_t> Ours = ReadAllData(In, 1000);
    EXPECT_TRUE(In.Valid());
    EXPECT_EQ(In.WavType(), Case.Type);
    EXPECT_EQ(In.Position(), In.Size());
    if (Case.Type != wtPCM) {
        EXPECT_EQ(Ours.size(), size_t(FactFrames(File)) * Case.Channels * 2);
    }
    std::vector<uint8_t> Ffmpeg = DecodeWithFfmpeg(File, EightBit ? "u8" : "s16le");
    ASSERT_GE(Ffmpeg.size(), Ours.size());
    Ffmpeg.resize(Ours.size());
    if (Case.Type != wtDVIADPCM) {
        EXPECT_TRUE(Ours == Ffmpeg);
        return;
    }
    std::vector<int16_t> A = BytesToSamples(Ours);
    EXPECT_GT(SignalToNoiseDb(BytesToSamples(Ffmpeg), A), 40.0);
    ASSERT_EQ(RunCommand("sox -V1 " + ShellQuote(File) + " -t s16 " + ShellQuote(Dir.File("sox.raw"))), 0);
    std::vector<int16_t> B = BytesToSamples(ReadFileBytes(Dir.File("sox.raw")));
    ASSERT_GE(B.size(), A.size());
    bool Clamped = false;
    for (size_t I = 0; I < A.size(); ++I) {
        Clamped = Clamped || B[I] == -32768;
        ASSERT_LE(std::abs(A[I] - B[I]), Clamped ? 1 : 0) << "sample " << I;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tools, WaveInInterop,
    ::testing::Values(TInteropCase{"pcm16_mono.wav", "sox", "-b 16", 1, 22050, wtPCM},
                      TInteropCase{"pcm8_stereo.wav", "sox", "-b 8 -e unsigned", 2, 11025, wtPCM},
                      TInteropCase{"ima_mono.wav", "sox", "-e ima-adpcm", 1, 8000, wtDVIADPCM},
                      TInteropCase{"ima_stereo.wav", "sox", "-e ima-adpcm", 2, 44100, wtDVIADPCM},
                      TInteropCase{"ima_mono_1024.wav", "ffmpeg", "-c:a adpcm_ima_wav -block_size 1024", 1,
                                   44100, wtDVIADPCM},
                      TInteropCase{"ima_stereo_2048.wav", "ffmpeg", "-c:a adpcm_ima_wav -block_size 2048", 2,
                                   48000, wtDVIADPCM},
                      TInteropCase{"ms_mono_256.wav", "sox", "-e ms-adpcm", 1, 11025, wtMSADPCM},
                      TInteropCase{"ms_mono_1024.wav", "sox", "-e ms-adpcm", 1, 44100, wtMSADPCM},
                      TInteropCase{"ms_stereo_1024.wav", "sox", "-e ms-adpcm", 2, 22050, wtMSADPCM},
                      TInteropCase{"ms_stereo_2048.wav", "sox", "-e ms-adpcm", 2, 48000, wtMSADPCM},
                      TInteropCase{"ms_stereo_512.wav", "ffmpeg", "-c:a adpcm_ms -block_size 512", 2, 44100,
                                   wtMSADPCM}),
    [](const auto& Info) {
        std::string Name = Info.param.Name;
        return Name.substr(0, Name.find('.'));
    });

// PCM bytes of Frames 16-bit stereo frames of music.
std::vector<uint8_t> StereoMusicBytes(int32_t Frames) {
    std::vector<int16_t> Samples = MusicLikeSignal(Frames, 2, 44100);
    std::vector<uint8_t> Bytes(Samples.size() * 2);
    std::memcpy(Bytes.data(), Samples.data(), Bytes.size());
    return Bytes;
}

TEST(WaveIn, HeaderWalkSkipsForeignChunksAndBytesAndIgnoresCase) {
    TTempDir Dir;
    std::vector<uint8_t> Pcm = StereoMusicBytes(1000);
    std::vector<uint8_t> Image = TRiffImage()
                                     .Chunk("LIST", std::vector<uint8_t>(27, 'x'))
                                     .Chunk("FMT ", FormatBody(1, 2, 44100, 4, 16))
                                     .Chunk("list", std::vector<uint8_t>(10, 0))
                                     .Chunk("Data", Pcm)
                                     .Bytes();
    Image.insert(Image.begin(), {'j', 'u', 'n', 'k', 'R', 'I'});
    WriteFileBytes(Dir.File("odd.wav"), Image);
    TWaveIn In;
    In.SetFileName(Dir.File("odd.wav"));
    EXPECT_EQ(ReadAllData(In), Pcm);
    EXPECT_TRUE(In.Valid());
    EXPECT_EQ(In.Size(), int32_t(Pcm.size()));
    EXPECT_EQ(In.TotalSamples(), 1000);
}

TEST(WaveIn, UnrecognisedFilesDeliverNothing) {
    TTempDir Dir;
    std::vector<std::pair<std::string, TRiffImage>> Files{
        {"no_fact.wav", TRiffImage()
                            .Chunk("fmt ", FormatBody(0x11, 1, 8000, 256, 4, {2, 505}))
                            .Chunk("data", std::vector<uint8_t>(512))},
        {"unknown_tag.wav", TRiffImage()
                                .Chunk("fmt ", FormatBody(0x31, 1, 8000, 65, 0))
                                .Chunk("data", std::vector<uint8_t>(650))},
        {"no_data.wav", TRiffImage().Chunk("fmt ", FormatBody(1, 1, 8000, 2, 16))},
        {"far_data.wav", TRiffImage()
                             .Chunk("fmt ", FormatBody(1, 1, 8000, 2, 16))
                             .Chunk("JUNK", std::vector<uint8_t>(9000))
                             .Chunk("data", std::vector<uint8_t>(100))},
    };
    for (const auto& [Name, Image] : Files) {
        Image.Save(Dir.File(Name));
        TWaveIn In;
        In.SetFileName(Dir.File(Name));
        EXPECT_TRUE(ReadAllData(In).empty()) << Name;
        EXPECT_FALSE(In.Valid()) << Name;
        EXPECT_EQ(In.WavType(), wtUnsupported) << Name;
    }
}

TEST(WaveIn, AdpcmStartSampleStartsAtItsBlock) {
    TTempDir Dir;
    for (const char* Options : {"-e ima-adpcm", "-e ms-adpcm"}) {
        std::string File = MakeToolWav(Dir, "a.wav", "sox", Options, 2, 22050);
        std::vector<uint8_t> Whole = WaveInData(File);
        TWaveIn In;
        In.SetFileName(File);
        int32_t Frames = std::string(Options).find("ima") != std::string::npos ? 505 : 1012; // per block
        In.SetStartSample(Frames * 3 + 17);
        std::vector<uint8_t> FromBlock = ReadAllData(In);
        EXPECT_EQ(In.Size(), (In.TotalSamples() - Frames * 3 - 17) * 4) << Options;
        // From the start of the block holding the sample, Size bytes.
        ASSERT_EQ(FromBlock.size(), size_t(In.Size()));
        EXPECT_TRUE(std::equal(FromBlock.begin(), FromBlock.end(), Whole.begin() + Frames * 3 * 4))
            << Options;
    }
}

TEST(WaveIn, MpegLayer3InWavIsConvertedWhole) {
    TTempDir Dir;
    std::string File =
        MakeToolWav(Dir, "mp3.wav", "ffmpeg", "-c:a libmp3lame -b:a 128k -f wav", 2, 44100, 44100);
    TWaveIn In;
    In.SetFileName(File);
    std::vector<uint8_t> Ours = ReadAllData(In, 5000);
    EXPECT_TRUE(In.Valid());
    EXPECT_EQ(In.WavType(), wtACM);
    EXPECT_EQ(In.BitsPerSample(), 16);
    EXPECT_EQ(In.Channels(), 2);
    EXPECT_EQ(In.SampleRate(), 44100);
    std::vector<uint8_t> Ffmpeg = DecodeWithFfmpeg(File);
    EXPECT_EQ(Ours.size(), Ffmpeg.size());
    EXPECT_GT(SignalToNoiseDb(BytesToSamples(Ffmpeg), BytesToSamples(Ours)), 60.0);
    // The converted PCM is cut like any PCM.
    In.SetStartSample(1000);
    In.SetEndSample(2000);
    EXPECT_EQ(ReadAllData(In), std::vector<uint8_t>(Ours.begin() + 4000, Ours.begin() + 8000));

    TRiffImage()
        .Chunk("fmt ", FormatBody(0x55, 2, 44100, 1, 0, {12, 1, 2, 417, 1, 1393}))
        .Chunk("fact", Le32(44100))
        .Chunk("data", std::vector<uint8_t>(5000, 0x5A))
        .Save(Dir.File("junk.wav"));
    TWaveIn Junk;
    Junk.SetFileName(Dir.File("junk.wav"));
    EXPECT_TRUE(ReadAllData(Junk).empty());
    EXPECT_FALSE(Junk.Valid());
}

} // namespace
} // namespace deraz::test
