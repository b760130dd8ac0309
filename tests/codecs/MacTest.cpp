// Monkey's Audio components against the library: round trips, files of other encoders,
// damaged files and the failures of a conversion.
#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/ape/ACS_MAC.h"
#include "codecs/ape/MACLibrary.h"
#include "tests/codecs/CodecTestDoubles.h"

namespace deraz::test {
namespace {

TEST(MACErrors, TextsOfLibraryCodes) {
    EXPECT_EQ(MACErrorText(0), "OK");
    EXPECT_EQ(MACErrorText(1004), "input file file too large");
    EXPECT_EQ(MACErrorText(6000), "APE compress too much data");
    EXPECT_EQ(MACErrorText(1234), "undefined (1234)");
    EXPECT_EQ(MACErrorText(-1), "undefined (-1)");
    EAPEException E(1002);
    EXPECT_STREQ(E.what(), "MACDll error: invalid input file");
    EXPECT_EQ(E.ErrorCode(), 1002);
}

class MACTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(MACLibrary().Loaded()) << MACLibrary().NotLoadedMessage(); }

    // Compresses Pcm into FileName through TMACOut, in pieces that split sample frames; the
    // error message, empty on success.
    static std::string Compress(const std::vector<uint8_t>& Pcm, const TPcmFormat& Format, int32_t Level,
                                const std::string& FileName) {
        TMemorySource Source(Pcm, Format, 10007);
        TMACOut Out;
        Out.SetCompressionLevel(Level);
        Out.SetInput(&Source);
        Out.SetFileName(FileName);
        return RunAndWait(Out);
    }

    static std::vector<uint8_t> Decode(const std::string& FileName) {
        TMACIn In;
        In.SetFileName(FileName);
        return ReadAllData(In, 5000);
    }

    TTempDir Dir;
};

TEST_F(MACTest, CompressionLevelKeepsTheFileFormatsLevels) {
    TMACOut Out;
    EXPECT_EQ(Out.CompressionLevel(), 2000);
    EXPECT_EQ(Out.MaxAudioBytes(), -1);
    for (int32_t Level : {1000, 3000, 4000, 5000, 2000}) {
        Out.SetCompressionLevel(Level);
        EXPECT_EQ(Out.CompressionLevel(), Level);
    }
    // 6000 is no level of the format and writes the highest; anything else falls back to 2000.
    for (auto [Level, Stored] :
         {std::pair{6000, 5000}, {0, 2000}, {1500, 2000}, {-1000, 2000}, {7000, 2000}}) {
        Out.SetCompressionLevel(1000);
        Out.SetCompressionLevel(Level);
        EXPECT_EQ(Out.CompressionLevel(), Stored) << Level;
    }
}

struct TRoundTrip {
    int32_t Level, Channels, Bits;
};

class MACRoundTrip : public MACTest, public ::testing::WithParamInterface<TRoundTrip> {};

TEST_P(MACRoundTrip, DecodesExactlyInOursAndFfmpeg) {
    const auto [Level, Channels, Bits] = GetParam();
    // 24-bit frames do not divide the reader's decode buffer.
    auto Pcm = MusicPcm(44100 + 4567, {Channels, Bits, 44100}, uint32_t(Level + Channels));
    std::string File = Dir.File("round.ape");
    ASSERT_EQ(Compress(Pcm, {Channels, Bits, 44100}, Level, File), "");

    TMACIn In;
    In.SetFileName(File);
    EXPECT_EQ(In.SampleRate(), 44100);
    EXPECT_EQ(In.BitsPerSample(), Bits);
    EXPECT_EQ(In.Channels(), Channels);
    EXPECT_EQ(In.TotalTime(), 1);
    In.Init();
    EXPECT_EQ(In.Size(), int32_t(Pcm.size()));
    In.Flush();
    EXPECT_EQ(ReadAllData(In, 5000), Pcm);
    if (ToolAvailable("ffmpeg")) {
        EXPECT_EQ(DecodeWithFfmpeg(File, FfmpegRawFormat(Bits)), Pcm);
    }
}

INSTANTIATE_TEST_SUITE_P(LevelsAndFormats, MACRoundTrip,
                         ::testing::Values(TRoundTrip{1000, 2, 16}, TRoundTrip{2000, 2, 16},
                                           TRoundTrip{3000, 2, 16}, TRoundTrip{4000, 2, 16},
                                           TRoundTrip{5000, 2, 16}, TRoundTrip{1000, 1, 16},
                                           TRoundTrip{3000, 1, 16}, TRoundTrip{2000, 2, 8},
                                           TRoundTrip{4000, 1, 8}, TRoundTrip{2000, 2, 24},
                                           TRoundTrip{1000, 1, 24}),
                         [](const auto& Info) {
                             const TRoundTrip& P = Info.param;
                             return "Level" + std::to_string(P.Level) + "_" + std::to_string(P.Channels) +
                                    "ch_" + std::to_string(P.Bits) + "bit";
                         });

TEST_F(MACTest, TinyAndEmptyInputs) {
    for (int32_t Frames : {1, 7}) {
        auto Pcm = MusicPcm(Frames, {});
        std::string File = Dir.File("tiny" + std::to_string(Frames) + ".ape");
        ASSERT_EQ(Compress(Pcm, {}, 2000, File), "");
        EXPECT_EQ(Decode(File), Pcm) << Frames;
    }
    // A file without frames is one other decoders refuse: an empty input is refused, no file left.
    std::string Empty = Dir.File("empty.ape");
    EXPECT_EQ(Compress({}, {}, 2000, Empty),
              "The input has no audio, and a Monkey's Audio file cannot be empty.");
    EXPECT_FALSE(std::filesystem::exists(Empty));
}

TEST_F(MACTest, ReadsFilesOfTheLibraryAndOfJmac) {
    auto Samples = MusicLikeSignal(30000 + 11, 2, 44100, 7);
    std::vector<uint8_t> Pcm = SamplesToBytes(Samples);
    std::string Wav = Dir.File("source.wav");
    WritePcmWav(Wav, Samples, 2, 44100);

    std::string ByLibrary = Dir.File("library.ape");
    ASSERT_EQ(MACLibrary()->CompressFile(Wav.c_str(), ByLibrary.c_str(), 3000, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(Decode(ByLibrary), Pcm);

    if (!ToolAvailable("jmac")) GTEST_SKIP() << "jmac is not installed";
    std::string ByJmac = Dir.File("jmac.ape");
    RunCommand("jmac c2 " + ShellQuote(Wav) + " " + ShellQuote(ByJmac));
    ASSERT_TRUE(std::filesystem::exists(ByJmac)) << "jmac wrote nothing";
    EXPECT_EQ(Decode(ByJmac), Pcm);
}

// A conversion from an ".ape" file into another ".ape" file; the error message, empty on success.
std::string Recompress(const std::string& From, const std::string& To) {
    TMACIn In;
    In.SetFileName(From);
    TMACOut Out;
    Out.SetInput(&In);
    Out.SetFileName(To);
    return RunAndWait(Out);
}

TEST_F(MACTest, DamagedFilesEndInAnError) {
    auto Pcm = MusicPcm(3 * 73728 + 100, {});
    std::string Good = Dir.File("good.ape");
    ASSERT_EQ(Compress(Pcm, {}, 2000, Good), "");
    ASSERT_EQ(Recompress(Good, Dir.File("copy.ape")), "");
    EXPECT_EQ(Decode(Dir.File("copy.ape")), Pcm);
    auto Bytes = ReadFileBytes(Good);

    std::vector<std::pair<std::string, std::vector<uint8_t>>> Damaged;
    // The last 1 to 4 bytes are padding that a reader may do without; 8 reach into the last frame.
    for (size_t Cut : {Bytes.size() / 2, Bytes.size() - 8, size_t(60), size_t(0)})
        Damaged.emplace_back("cut at " + std::to_string(Cut),
                             std::vector(Bytes.begin(), Bytes.begin() + Cut));
    auto Flipped = Bytes;
    for (size_t I = Bytes.size() / 3; I < Bytes.size() / 3 + 64; ++I) Flipped[I] ^= 0x5A;
    Damaged.emplace_back("flipped bytes", Flipped);
    Damaged.emplace_back("not an ape file", std::vector<uint8_t>(5000, 0x41));

    for (const auto& [What, Content] : Damaged) {
        std::string File = Dir.File("damaged.ape");
        WriteFileBytes(File, Content);
        auto Error = Recompress(File, Dir.File("out.ape"));
        ASSERT_NE(Error, "") << What << " converted as if it were whole";
        EXPECT_EQ(Error.rfind("MACDll error: ", 0), 0u) << What << ": " << Error;
    }
    // A file cut in the middle of its audio (5.018 s) names where reading stopped.
    WriteFileBytes(Dir.File("half.ape"), std::vector(Bytes.begin(), Bytes.begin() + Bytes.size() / 2));
    std::string Error = Recompress(Dir.File("half.ape"), Dir.File("out.ape"));
    const size_t At = Error.rfind(" at 0:0");
    ASSERT_TRUE(Error.starts_with("MACDll error: ") && At != std::string::npos) << Error;
    const double Time = std::stod(Error.substr(At + 7));
    EXPECT_TRUE(Time >= 1.0 && Time < 4.0) << Error;
    EXPECT_TRUE(Error.ends_with(".")) << Error;
}

TEST_F(MACTest, FailedStartReportsAndFreesTheSource) {
    auto Pcm = MusicPcm(2000, {});
    TMemorySource Source(Pcm, TPcmFormat{});
    TMACOut Out;
    Out.SetInput(&Source);
    EXPECT_EQ(RunAndWait(Out), "File name is not assigned.");

    Out.SetFileName(Dir.File("no-such-folder/out.ape"));
    auto Error = RunAndWait(Out);
    EXPECT_EQ(Error.rfind("Error starting APECompress.\r\n", 0), 0u) << Error;
    EXPECT_FALSE(Source.Busy());

    // The same components convert the next file.
    Out.SetFileName(Dir.File("out.ape"));
    EXPECT_EQ(RunAndWait(Out), "");
    EXPECT_EQ(Decode(Dir.File("out.ape")), Pcm);
}

// What the format cannot hold is refused in one line before a file exists; a full disk says so,
// whether it fills while frames are written or while the file is finished.
TEST_F(MACTest, RefusalsAndWriteFailuresNameTheirReason) {
    std::vector<uint8_t> Noise(44100 * 4 * 10);
    uint32_t Seed = 1;
    for (uint8_t& Byte : Noise) Byte = uint8_t((Seed = Seed * 1103515245u + 12345u) >> 24);
    struct {
        TPcmFormat Format;
        std::vector<uint8_t> Pcm;
        std::string File;
        std::string Error;
    } Cases[] = {
        {{6, 16, 48000},
         std::vector<uint8_t>(1200),
         Dir.File("six.ape"),
         "Monkey's Audio holds at most 2 channels; the input has 6."},
        {{2, 32, 48000},
         std::vector<uint8_t>(800),
         Dir.File("wide.ape"),
         "Monkey's Audio holds 8-, 16- or 24-bit samples; the input has 32-bit samples."},
        {{}, Noise, "/dev/full", "APECompress.UnlockBuffer Error: 1001: No space left on device"},
        {{}, MusicPcm(1000, {}), "/dev/full", "MACDll error: I/O write error: No space left on device"},
    };
    for (const auto& Case : Cases) {
        TMemorySource Source(Case.Pcm, Case.Format, 65536);
        TMACOut Out;
        Out.SetInput(&Source);
        Out.SetFileName(Case.File);
        EXPECT_EQ(RunAndWait(Out), Case.Error);
        EXPECT_FALSE(Source.Busy()) << Case.Error;
        if (Case.File != "/dev/full") {
            EXPECT_FALSE(std::filesystem::exists(Case.File)) << Case.Error;
        }
    }
}

} // namespace
} // namespace deraz::test
