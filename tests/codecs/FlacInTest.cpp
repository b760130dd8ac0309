// TFLACIn read directly, without a worker: files written by the reference encoder decode to
// exactly the samples its decoder gives, bad files are refused.
#include <gtest/gtest.h>

#include "codecs/flac/ACS_FLAC.h"
#include "tests/codecs/CodecTestDoubles.h"

namespace deraz::test {
namespace {

struct TReferenceCase {
    const char* Name;
    std::string Options;
    TPcmFormat Format;
    int32_t Frames;
};

void PrintTo(const TReferenceCase& Case, std::ostream* Out) {
    *Out << Case.Name;
}

class FLACInReference : public testing::TestWithParam<TReferenceCase> {};

TEST_P(FLACInReference, DecodesExactlyWhatTheReferenceDecoderGives) {
    const auto& Case = GetParam();
    TTempDir Dir;
    std::string File = Dir.File("in.flac");
    auto Pcm = MusicPcm(Case.Frames, Case.Format, 7);
    ASSERT_TRUE(EncodeWithFlac(Pcm, Case.Format, Case.Options, File));
    auto Reference = DecodeWithFlac(File, Case.Format.BitsPerSample);
    ASSERT_EQ(Reference, Pcm);

    TFLACIn Source;
    Source.SetFileName(File);
    EXPECT_EQ(Source.Channels(), Case.Format.Channels);
    EXPECT_EQ(Source.BitsPerSample(), Case.Format.BitsPerSample);
    EXPECT_EQ(Source.SampleRate(), Case.Format.SampleRate);
    EXPECT_TRUE(Source.Valid());
    EXPECT_EQ(Source.TotalSamples(), Case.Frames);
    // Requests smaller and larger than a block, and of an odd size.
    for (int32_t Request : {999, 1 << 20}) {
        auto Decoded = ReadAllData(Source, Request);
        EXPECT_EQ(Decoded.size(), Reference.size()) << "request " << Request;
        EXPECT_TRUE(Decoded == Reference) << "request " << Request;
        EXPECT_EQ(Source.Position(), int32_t(Reference.size()));
        EXPECT_EQ(Source.Size(), int32_t(Reference.size()));
    }
}

const TPcmFormat Stereo16{2, 16, 44100};

INSTANTIATE_TEST_SUITE_P(
    Files, FLACInReference,
    testing::Values(TReferenceCase{"Level0", "-0", Stereo16, 100003},
                    TReferenceCase{"Level5", "-5", Stereo16, 100003},
                    TReferenceCase{"Level8", "-8", Stereo16, 100003},
                    TReferenceCase{"Blocksize1152", "-5 --blocksize=1152", Stereo16, 50001},
                    TReferenceCase{"Blocksize16384", "-5 --lax --blocksize=16384", Stereo16, 50001},
                    TReferenceCase{"TagsSeekTablePadding",
                                   "-5 -T ARTIST=Someone -T TITLE=Something --padding=20000 -S 1s", Stereo16,
                                   100003},
                    TReferenceCase{"NoPaddingNoSeekTable", "-8 --no-padding --no-seektable", Stereo16, 30000},
                    TReferenceCase{"Mono16At96k", "-5", {1, 16, 96000}, 100000},
                    TReferenceCase{"Mono8At8k", "-5", {1, 8, 8000}, 30001},
                    TReferenceCase{"Stereo8At22k", "-8", {2, 8, 22050}, 30001},
                    TReferenceCase{"OneSample", "-8", Stereo16, 1},
                    TReferenceCase{"OneSampleMono8", "-5", {1, 8, 11025}, 1}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// Reading a file not yet named fails, and leaves nothing half open: naming it afterwards works.
TEST(FLACIn, ReadingWithoutANameFails) {
    TTempDir Dir;
    ASSERT_TRUE(EncodeWithFlac(MusicPcm(1000, Stereo16), Stereo16, "-5", Dir.File("a.flac")));
    TFLACIn Unnamed;
    try {
        Unnamed.SampleRate();
        ADD_FAILURE() << "no error";
    } catch (const EACSException& E) {
        EXPECT_STREQ(E.what(), "File name is not assigned");
    }
    Unnamed.SetFileName(Dir.File("a.flac"));
    EXPECT_EQ(Unnamed.SampleRate(), 44100);
}

// A stream written through a pipe cannot go back to declare its length.
TEST(FLACInStream, UndeclaredLengthIsReadToTheEndAndLoops) {
    TTempDir Dir;
    auto Pcm = MusicPcm(30001, Stereo16, 9);
    WriteFileBytes(Dir.File("in.raw"), Pcm);
    ASSERT_EQ(RunCommand("flac -s --force-raw-format --endian=little --sign=signed --channels=2 --bps=16 "
                         "--sample-rate=44100 -c - < " +
                         ShellQuote(Dir.File("in.raw")) + " | cat > " + ShellQuote(Dir.File("piped.flac"))),
              0);
    TFLACIn Source;
    Source.SetFileName(Dir.File("piped.flac"));
    EXPECT_EQ(Source.TotalSamples(), 0);
    EXPECT_TRUE(ReadAllData(Source, 1000) == Pcm);
    Source.SetLoop(true);
    auto Looped = ReadAllData(Source, 5000, Pcm.size() * 2 + 8);
    ASSERT_GE(Looped.size(), Pcm.size() * 2);
    EXPECT_TRUE(std::equal(Pcm.begin(), Pcm.end(), Looped.begin() + Pcm.size()));
}

// Formats the pipeline does not carry open as not Valid.
TEST(FLACInFormats, TwentyFourBitsAndThreeChannelsAreNotValid) {
    TTempDir Dir;
    struct {
        TPcmFormat Format;
        std::vector<uint8_t> Pcm;
    } Cases[] = {{{2, 24, 44100}, std::vector<uint8_t>(3000 * 6, 1)},
                 {{3, 16, 44100}, MusicPcm(1000, {3, 16, 44100})}};
    for (const auto& Case : Cases) {
        std::string File = Dir.File("odd.flac");
        ASSERT_TRUE(EncodeWithFlac(Case.Pcm, Case.Format, "-5", File));
        TFLACIn Source;
        Source.SetFileName(File);
        EXPECT_EQ(Source.Channels(), Case.Format.Channels);
        EXPECT_FALSE(Source.Valid()) << Case.Format.Channels << " channels, " << Case.Format.BitsPerSample;
        EXPECT_THROW(ReadAllData(Source, 1000), EACSException);
    }
}

TEST(FLACInFormats, FilesThatAreNotFlacAreNotValid) {
    TTempDir Dir;
    auto Pcm = MusicPcm(20000, {2, 16, 44100});
    WritePcmWav(Dir.File("wave.flac"), Pcm.data(), Pcm.size(), 2, 44100, 16);
    WriteFileBytes(Dir.File("empty.flac"), {});
    WriteFileBytes(Dir.File("header-only.flac"), {'f', 'L', 'a', 'C'});
    for (const char* Name : {"wave.flac", "empty.flac", "header-only.flac"}) {
        TFLACIn Source;
        Source.SetFileName(Dir.File(Name));
        EXPECT_EQ(Source.SampleRate(), 0) << Name;
        EXPECT_FALSE(Source.Valid()) << Name;
        EXPECT_THROW(ReadAllData(Source, 1000), EACSException) << Name;
    }
}

} // namespace
} // namespace deraz::test
