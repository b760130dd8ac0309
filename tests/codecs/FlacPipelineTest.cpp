// TFLACOut and TFLACIn on the worker thread: what we write passes the reference tools and
// decodes to the input exactly; errors end a run through OnThreadException.
#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/flac/ACS_FLAC.h"
#include "tests/codecs/CodecTestDoubles.h"

namespace deraz::test {
namespace {

struct TEncodeCase {
    const char* Name;
    TPcmFormat Format;
    int32_t Frames;
    uint16_t BlockSize = 4608;
};

void PrintTo(const TEncodeCase& Case, std::ostream* Out) {
    *Out << Case.Name;
}

class FLACOutRoundTrip : public testing::TestWithParam<TEncodeCase> {};

TEST_P(FLACOutRoundTrip, ReferenceToolsAgreeWithTheInput) {
    const auto& Case = GetParam();
    TTempDir Dir;
    std::string File = Dir.File("out.flac");
    auto Pcm = MusicPcm(Case.Frames, Case.Format, 11);
    // Small reads, so that filling one block takes several calls.
    TMemorySource Source(Pcm, Case.Format, 1001);
    TFLACOut Sink;
    Sink.SetInput(&Source);
    Sink.SetFileName(File);
    Sink.SetBlockSize(Case.BlockSize);
    ASSERT_EQ(RunAndWait(Sink), "");
    EXPECT_FALSE(Source.Busy());

    std::string Output;
    EXPECT_EQ(RunCommand("flac -t -s " + ShellQuote(File), &Output), 0) << Output;
    EXPECT_TRUE(DecodeWithFlac(File, Case.Format.BitsPerSample) == Pcm);
    EXPECT_EQ(Metaflac("--show-total-samples", File), std::to_string(Case.Frames));
    EXPECT_EQ(Metaflac("--show-md5sum", File), FlacMd5(Pcm, Case.Format.BitsPerSample));
    EXPECT_EQ(Metaflac("--show-sample-rate", File), std::to_string(Case.Format.SampleRate));
    EXPECT_EQ(Metaflac("--show-channels", File), std::to_string(Case.Format.Channels));
    EXPECT_EQ(Metaflac("--show-bps", File), std::to_string(Case.Format.BitsPerSample));
    if (Case.BlockSize != 0 && Case.Frames > Case.BlockSize) {
        EXPECT_EQ(Metaflac("--show-max-blocksize", File), std::to_string(Case.BlockSize));
    }
    // Another decoder, and our own reader, give the same samples in the same channel order.
    if (Case.Frames > 0) {
        EXPECT_TRUE(DecodeWithFfmpeg(File, FfmpegRawFormat(Case.Format.BitsPerSample)) == Pcm);
    }
    TFLACIn Reader;
    Reader.SetFileName(File);
    EXPECT_TRUE(ReadAllData(Reader, 7777) == Pcm);
}

INSTANTIATE_TEST_SUITE_P(Formats, FLACOutRoundTrip,
                         testing::Values(TEncodeCase{"Empty", {2, 16, 44100}, 0},
                                         TEncodeCase{"Stereo16OneSample", {2, 16, 44100}, 1},
                                         TEncodeCase{"Mono16OneSample", {1, 16, 8000}, 1},
                                         TEncodeCase{"Mono8OneSample", {1, 8, 8000}, 1},
                                         TEncodeCase{"Stereo16ExactBlocks", {2, 16, 44100}, 4608 * 4},
                                         TEncodeCase{"Stereo16BlocksAndOne", {2, 16, 44100}, 4608 * 4 + 1},
                                         TEncodeCase{"Mono16At96k", {1, 16, 96000}, 4608 * 3 + 1},
                                         TEncodeCase{"Stereo16At96k", {2, 16, 96000}, 100000},
                                         TEncodeCase{"Stereo8At8k", {2, 8, 8000}, 4608 * 2},
                                         TEncodeCase{"Mono8At11k", {1, 8, 11025}, 4608 * 2 + 1},
                                         TEncodeCase{"Stereo8At48k", {2, 8, 48000}, 30000},
                                         TEncodeCase{"Stereo24", {2, 24, 44100}, 4608 * 3 + 5},
                                         TEncodeCase{"Mono24At96k", {1, 24, 96000}, 20000},
                                         TEncodeCase{"Surround51At24", {6, 24, 48000}, 10001},
                                         TEncodeCase{"EightChannels16", {8, 16, 48000}, 10001},
                                         TEncodeCase{"ThreeChannels8", {3, 8, 22050}, 5001},
                                         TEncodeCase{"Blocksize1152", {2, 16, 22050}, 1152 * 5 + 1, 1152},
                                         TEncodeCase{"BlocksizeLeftToTheEncoder", {2, 16, 44100}, 20000, 0}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

class FLACOutRun : public testing::Test {
protected:
    void Use(const TPcmFormat& Format, int32_t Frames) {
        Pcm = MusicPcm(Frames, Format);
        Source = std::make_unique<TMemorySource>(Pcm, Format);
        Sink.SetInput(Source.get());
        Sink.SetFileName(File);
    }

    TTempDir Dir;
    std::string File = Dir.File("out.flac");
    std::vector<uint8_t> Pcm;
    std::unique_ptr<TMemorySource> Source;
    TFLACOut Sink;
};

TEST_F(FLACOutRun, CoefficientPrecisionIsClampedToTheSampleWidth) {
    Use({2, 16, 44100}, 5000);
    Sink.SetQLPCoeffPrecision(20);
    Sink.SetMaxLPCOrder(8);
    ASSERT_EQ(RunAndWait(Sink), "");
    EXPECT_EQ(Sink.QLPCoeffPrecision(), 15);
    EXPECT_TRUE(DecodeWithFlac(File, 16) == Pcm);

    // 8 bits leave room for 20 bits of precision, more than the encoder takes: it refuses.
    Use({1, 8, 8000}, 5000);
    Sink.SetQLPCoeffPrecision(20);
    EXPECT_EQ(RunAndWait(Sink), "Failed to initialize FLAC encoder.");
    EXPECT_EQ(Sink.QLPCoeffPrecision(), 20);
}

TEST_F(FLACOutRun, StereoSettersKeepTheirCombinationsConsistent) {
    Sink.SetEnableMidSideStereo(false);
    Sink.SetEnableLooseMidSideStereo(true);
    EXPECT_TRUE(Sink.EnableMidSideStereo());
    Sink.SetBestModelSearch(true);
    EXPECT_TRUE(Sink.EnableMidSideStereo());
    EXPECT_FALSE(Sink.EnableLooseMidSideStereo());
    // Every setting that feeds the encoder, all at once, still gives an exact file.
    Use({2, 16, 44100}, 20000);
    Sink.SetVerify(true);
    Sink.SetMaxLPCOrder(12);
    Sink.SetQLPCoeffPrecisionSearch(true);
    Sink.SetMinResidualPartitionOrder(2);
    Sink.SetMaxResidualPartitionOrder(6);
    ASSERT_EQ(RunAndWait(Sink), "");
    EXPECT_TRUE(DecodeWithFlac(File, 16) == Pcm);
}

TEST_F(FLACOutRun, FailuresArriveThroughOnThreadException) {
    Use({2, 16, 44100}, 50000);
    Sink.SetFileName("");
    EXPECT_EQ(RunAndWait(Sink), "File name is not assigned.");

    // The encoder refuses a block size below its minimum; the input is released again.
    Sink.SetFileName(File);
    Sink.SetBlockSize(8);
    EXPECT_EQ(RunAndWait(Sink), "Failed to initialize FLAC encoder.");
    EXPECT_FALSE(Source->Busy());

    // A full disk is an error that says so, never a finished file.
    Sink.SetBlockSize(4608);
    Sink.SetFileName("/dev/full");
    EXPECT_EQ(RunAndWait(Sink), "Failed to encode data. No space left on device");
    EXPECT_FALSE(Source->Busy());
    EXPECT_EQ(Sink.Status(), osIdle);

    // What the format (or other decoders) cannot hold is refused in one line, before any file.
    Sink.SetFileName(File);
    for (auto [Format, Message] :
         {std::pair{TPcmFormat{2, 32, 44100},
                    "FLAC output holds 8, 16 or 24 bits per sample; the input has 32."},
          {TPcmFormat{10, 16, 44100}, "FLAC holds at most 8 channels; the input has 10."}}) {
        TMemorySource Wide(std::vector<uint8_t>(size_t(Format.Channels) * 4 * 100), Format);
        Sink.SetInput(&Wide);
        EXPECT_EQ(RunAndWait(Sink), Message);
        EXPECT_FALSE(std::filesystem::exists(File)) << Message;
    }
}

TEST_F(FLACOutRun, StopLeavesAShorterValidFile) {
    Use({2, 16, 44100}, 441000);
    Sink.OnProgress = [this](TComponent*) {
        if (Sink.Progress() >= 20) Sink.Stop();
    };
    ASSERT_EQ(RunAndWait(Sink), "");
    EXPECT_EQ(RunCommand("flac -t -s " + ShellQuote(File)), 0);
    auto Decoded = DecodeWithFlac(File, 16);
    EXPECT_GT(Decoded.size(), 0u);
    EXPECT_LT(Decoded.size(), Pcm.size());
    EXPECT_TRUE(std::equal(Decoded.begin(), Decoded.end(), Pcm.begin()));
    EXPECT_EQ(Metaflac("--show-total-samples", File), std::to_string(Decoded.size() / 4));
}

// FLAC into FLAC through both components: the second file holds the first one's samples.
TEST(FLACReencode, FlacInFeedsFlacOut) {
    TTempDir Dir;
    const TPcmFormat Format{2, 16, 44100};
    auto Pcm = MusicPcm(100001, Format, 5);
    ASSERT_TRUE(EncodeWithFlac(Pcm, Format, "-8", Dir.File("in.flac")));
    TFLACIn Source;
    Source.SetFileName(Dir.File("in.flac"));
    TFLACOut Sink;
    Sink.SetInput(&Source);
    Sink.SetFileName(Dir.File("out.flac"));
    ASSERT_EQ(RunAndWait(Sink), "");
    EXPECT_EQ(Sink.Progress(), 100);
    EXPECT_TRUE(DecodeWithFlac(Dir.File("out.flac"), 16) == Pcm);
}

// Damaged or unsupported files end the run with an error, never as a finished conversion.
TEST(FLACInDamaged, ReadingErrorsReachOnThreadException) {
    TTempDir Dir;
    const TPcmFormat Format{2, 16, 44100};
    ASSERT_TRUE(EncodeWithFlac(MusicPcm(200000, Format), Format, "-5", Dir.File("good.flac")));
    auto Good = ReadFileBytes(Dir.File("good.flac"));

    auto Corrupted = Good;
    for (size_t I = Corrupted.size() / 2; I < Corrupted.size() / 2 + 64; ++I) Corrupted[I] ^= 0x5A;
    WriteFileBytes(Dir.File("corrupted.flac"), Corrupted);
    WriteFileBytes(Dir.File("truncated.flac"), {Good.begin(), Good.begin() + Good.size() * 2 / 3});

    for (const char* Name : {"corrupted.flac", "truncated.flac"}) {
        TFLACIn Source;
        Source.SetFileName(Dir.File(Name));
        TMemorySink Sink;
        Sink.SetInput(&Source);
        // Where the damage stopped the decoder: past the start, before the cut end of 4.535 s.
        std::string Error = RunAndWait(Sink);
        const std::string Prefix = "Error reading FLAC file at 0:0";
        ASSERT_TRUE(Error.starts_with(Prefix) && Error.size() == Prefix.size() + 6 && Error.ends_with("."))
            << Name << ": " << Error;
        const double Time = std::stod(Error.substr(Prefix.size()));
        EXPECT_GT(Time, 1.0) << Name;
        EXPECT_LT(Time, 3.3) << Name;
        EXPECT_FALSE(Source.Busy()) << Name;
    }
}

} // namespace
} // namespace deraz::test
