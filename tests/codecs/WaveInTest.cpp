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

// Chunks of any size and count before "data", odd sizes padded or (by writers that do not pad)
// not, IDs in any case, bytes before "RIFF".
TEST(WaveIn, HeaderWalkSkipsForeignChunksAndBytesAndIgnoresCase) {
    TTempDir Dir;
    std::vector<uint8_t> Pcm = SamplesToBytes(MusicLikeSignal(1000, 2, 44100));
    std::vector<uint8_t> Image = TRiffImage()
                                     .Chunk("LIST", std::vector<uint8_t>(27, 'x'))
                                     .Chunk("FMT ", FormatBody(1, 2, 44100, 4, 16))
                                     .Chunk("JUNK", std::vector<uint8_t>(100000, 0))
                                     .Chunk("id3 ", std::vector<uint8_t>(5, 'I'))
                                     .Raw({0})
                                     .Chunk("list", std::vector<uint8_t>(10, 0))
                                     .Chunk("Data", Pcm)
                                     .Bytes();
    Image.insert(Image.begin(), {'j', 'u', 'n', 'k', 'R', 'I'});
    WriteFileBytes(Dir.File("odd.wav"), Image);
    TWaveIn In;
    In.SetFileName(Dir.File("odd.wav"));
    EXPECT_EQ(ReadAllData(In), Pcm);
    EXPECT_TRUE(In.Valid());
    EXPECT_EQ(In.Size(), int64_t(Pcm.size()));
    EXPECT_EQ(In.TotalSamples(), 1000);
}

// An extensible "fmt " body: the 16 common bytes with tag 0xFFFE, then the extension with the
// sub-format GUID whose first bytes are SubTag and the rest Suffix.
std::vector<uint8_t> ExtensibleBody(uint16_t Channels, uint16_t Bits, uint16_t SubTag,
                                    uint8_t SuffixStart = 0) {
    std::vector<uint16_t> Extension{
        22, Bits, 3, 0, SubTag, 0, 0, 0x10, uint16_t(0x80 | SuffixStart), 0xAA00, 0x3800, 0x719B};
    return FormatBody(0xFFFE, Channels, 48000, uint16_t(Channels * Bits / 8), Bits, Extension);
}

TEST(WaveIn, UnreadableFilesDeliverNothingAndSayWhy) {
    TTempDir Dir;
    struct TCase {
        TRiffImage Image;
        const char* Error;
    };
    std::vector<TCase> Cases{
        {TRiffImage()
             .Chunk("fmt ", FormatBody(0x11, 1, 8000, 256, 4, {2, 505}))
             .Chunk("data", std::vector<uint8_t>(512)),
         "The \"fact\" chunk is missing."},
        {TRiffImage()
             .Chunk("fmt ", FormatBody(0x161, 1, 8000, 65, 0))
             .Chunk("data", std::vector<uint8_t>(650)),
         "WAV format tag 0x0161 is not supported."},
        {TRiffImage().Chunk("fmt ", ExtensibleBody(2, 16, 2)).Chunk("data", std::vector<uint8_t>(64)),
         "WAV sub-format 0x0002 is not supported."},
        {TRiffImage().Chunk("fmt ", ExtensibleBody(2, 16, 1, 1)).Chunk("data", std::vector<uint8_t>(64)),
         "WAV sub-format 00000001-0000-0010-8100-00AA00389B71 is not supported."},
        {TRiffImage().Chunk("fmt ", ExtensibleBody(9, 16, 1)).Chunk("data", std::vector<uint8_t>(64)),
         "WAV with 9 channels is not supported."},
        {TRiffImage().Chunk("fmt ", FormatBody(1, 1, 8000, 2, 12)).Chunk("data", std::vector<uint8_t>(64)),
         "WAV with 12 bits per sample is not supported."},
        {TRiffImage().Chunk("fmt ", FormatBody(3, 1, 8000, 2, 16)).Chunk("data", std::vector<uint8_t>(64)),
         "Floating-point WAV with 16 bits per sample is not supported."},
        {TRiffImage().Chunk("fmt ", std::vector<uint8_t>(12)).Chunk("data", std::vector<uint8_t>(64)),
         "The \"fmt \" chunk is damaged."},
        {TRiffImage().Chunk("fmt ", FormatBody(1, 1, 8000, 2, 16)), "The \"data\" chunk is missing."},
        {TRiffImage().Chunk("data", std::vector<uint8_t>(64)).Chunk("fmt ", FormatBody(1, 1, 8000, 2, 16)),
         "The \"data\" chunk comes before the \"fmt \" chunk."},
        {TRiffImage()
             .Chunk("fmt ", FormatBody(1, 1, 8000, 2, 16))
             .Raw({'b', 'e', 'x', 't', 0, 0, 0, 1})
             .Raw(std::vector<uint8_t>(64)),
         "The \"bext\" chunk passes the end of the file."},
        {TRiffImage().Chunk("ds64", std::vector<uint8_t>(8)).Chunk("fmt ", FormatBody(1, 1, 8000, 2, 16)),
         "The \"ds64\" chunk is damaged."},
        {TRiffImage()
             .Chunk("fmt ", FormatBody(2, 3, 22050, 768, 4, {32, 200, 7}))
             .Chunk("fact", Le32(200))
             .Chunk("data", std::vector<uint8_t>(768)),
         "ADPCM with 3 channels is not supported."},
    };
    for (const TCase& Case : Cases) {
        Case.Image.Save(Dir.File("bad.wav"));
        TWaveIn In;
        In.SetFileName(Dir.File("bad.wav"));
        EXPECT_TRUE(ReadAllData(In).empty()) << Case.Error;
        EXPECT_FALSE(In.Valid()) << Case.Error;
        EXPECT_EQ(In.DecodeError(), Case.Error);
    }
    WriteFileBytes(Dir.File("text.wav"), std::vector<uint8_t>(100, 'a'));
    TWaveIn Text;
    Text.SetFileName(Dir.File("text.wav"));
    EXPECT_EQ(Text.Channels(), 0);
    EXPECT_EQ(Text.DecodeError(), "The file has no RIFF WAVE header.");
}

struct TToolCase {
    const char* Name;
    int32_t Channels;
    int32_t SourceBits;
    const char* Options;
    // Replaces the file's first four bytes when set.
    const char* Magic;
};

// The WAV variants ffmpeg writes (extensible, float, RF64, chunks before "data") deliver exactly the
// samples of the integer source they were made from; float as 24-bit.
TEST(WaveIn, ToolMadeVariantsReadExactly) {
    TTempDir Dir;
    const TToolCase Cases[]{
        {"ext16_51", 6, 16, "-c:a pcm_s16le", nullptr},
        {"ext8_3", 3, 8, "-c:a pcm_u8", nullptr},
        {"ext24", 2, 24, "-c:a pcm_s24le", nullptr},
        {"ext32", 2, 32, "-c:a pcm_s32le", nullptr},
        {"float32", 2, 24, "-c:a pcm_f32le", nullptr},
        {"float64_71", 8, 24, "-c:a pcm_f64le", nullptr},
        {"rf64", 6, 24, "-c:a pcm_s24le -rf64 always", nullptr},
        {"bw64", 2, 16, "-c:a pcm_s16le -rf64 always", "BW64"},
        {"chunks", 2, 16, "-c:a pcm_s16le -rf64 auto -write_bext 1 -metadata title=Song", nullptr},
    };
    for (const TToolCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        std::string Source = Dir.File(std::string(Case.Name) + ".src.wav"),
                    File = Dir.File(std::string(Case.Name) + ".wav");
        std::string Raw = Case.SourceBits == 8 ? "u8" : "s" + std::to_string(Case.SourceBits) + "le";
        ASSERT_EQ(RunCommand("sox -V1 -n -r 48000 -b " + std::to_string(Case.SourceBits) + " -c " +
                             std::to_string(Case.Channels) + " " + ShellQuote(Source) +
                             " synth 0.5 sine 200 sine 300 sine 410 sine 520 pluck 630 sine 740 sine 850 "
                             "sine 960 gain -2"),
                  0);
        ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -i " + ShellQuote(Source) + " " + Case.Options +
                             " " + ShellQuote(File)),
                  0);
        if (Case.Magic) {
            std::vector<uint8_t> Bytes = ReadFileBytes(File);
            std::memcpy(Bytes.data(), Case.Magic, 4);
            WriteFileBytes(File, Bytes);
        }
        TWaveIn In;
        In.SetFileName(File);
        std::vector<uint8_t> Ours = ReadAllData(In, 1001);
        ASSERT_TRUE(In.Valid()) << In.DecodeError();
        EXPECT_EQ(In.Channels(), Case.Channels);
        EXPECT_EQ(In.SampleRate(), 48000);
        EXPECT_EQ(In.BitsPerSample(), Case.SourceBits);
        EXPECT_EQ(In.TotalSamples(), 24000);
        EXPECT_EQ(In.Note().empty(), std::string(Case.Options).find("pcm_f") == std::string::npos)
            << In.Note();
        EXPECT_TRUE(Ours == DecodeWithFfmpeg(Source, Raw));
    }
}

// Float beyond full scale is clipped; the Note says what was done.
TEST(WaveIn, FloatIsClippedToTwentyFourBits) {
    TTempDir Dir;
    std::vector<float> Samples{0.5f, -0.25f, 1.5f, -2.0f, 1.0f, -1.0f, 0.0f, 1.0f / 8388608};
    std::vector<uint8_t> Data(Samples.size() * 4);
    std::memcpy(Data.data(), Samples.data(), Data.size());
    TRiffImage().Chunk("fmt ", FormatBody(3, 2, 44100, 8, 32)).Chunk("data", Data).Save(Dir.File("f.wav"));
    TWaveIn In;
    In.SetFileName(Dir.File("f.wav"));
    std::vector<uint8_t> Bytes = ReadAllData(In);
    std::vector<int32_t> Got;
    for (size_t I = 0; I + 3 <= Bytes.size(); I += 3)
        Got.push_back(
            int32_t(uint32_t(Bytes[I]) << 8 | uint32_t(Bytes[I + 1]) << 16 | uint32_t(Bytes[I + 2]) << 24) >>
            8);
    EXPECT_EQ(Got, (std::vector<int32_t>{4194304, -2097152, 8388607, -8388608, 8388607, -8388608, 0, 1}));
    EXPECT_EQ(In.Note(), "32-bit float samples were written as 24-bit integers, clipped at full scale.");
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
