// TWaveOut driven through the pipeline's worker: PCM and IMA ADPCM files that independent tools
// read back, appending, and how errors end a conversion.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/codecs/WaveTestFiles.h"

namespace deraz::test {
namespace {

std::string Convert(TACSInput& In, const std::string& FileName, TWavType Type = wtPCM,
                    uint16_t BlockSize = 512, TFileOutputMode Mode = foRewrite) {
    TWaveOut Out;
    Out.SetWavType(Type);
    Out.SetBlockSize(BlockSize);
    Out.SetFileMode(Mode);
    Out.SetFileName(FileName);
    Out.SetInput(&In);
    return RunAndWait(Out);
}

TEST(WaveOut, PcmCopiesExactly) {
    TTempDir Dir;
    std::vector<int16_t> Music = MusicLikeSignal(44100, 2, 44100);
    WritePcmWav(Dir.File("in16.wav"), Music, 2, 44100);
    std::vector<uint8_t> Eight = ToUnsigned8(MusicLikeSignal(12345, 1, 8000));
    WritePcmWav(Dir.File("in8.wav"), Eight.data(), Eight.size(), 1, 8000, 8);
    for (const char* Name : {"in16.wav", "in8.wav"}) {
        TWaveIn In;
        In.SetFileName(Dir.File(Name));
        ASSERT_EQ(Convert(In, Dir.File("out.wav")), "") << Name;
        // The same canonical header and the same data.
        EXPECT_EQ(ReadFileBytes(Dir.File("out.wav")), ReadFileBytes(Dir.File(Name))) << Name;
    }
    // ADPCM in, PCM out: the data TWaveIn decodes, under a header that counts it.
    std::string Ms = MakeToolWav(Dir, "ms.wav", "sox", "-e ms-adpcm", 2, 22050);
    TWaveIn In;
    In.SetFileName(Ms);
    ASSERT_EQ(Convert(In, Dir.File("out.wav")), "");
    std::vector<uint8_t> Out = ReadFileBytes(Dir.File("out.wav"));
    std::vector<uint8_t> Decoded = WaveInData(Ms);
    ASSERT_EQ(Out.size(), 44 + Decoded.size());
    EXPECT_TRUE(std::equal(Decoded.begin(), Decoded.end(), Out.begin() + 44));
    EXPECT_EQ(LittleEndian32(&Out[40]), uint32_t(In.Size()));
}

// The raw samples sox decodes a WAV file to, in the file's own format.
std::vector<uint8_t> DecodeWithSox(const TTempDir& Dir, const std::string& File) {
    std::string Raw = Dir.File("sox.raw");
    if (RunCommand("sox -V1 " + ShellQuote(File) + " -t raw " + ShellQuote(Raw)) != 0) return {};
    return ReadFileBytes(Raw);
}

// A source that foretells less data than it delivers, as an estimated length may.
class TUnderstatingSource : public TMemorySource {
public:
    using TMemorySource::TMemorySource;
    void Init() override {
        TMemorySource::Init();
        FSize = FSize / 2;
    }
};

// Sizes written once the data has been: an unknown size gets room reserved for RF64 sizes, which
// the tools skip; a size stated too small is corrected.
TEST(WaveOut, SizesNotKnownAheadAreWrittenInDone) {
    TTempDir Dir;
    std::vector<int16_t> Music = MusicLikeSignal(3001, 2, 44100);
    std::vector<uint8_t> Bytes = SamplesToBytes(Music);
    TMemorySource Unknown(Music, 2, 44100, false);
    TUnderstatingSource Understated(Bytes, 2, 44100, 16);
    for (TACSInput* In : std::initializer_list<TACSInput*>{&Unknown, &Understated}) {
        std::string File = Dir.File("out.wav");
        ASSERT_EQ(Convert(*In, File), "");
        EXPECT_EQ(DecodeWithFfmpeg(File), Bytes);
        EXPECT_EQ(DecodeWithSox(Dir, File), Bytes);
        EXPECT_EQ(WaveInData(File), Bytes);
    }
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&ReadFileBytes(Dir.File("out.wav"))[12]), 4), "fmt ");
    // IMA ADPCM counts whole blocks, the last one's padding included.
    ASSERT_EQ(Convert(Unknown, Dir.File("ima.wav"), wtDVIADPCM), "");
    std::vector<uint8_t> Ima = ReadFileBytes(Dir.File("ima.wav"));
    EXPECT_EQ(Ima.size(), 60u + 6 * 512);
    EXPECT_EQ(LittleEndian32(&Ima[56]), 6u * 512);
    EXPECT_EQ(LittleEndian32(&Ima[48]), 6u * 505);
}

// Beyond 2 channels or 16 bits the output is WAVE_FORMAT_EXTENSIBLE with the channel mask; the
// tools decode it to the input's samples.
TEST(WaveOut, PcmKeepsTheInputsDepthAndChannels) {
    TTempDir Dir;
    struct TCase {
        int32_t Channels, Bits;
        uint32_t Mask;
    };
    for (TCase Case :
         {TCase{2, 24, 0x3}, TCase{1, 32, 0x4}, TCase{6, 16, 0x3F}, TCase{3, 8, 0x7}, TCase{8, 24, 0x63F}}) {
        SCOPED_TRACE(testing::Message() << Case.Channels << " channels, " << Case.Bits << " bits");
        std::string Source = Dir.File("src.wav"), File = Dir.File("out.wav");
        ASSERT_EQ(RunCommand("sox -V1 -n -r 44100 -b " + std::to_string(Case.Bits) + " -c " +
                             std::to_string(Case.Channels) + " " + ShellQuote(Source) +
                             " synth 0.3 sine 200 sine 300 pluck 410 sine 520 gain -1"),
                  0);
        TWaveIn In;
        In.SetFileName(Source);
        ASSERT_EQ(Convert(In, File), "");
        std::vector<uint8_t> Header = ReadFileBytes(File);
        ASSERT_GE(Header.size(), 68u);
        EXPECT_EQ(LittleEndian16(&Header[20]), 0xFFFE);
        EXPECT_EQ(LittleEndian32(&Header[40]), Case.Mask);
        EXPECT_EQ(DecodeWithSox(Dir, File), DecodeWithSox(Dir, Source));
        std::string Raw = Case.Bits == 8 ? "u8" : "s" + std::to_string(Case.Bits) + "le";
        EXPECT_EQ(DecodeWithFfmpeg(File, Raw), DecodeWithFfmpeg(Source, Raw));
    }
}

// Appending to an RF64 file (made by ffmpeg) updates its "ds64" sizes; appending to our own
// extensible output keeps it extensible.
TEST(WaveOut, AppendsToRf64AndExtensibleFiles) {
    TTempDir Dir;
    std::vector<uint8_t> First(6 * 3000), Second(6 * 1777);
    for (size_t I = 0; I < First.size(); ++I) First[I] = uint8_t(I * 7 + I / 6);
    for (size_t I = 0; I < Second.size(); ++I) Second[I] = uint8_t(I * 13 + 5);
    std::vector<uint8_t> Both = First;
    Both.insert(Both.end(), Second.begin(), Second.end());
    TMemorySource Start(First, 2, 44100, 24);
    ASSERT_EQ(Convert(Start, Dir.File("ours.wav")), "");
    WriteFileBytes(Dir.File("first.raw"), First);
    ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -f s24le -ar 44100 -ac 2 -i " +
                         ShellQuote(Dir.File("first.raw")) + " -c:a pcm_s24le -rf64 always " +
                         ShellQuote(Dir.File("rf64.wav"))),
              0);
    for (const char* Name : {"ours.wav", "rf64.wav"}) {
        SCOPED_TRACE(Name);
        std::string File = Dir.File(Name);
        TMemorySource More(Second, 2, 44100, 24);
        ASSERT_EQ(Convert(More, File, wtPCM, 512, foAppend), "");
        EXPECT_EQ(DecodeWithFfmpeg(File, "s24le"), Both);
        EXPECT_EQ(WaveInData(File), Both);
    }
}

// Our IMA ADPCM output, decoded by sox, by ffmpeg and by TWaveIn, gives the same samples, close to
// the original; the header counts the blocks written.
TEST(WaveOut, ImaAdpcmDecodesAlikeEverywhere) {
    TTempDir Dir;
    struct TCase {
        int32_t Channels, Frames;
        uint16_t BlockSize;
    };
    for (TCase Case :
         {TCase{2, 44100, 512}, TCase{1, 20000, 256}, TCase{2, 9595, 2048}, TCase{1, 1017 * 3, 512}}) {
        SCOPED_TRACE(testing::Message() << Case.Channels << " channels, block " << Case.BlockSize);
        std::vector<int16_t> Music = MusicLikeSignal(Case.Frames, Case.Channels, 44100);
        TMemorySource In(Music, Case.Channels);
        In.ChunkSize = 3333;
        std::string File = Dir.File("ima.wav");
        ASSERT_EQ(Convert(In, File, wtDVIADPCM, Case.BlockSize), "");

        int32_t Spb = ima::FramesPerBlock(Case.BlockSize, Case.Channels);
        std::vector<uint8_t> Bytes = ReadFileBytes(File);
        uint32_t Blocks = uint32_t(Case.Frames / Spb + 1);
        ASSERT_EQ(Bytes.size(), 60 + Blocks * Case.BlockSize);
        EXPECT_EQ(LittleEndian32(&Bytes[56]), Blocks * Case.BlockSize);
        EXPECT_EQ(LittleEndian32(&Bytes[4]), Bytes.size() - 8);
        EXPECT_EQ(LittleEndian32(&Bytes[48]), uint32_t(Case.Frames));
        EXPECT_EQ(LittleEndian32(&Bytes[28]), 44100u / Spb * Case.BlockSize);

        std::vector<int16_t> Ours = BytesToSamples(WaveInData(File));
        // TWaveIn ends where "fact" says, the tools decode every block whole.
        ASSERT_EQ(Ours.size(), size_t(Case.Frames) * Case.Channels);
        ASSERT_EQ(RunCommand("sox -V1 " + ShellQuote(File) + " -t s16 " + ShellQuote(Dir.File("sox.raw"))),
                  0);
        std::vector<int16_t> Sox = BytesToSamples(ReadFileBytes(Dir.File("sox.raw")));
        ASSERT_EQ(Sox.size(), size_t(Blocks) * Spb * Case.Channels);
        EXPECT_TRUE(std::equal(Ours.begin(), Ours.end(), Sox.begin()));
        EXPECT_GT(SignalToNoiseDb(BytesToSamples(DecodeWithFfmpeg(File)), Ours), 40.0);

        // As close to the original as ffmpeg's own encoder gets.
        WritePcmWav(Dir.File("music.wav"), Music, Case.Channels, 44100);
        ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -i " + ShellQuote(Dir.File("music.wav")) +
                             " -c:a adpcm_ima_wav -block_size " + std::to_string(Case.BlockSize) + " " +
                             ShellQuote(Dir.File("ffmpeg.wav"))),
                  0);
        EXPECT_GT(SignalToNoiseDb(Music, Ours),
                  SignalToNoiseDb(Music, BytesToSamples(DecodeWithFfmpeg(Dir.File("ffmpeg.wav")))) - 1.0);
    }
}

TEST(WaveOut, AppendingMatchesWritingInOneGo) {
    TTempDir Dir;
    std::vector<int16_t> Music = MusicLikeSignal(20000, 2, 44100);
    std::vector<int16_t> First(Music.begin(), Music.begin() + 2 * 7001),
        Second(Music.begin() + 2 * 7001, Music.end());
    // Append to a file that does not exist yet, then to the file written.
    for (const auto& Part : {First, Second}) {
        TMemorySource In(Part, 2);
        ASSERT_EQ(Convert(In, Dir.File("appended.wav"), wtPCM, 512, foAppend), "");
    }
    WritePcmWav(Dir.File("whole.wav"), Music, 2, 44100);
    EXPECT_EQ(ReadFileBytes(Dir.File("appended.wav")), ReadFileBytes(Dir.File("whole.wav")));

    // IMA ADPCM: the second part starts a new block; sizes and "fact" count both parts' blocks.
    for (const auto& Part : {First, Second}) {
        TMemorySource In(Part, 2);
        ASSERT_EQ(Convert(In, Dir.File("ima.wav"), wtDVIADPCM, 1024, foAppend), "");
    }
    std::vector<uint8_t> Bytes = ReadFileBytes(Dir.File("ima.wav"));
    uint32_t Blocks = (7001 / 1017 + 1) + (12999 / 1017 + 1);
    EXPECT_EQ(Bytes.size(), 60 + Blocks * 1024);
    EXPECT_EQ(LittleEndian32(&Bytes[48]), Blocks * 1017);
    EXPECT_EQ(BytesToSamples(DecodeWithFfmpeg(Dir.File("ima.wav"))).size(), size_t(Blocks) * 1017 * 2);
    // Appending PCM to it keeps the file's type and block size.
    TWaveOut Out;
    Out.SetFileMode(foAppend);
    Out.SetFileName(Dir.File("ima.wav"));
    TMemorySource In(First, 2);
    Out.SetInput(&In);
    ASSERT_EQ(RunAndWait(Out), "");
    EXPECT_EQ(Out.WavType(), wtDVIADPCM);
    EXPECT_EQ(Out.BlockSize(), 1024);
}

TEST(WaveOut, PrepareRefusesWhatItCannotWrite) {
    TTempDir Dir;
    WritePcmWav(Dir.File("22k.wav"), MusicLikeSignal(100, 2, 22050), 2, 22050);
    std::vector<uint8_t> Eight(1000, 128);
    WritePcmWav(Dir.File("8bit.wav"), Eight.data(), Eight.size(), 1, 8000, 8);
    WriteFileBytes(Dir.File("text.wav"), {'h', 'e', 'l', 'l', 'o'});
    std::vector<uint8_t> Original = ReadFileBytes(Dir.File("22k.wav"));

    TMemorySource Music(MusicLikeSignal(100, 2, 44100), 2);
    EXPECT_EQ(Convert(Music, Dir.File("22k.wav"), wtPCM, 512, foAppend),
              "Cannot append data in different audio format.");
    EXPECT_EQ(ReadFileBytes(Dir.File("22k.wav")), Original);
    EXPECT_EQ(Convert(Music, Dir.File("text.wav"), wtPCM, 512, foAppend),
              "Cannot append data to this .wav file.");
    EXPECT_EQ(Convert(Music, ""), "File name is not assigned.");
    TWaveIn EightBit;
    EightBit.SetFileName(Dir.File("8bit.wav"));
    EXPECT_EQ(Convert(EightBit, Dir.File("out.wav"), wtDVIADPCM), "Cannot encode 8 bit sound into ADPCM.");
    EXPECT_FALSE(EightBit.Busy());
    TWaveIn Self;
    Self.SetFileName(Dir.File("8bit.wav"));
    EXPECT_EQ(Convert(Self, Dir.File("8bit.wav")),
              "The output file is the input file: " + Dir.File("8bit.wav"));
    EXPECT_EQ(ReadFileBytes(Dir.File("8bit.wav")).size(), 1044u);
}

TEST(WaveOut, SettersKeepOnlyWhatTheWriterSupports) {
    TWaveOut Out;
    Out.SetWavType(wtMSADPCM);
    Out.SetWavType(wtACM);
    EXPECT_EQ(Out.WavType(), wtPCM);
    Out.SetBlockSize(510);
    Out.SetBlockSize(0);
    EXPECT_EQ(Out.BlockSize(), 512);
    Out.SetBlockSize(1024);
    EXPECT_EQ(Out.BlockSize(), 1024);
}

TEST(WaveOut, WriteErrorEndsTheConversionWithItsReason) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TMemorySource In(MusicLikeSignal(44100, 2, 44100), 2);
    std::string Error = Convert(In, "/dev/full");
    EXPECT_NE(Error.find("No space left on device"), std::string::npos) << Error;
    EXPECT_FALSE(In.Busy());
}

// A failing input is a failed conversion, not a complete one; what came before is still a
// well-formed file.
TEST(WaveOut, FailingInputFailsTheConversionAndFinishesTheFile) {
    TTempDir Dir;
    std::vector<int16_t> Music = MusicLikeSignal(20000, 1, 44100);
    TMemorySource In(Music, 1);
    In.Hook = [](int32_t Delivered) {
        if (Delivered >= 20000) throw EACSException("read failed");
    };
    ASSERT_EQ(Convert(In, Dir.File("out.wav")), "read failed");
    std::vector<uint8_t> Data = WaveInData(Dir.File("out.wav"));
    EXPECT_EQ(Data.size(), 20000u);
}

// A stop leaves the header that Prepare wrote for PCM, while IMA ADPCM counts what was written.
TEST(WaveOut, StopFinishesTheFile) {
    TTempDir Dir;
    for (TWavType Type : {wtPCM, wtDVIADPCM}) {
        std::vector<int16_t> Music = MusicLikeSignal(44100, 2, 44100);
        TMemorySource In(Music, 2);
        In.ChunkSize = 4040;
        TWaveOut Out;
        Out.SetWavType(Type);
        Out.SetFileName(Dir.File("stopped.wav"));
        Out.SetInput(&In);
        In.Hook = [&Out](int32_t Delivered) {
            if (Delivered >= 8 * 4040) Out.Stop();
        };
        ASSERT_EQ(RunAndWait(Out), "");
        std::vector<uint8_t> Bytes = ReadFileBytes(Dir.File("stopped.wav"));
        if (Type == wtPCM) {
            EXPECT_EQ(LittleEndian32(&Bytes[40]), 176400u);
            EXPECT_EQ(Bytes.size(), 44u + 9 * 4040);
        } else {
            EXPECT_EQ(Bytes.size(), 60u + 17 * 512); // 9 × 4040 bytes make 18 blocks' worth
            EXPECT_EQ(LittleEndian32(&Bytes[56]), Bytes.size() - 60);
            EXPECT_EQ(LittleEndian32(&Bytes[48]), 17u * 505);
        }
    }
}

} // namespace
} // namespace deraz::test
