// WAV and Monkey's Audio info readers: sox files against ffprobe, hand-built headers.
#include "analysis/Monkey.h"
#include "analysis/WAVfile.h"
#include "codecs/wave/ACS_Wave.h"
#include "tests/analysis/AnalysisTestSupport.h"
#include "tests/support/RiffImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace deraz::test {
namespace {

TEST(WAVfile, AgreesWithFfprobeOnSoxFiles) {
    struct TCase {
        int Rate, Channels, Bits;
    };
    TTempDir Dir;
    for (TCase C : {TCase{44100, 2, 16}, TCase{8000, 1, 8}, TCase{48000, 2, 24}, TCase{22050, 1, 16}}) {
        std::string File = MakeWav(Dir, "s.wav", 2.5, C.Rate, C.Channels, C.Bits);
        TProbe P = Probe(File);
        TWAVfile W;
        ASSERT_TRUE(W.LoadFile(File));
        ASSERT_TRUE(W.Valid());
        EXPECT_EQ(W.SampleRate(), uint32_t(P.SampleRate));
        EXPECT_EQ(W.Channels(), P.Channels);
        EXPECT_EQ(W.BitsPerSample(), C.Bits);
        EXPECT_NEAR(W.Duration(), P.Duration, 1e-6);
        EXPECT_DOUBLE_EQ(W.Bitrate() * 1000, double(P.StreamBitRate));
    }
    TWAVfile W;
    ASSERT_TRUE(W.LoadFile(MakeWav(Dir, "cd.wav", 1, 44100, 2)));
    EXPECT_DOUBLE_EQ(W.Bitrate(), 1411.2);
}

// A WAV header with a fmt chunk of FmtSize bytes, then a chunk of DataSize bytes of which
// Present are in the file.
TBytes WavHeader(uint32_t FmtSize, uint32_t DataSize, uint32_t Present) {
    auto Format = FormatBody(1, 2, 44100, 4, 16);
    Format.resize(FmtSize);
    TBytes Data{'d', 'a', 't', 'a'};
    AppendLE32(Data, DataSize);
    Data.resize(Data.size() + Present);
    return TRiffImage().Chunk("fmt ", Format).Raw(Data).Bytes();
}

TEST(WAVfile, HeaderQuirksAndRejects) {
    TTempDir Dir;
    std::string File = Dir.File("h.wav");
    WriteFileBytes(File, WavHeader(18, 17640, 17640));
    TWAVfile W;
    ASSERT_TRUE(W.LoadFile(File));
    EXPECT_EQ(W.HeaderSize(), 46u);
    EXPECT_EQ(W.SampleCount(), 4410u);
    EXPECT_DOUBLE_EQ(W.Duration(), 0.1);

    // Without a data size the duration comes from the RIFF size.
    WriteFileBytes(File, WavHeader(16, 0, 176400));
    ASSERT_TRUE(W.LoadFile(File));
    EXPECT_EQ(W.SampleCount(), 0u);
    EXPECT_DOUBLE_EQ(W.Duration(), 1.0);

    TBytes Bytes = WavHeader(16, 4, 4);
    Bytes[22] = 0; // no channels
    WriteFileBytes(File, Bytes);
    EXPECT_TRUE(W.LoadFile(File));
    EXPECT_FALSE(W.Valid());
    EXPECT_EQ(W.Duration(), 0.0);
    WriteFileBytes(File, TBytes(10, 'x'));
    EXPECT_TRUE(W.LoadFile(File));
    EXPECT_FALSE(W.Valid());
    EXPECT_FALSE(W.LoadFile(Dir.File("missing.wav")));
    EXPECT_FALSE(W.LoadFile(Dir.Path().string()));
}

TEST(WAVfile, ChunksBeforeDataInAnyOrderAndNumber) {
    TTempDir Dir;
    std::string File = Dir.File("c.wav");
    for (bool Padded : {true, false}) {
        SCOPED_TRACE(Padded);
        TRiffImage Image;
        Image.Chunk("LIST", TBytes(27, 'l'), Padded)
            .Chunk("bext", TBytes(602, 'b'), Padded)
            .Chunk("fmt ", FormatBody(1, 2, 44100, 4, 16), Padded)
            .Chunk("id3 ", TBytes(11, 'i'), Padded)
            .Chunk("JUNK", TBytes(28, 0), Padded)
            .Chunk("PAD ", TBytes(3, 0), Padded)
            .Chunk("fact", Le32(99), Padded);
        size_t DataOffset = Image.Bytes().size() + 8;
        TBytes Bytes =
            Image.Chunk("data", TBytes(17640, 0), Padded).Chunk("LIST", TBytes(100, 'l'), Padded).Bytes();
        WriteFileBytes(File, Bytes);
        TWAVfile W;
        ASSERT_TRUE(W.LoadFile(File));
        ASSERT_TRUE(W.Valid());
        EXPECT_EQ(W.HeaderSize(), DataOffset);
        EXPECT_EQ(W.SampleCount(), 4410u); // PCM counts its data, whatever "fact" says
        EXPECT_DOUBLE_EQ(W.Duration(), 0.1);
        EXPECT_EQ(W.FileSize(), Bytes.size());
    }
}

TEST(WAVfile, AdpcmCountsTheFactFramesThatItsBlocksHold) {
    TTempDir Dir;
    std::string File = Dir.File("a.wav");
    // IMA ADPCM, mono, 256-byte blocks of 505 frames.
    auto Format = FormatBody(0x11, 1, 44100, 256, 4, {2, 505});
    PutLittleEndian32(&Format[8], 22311); // the byte rate its encoder wrote
    for (uint32_t Fact : {1000u, 5000000u}) {
        TBytes Bytes = TRiffImage()
                           .Chunk("fmt ", Format)
                           .Chunk("fact", Le32(Fact))
                           .Chunk("data", TBytes(512, 0x11))
                           .Bytes();
        WriteFileBytes(File, Bytes);
        TWAVfile W;
        ASSERT_TRUE(W.LoadFile(File));
        // A count beyond the two blocks (a file written to a pipe) is cut to what they hold.
        EXPECT_EQ(W.SampleCount(), std::min(Fact, 1010u));
        EXPECT_DOUBLE_EQ(W.Duration(), std::min(Fact, 1010u) / 44100.0);
        EXPECT_DOUBLE_EQ(W.Bitrate(), 22311 * 8 / 1000.0);
    }
}

TEST(WAVfile, Rf64BeyondFourGigabytes) {
    TTempDir Dir;
    std::string File = Dir.File("big.wav");
    const uint64_t DataBytes = (5ull << 30) + 8;
    TBytes Ds64;
    for (uint64_t Value : {DataBytes + 72, DataBytes, DataBytes / 4}) {
        AppendLE32(Ds64, uint32_t(Value));
        AppendLE32(Ds64, uint32_t(Value >> 32));
    }
    AppendLE32(Ds64, 0);
    TBytes Bytes = TRiffImage()
                       .Chunk("ds64", Ds64)
                       .Chunk("fmt ", FormatBody(1, 2, 44100, 4, 16))
                       .Raw({'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0xFF})
                       .Bytes();
    std::memcpy(Bytes.data(), "RF64\xFF\xFF\xFF\xFF", 8);
    ASSERT_EQ(Bytes.size(), 80u);
    WriteFileBytes(File, Bytes);
    std::filesystem::resize_file(File, 80 + DataBytes); // sparse: no disk space taken
    TWAVfile W;
    ASSERT_TRUE(W.LoadFile(File));
    ASSERT_TRUE(W.Valid());
    EXPECT_EQ(W.SampleCount(), DataBytes / 4);
    EXPECT_DOUBLE_EQ(W.Duration(), double(DataBytes / 4) / 44100);
    EXPECT_EQ(W.FileSize(), DataBytes + 80);
    EXPECT_EQ(W.HeaderSize(), 80u);
}

// --info and a conversion read one header walk: on the same file the analysis reader and the WAV
// source agree on where the data starts and how many frames it holds.
void ExpectSameReading(const std::string& File) {
    TWAVfile Info;
    Info.LoadFile(File);
    TFileStream Stream(File, TFileOpenMode::ReadOnly);
    TFileWaveSource Source(Stream);
    TWaveHeader Header = WalkWaveHeader(Source);
    TWaveIn In;
    In.SetFileName(File);
    In.OpenFile();
    if (Header.WavType == wtUnsupported) {
        EXPECT_FALSE(In.Valid());
        return;
    }
    ASSERT_TRUE(Info.Valid());
    EXPECT_EQ(Info.HeaderSize(), uint64_t(Header.DataOffset));
    EXPECT_EQ(int64_t(Info.SampleCount()), In.TotalSamples());
    In.CloseFile();
}

TEST(WAVfile, ReadsEveryHeaderAsTheWavSourceDoes) {
    TTempDir Dir;
    const std::string Sine = MakeWav(Dir, "s.wav", 0.2, 44100, 2);
    const std::string Ffmpeg = "ffmpeg -nostdin -v error -y -i " + ShellQuote(Sine) + " ";
    RunTool(Ffmpeg + "-metadata title=odd -metadata artist=abcd " + ShellQuote(Dir.File("list.wav")));
    RunTool(Ffmpeg + "-rf64 always " + ShellQuote(Dir.File("rf64.wav")));
    std::vector<std::string> Files{Sine, Dir.File("list.wav"), Dir.File("rf64.wav")};
    // Odd-sized chunks before and after "fmt ": padded with a zero, with another byte, or not at all.
    const TBytes Data(4 * 441, 0x5A);
    for (int Pad : {0, 0xFF, -1}) {
        TBytes PadByte = Pad >= 0 ? TBytes{uint8_t(Pad)} : TBytes{};
        TBytes Bytes = TRiffImage()
                           .Chunk("LIST", TBytes(27, 'l'))
                           .Raw(PadByte)
                           .Chunk("fmt ", FormatBody(1, 2, 44100, 4, 16))
                           .Chunk("id3 ", TBytes(5, 'i'))
                           .Raw(PadByte)
                           .Chunk("data", Data)
                           .Bytes();
        Files.push_back(Dir.File("odd" + std::to_string(Pad) + ".wav"));
        WriteFileBytes(Files.back(), Bytes);
    }
    for (const std::string& File : Files) {
        SCOPED_TRACE(File);
        TWAVfile Info;
        ASSERT_TRUE(Info.LoadFile(File));
        EXPECT_EQ(Info.Duration(), Info.SampleCount() / 44100.0);
        EXPECT_GT(Info.SampleCount(), 0u);
        ExpectSameReading(File);
    }
    // The command line shows the length of the hand-built files that a conversion writes.
    for (int Pad : {0, 0xFF, -1}) {
        const std::string Odd = Dir.File("odd" + std::to_string(Pad) + ".wav");
        std::string Shown;
        ASSERT_EQ(RunConverter("--info " + ShellQuote(Odd), &Shown), 0);
        EXPECT_NE(Shown.find("Duration: .010 sec."), std::string::npos) << Shown;
        RunTool(ShellQuote(ConverterProgram()) + " -q -f wav -o " + ShellQuote(Dir.File("out")) + " " +
                ShellQuote(Odd));
        TWAVfile Converted;
        ASSERT_TRUE(Converted.LoadFile(Dir.File("out/odd" + std::to_string(Pad) + ".wav")));
        EXPECT_EQ(Converted.SampleCount(), Data.size() / 4);
    }
    // Cut at every length, with "data" deferring to a "ds64" chunk or to the end of the file: both
    // stay inside the file (the sanitizer builds check that) and still agree.
    TBytes Odd = ReadFileBytes(Files.back());
    std::fill_n(Odd.end() - ptrdiff_t(Data.size()) - 4, 4, 0xFF);
    for (const TBytes& Bytes : {Odd, ReadFileBytes(Dir.File("rf64.wav"))}) {
        for (size_t Length = 0; Length <= Bytes.size(); Length += Length < 120 ? 1 : 97) {
            WriteFileBytes(Dir.File("cut.wav"), TBytes(Bytes.begin(), Bytes.begin() + Length));
            ExpectSameReading(Dir.File("cut.wav"));
        }
    }
}

struct TMonkeyHeader {
    uint16_t Version = 3990;
    uint16_t Level = 2000;
    uint16_t Flags = 0;
    uint16_t Channels = 2;
    uint32_t SampleRate = 44100;
    uint32_t BlocksPerFrame = 73728;
    uint32_t TotalFrames = 3;
    uint32_t FinalFrameBlocks = 1000;
    uint32_t DescriptorBytes = 52;
    uint16_t Bits = 16;
};

// A Monkey's Audio file with the given header and Payload bytes of frame data.
TBytes MonkeyFile(const TMonkeyHeader& H, size_t Payload) {
    TBytes F;
    Append(F, "MAC ");
    AppendLE16(F, H.Version);
    if (H.Version < 3980) {
        AppendLE16(F, H.Level);
        AppendLE16(F, H.Flags);
        AppendLE16(F, H.Channels);
        AppendLE32(F, H.SampleRate);
        AppendLE32(F, 44);
        AppendLE32(F, 0);
        AppendLE32(F, H.TotalFrames);
        AppendLE32(F, H.FinalFrameBlocks);
        AppendZeros(F, 4);
    } else {
        AppendLE16(F, 0);
        AppendLE32(F, H.DescriptorBytes);
        AppendLE32(F, 24);
        for (int I = 0; I < 5; ++I) AppendLE32(F, 0);
        AppendZeros(F, 16 + H.DescriptorBytes - 52);
        AppendLE16(F, H.Level);
        AppendLE16(F, H.Flags);
        AppendLE32(F, H.BlocksPerFrame);
        AppendLE32(F, H.FinalFrameBlocks);
        AppendLE32(F, H.TotalFrames);
        AppendLE16(F, H.Bits);
        AppendLE16(F, H.Channels);
        AppendLE32(F, H.SampleRate);
    }
    AppendZeros(F, Payload);
    return F;
}

TMonkey LoadMonkey(const TTempDir& Dir, const TBytes& Bytes, bool Expected = true) {
    std::string File = Dir.File("m.ape");
    WriteFileBytes(File, Bytes);
    TMonkey M;
    EXPECT_EQ(M.LoadFile(File), Expected);
    return M;
}

TEST(Monkey, CurrentHeaderAndTagsExcludedFromBitrate) {
    TTempDir Dir;
    TMonkeyHeader H;
    TBytes Bytes = MonkeyFile(H, 100000);
    size_t AudioBytes = Bytes.size();
    // An APE tag with no items, then an ID3v1 tag.
    Append(Bytes, "APETAGEX");
    AppendLE32(Bytes, 2000);
    AppendLE32(Bytes, 32);
    AppendLE32(Bytes, 0);
    AppendZeros(Bytes, 12);
    Append(Bytes, "TAG");
    AppendZeros(Bytes, 125);
    TMonkey M = LoadMonkey(Dir, Bytes);
    ASSERT_TRUE(M.Valid());
    EXPECT_EQ(M.VersionText(), "3.99");
    EXPECT_EQ(M.CompressionText(), "Normal");
    EXPECT_EQ(M.Samples(), 2 * 73728 + 1000);
    EXPECT_EQ(M.Bits(), 16);
    double Seconds = (2 * 73728 + 1000) / 44100.0;
    EXPECT_DOUBLE_EQ(M.Duration(), Seconds);
    EXPECT_DOUBLE_EQ(M.Bitrate(), AudioBytes * 8.0 / Seconds / 1000.0);
    EXPECT_DOUBLE_EQ(M.CompressionRatio(), Bytes.size() / ((2 * 73728 + 1000) * 4.0 + 44) * 100);

    // A longer descriptor is skipped, and an ID3v2 tag before the header too.
    H.DescriptorBytes = 60;
    H.Level = 5000;
    TBytes Tagged{'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
    AppendZeros(Tagged, 20);
    TBytes Body = MonkeyFile(H, 5000);
    Tagged.insert(Tagged.end(), Body.begin(), Body.end());
    M = LoadMonkey(Dir, Tagged);
    EXPECT_EQ(M.CompressionText(), "Insane");
    EXPECT_EQ(M.Channels(), 2);

    H.TotalFrames = 0;
    EXPECT_FALSE(LoadMonkey(Dir, MonkeyFile(H, 100), false).Valid());
}

TEST(Monkey, OldHeaders) {
    TTempDir Dir;
    TMonkeyHeader H;
    H.Version = 3970;
    TMonkey M = LoadMonkey(Dir, MonkeyFile(H, 1000));
    EXPECT_EQ(M.VersionText(), "3.97");
    EXPECT_EQ(M.Samples(), 2 * 294912 + 1000);
    EXPECT_EQ(M.CompressionText(), "Normal");
    H.Level = 2500;
    EXPECT_EQ(LoadMonkey(Dir, MonkeyFile(H, 1000)).CompressionText(), "2500");

    struct TCase {
        uint16_t Version, Level, Flags;
        int64_t BlocksPerFrame;
        int32_t Bits;
    };
    for (TCase C : {TCase{3800, 4000, 0x0001, 73728, 8}, TCase{3800, 3000, 0x0009, 9216, 24},
                    TCase{3900, 1000, 0, 73728, 16}}) {
        H.Version = C.Version;
        H.Level = C.Level;
        H.Flags = C.Flags;
        M = LoadMonkey(Dir, MonkeyFile(H, 1000));
        EXPECT_EQ(M.Samples(), 2 * C.BlocksPerFrame + 1000) << C.Version;
        EXPECT_EQ(M.Bits(), C.Bits);
    }
    TBytes Cut = MonkeyFile(H, 0);
    Cut.resize(20);
    EXPECT_FALSE(LoadMonkey(Dir, Cut, false).Valid());
}

// Checks the reader on Ape, encoded from Wav at Level (1 to 4), against ffprobe.
void CheckAgainstFfprobe(const std::string& Ape, const std::string& Wav, int Level) {
    const char* Names[] = {"", "Fast", "Normal", "High", "Extra High"};
    ASSERT_TRUE(std::filesystem::exists(Ape));
    TProbe P = Probe(Ape);
    TMonkey M;
    ASSERT_TRUE(M.LoadFile(Ape));
    EXPECT_EQ(M.SampleRate(), P.SampleRate);
    EXPECT_EQ(M.Channels(), P.Channels);
    EXPECT_EQ(M.Bits(), 16);
    EXPECT_EQ(M.CompressionLevel(), Level * 1000);
    EXPECT_EQ(M.CompressionText(), Names[Level]);
    EXPECT_NEAR(M.Duration(), P.Duration, 1e-6);
    EXPECT_NEAR(M.Bitrate(), P.FormatBitRate / 1000.0, 0.01);
    EXPECT_NEAR(M.CompressionRatio(), 100.0 * M.FileSize() / double(std::filesystem::file_size(Wav)), 0.01);
}

struct TApeCase {
    int Level, Rate, Channels;
};
constexpr TApeCase ApeCases[] = {{1, 44100, 2}, {2, 22050, 1}, {3, 48000, 2}, {4, 8000, 1}};

TEST(Monkey, AgreesWithFfprobeOnJmacFiles) {
    TTempDir Dir;
    for (TApeCase C : ApeCases) {
        SCOPED_TRACE(C.Level);
        std::string Wav = MakeWav(Dir, "in.wav", 2.3, C.Rate, C.Channels);
        std::string Ape = Dir.File("out.ape");
        std::filesystem::remove(Ape); // jmac reports success either way
        RunTool("jmac c" + std::to_string(C.Level) + " " + ShellQuote(Wav) + " " + ShellQuote(Ape));
        CheckAgainstFfprobe(Ape, Wav, C.Level);
    }
}

TEST(Monkey, AgreesWithFfprobeOnFilesOfOurLibrary) {
    TTempDir Dir;
    for (TApeCase C : ApeCases) {
        SCOPED_TRACE(C.Level);
        std::string Wav = MakeWav(Dir, "in.wav", 2.3, C.Rate, C.Channels);
        RunTool(ShellQuote(ConverterProgram()) + " -q -f ape -l " + std::to_string(C.Level - 1) + " " +
                ShellQuote(Wav));
        CheckAgainstFfprobe(Dir.File("in.ape"), Wav, C.Level);
        std::filesystem::remove(Dir.File("in.ape"));
    }
}

} // namespace
} // namespace deraz::test
