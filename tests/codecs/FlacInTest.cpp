// TFLACIn read directly, without a worker: files written by the reference encoder decode to
// exactly the samples its decoder gives, bad files are refused.
#include <gtest/gtest.h>

#include "codecs/flac/ACS_FLAC.h"
#include "tests/codecs/CodecTestDoubles.h"
#include "tests/support/RiffImage.h"

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
                    TReferenceCase{"Stereo24At96k", "-5", {2, 24, 96000}, 50001},
                    TReferenceCase{"Surround51At24", "-8", {6, 24, 48000}, 20001},
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

// A WAVE_FORMAT_EXTENSIBLE file whose samples have ValidBits bits, left-justified in their bytes.
void WriteExtensibleWav(const std::string& File, const std::vector<uint8_t>& Pcm, const TPcmFormat& Format,
                        int32_t ValidBits) {
    // The extension: its size, the valid bits, no channel mask, the PCM sub-format GUID.
    const std::vector<uint16_t> Extension{
        22, uint16_t(ValidBits), 0, 0, 1, 0, 0, 0x10, 0x80, 0xAA00, 0x3800, 0x719B};
    TRiffImage()
        .Chunk("fmt ", FormatBody(0xFFFE, uint16_t(Format.Channels), uint32_t(Format.SampleRate),
                                  uint16_t(Format.Channels * Format.BitsPerSample / 8),
                                  uint16_t(Format.BitsPerSample), Extension))
        .Chunk("data", Pcm)
        .Save(File);
}

// Files of other encoders in every depth and channel count FLAC holds read exactly as ffmpeg
// decodes them; depths between whole bytes arrive widened to the next one.
TEST(FLACInFormats, PeerFilesOfAnyDepthAndChannelCountReadAsFfmpegDecodesThem) {
    TTempDir Dir;
    // 12 and 20 bits: music-like samples with their low bits clear, as flac gets them from WAV.
    for (auto [Format, ValidBits] :
         {std::pair{TPcmFormat{1, 16, 22050}, 12}, {TPcmFormat{2, 24, 44100}, 20}}) {
        auto Pcm = MusicPcm(30001, Format, 3);
        const size_t Width = size_t(Format.BitsPerSample / 8);
        for (size_t I = 0; I < Pcm.size(); I += Width)
            Pcm[I] &= uint8_t(0xFF << (Format.BitsPerSample - ValidBits));
        const std::string Name = std::to_string(ValidBits) + "bit";
        WriteExtensibleWav(Dir.File(Name + ".wav"), Pcm, Format, ValidBits);
        ASSERT_EQ(RunCommand("flac -s -f -o " + ShellQuote(Dir.File(Name + ".flac")) + " " +
                             ShellQuote(Dir.File(Name + ".wav"))),
                  0);
        ASSERT_EQ(Metaflac("--show-bps", Dir.File(Name + ".flac")), std::to_string(ValidBits));
        TFLACIn Source;
        Source.SetFileName(Dir.File(Name + ".flac"));
        EXPECT_EQ(Source.BitsPerSample(), Format.BitsPerSample);
        EXPECT_TRUE(ReadAllData(Source, 4001) == Pcm) << Name;
    }

    struct TPeerFile {
        const char* Name;
        std::string Command; // writes the file named by $OUT
        TPcmFormat Format;
        int64_t Frames;
    } Files[] = {
        {"sox-5.1-16bit",
         "sox -n -r 48000 -c 6 -b 16 \"$OUT\" synth 0.5 sine 200 sine 300 sine 400 sine 500 sine 600 sine "
         "700 "
         "gain -3",
         {6, 16, 48000},
         24000},
        {"sox-stereo-24bit",
         "sox -n -r 96000 -c 2 -b 24 \"$OUT\" synth 0.5 sine 1000 sine 1500 gain -1",
         {2, 24, 96000},
         48000},
        {"ffmpeg-8ch-24bit",
         "ffmpeg -nostdin -v error -y -f lavfi -i 'aevalsrc=sin(300*t*6.28)|sin(400*t*6.28)|sin(500*t*6.28)|"
         "0.5*sin(600*t*6.28)|sin(700*t*6.28)|sin(800*t*6.28)|sin(900*t*6.28)|sin(1000*t*6.28):s=44100:d=0.5'"
         " "
         "-c:a flac -sample_fmt s32 \"$OUT\"",
         {8, 24, 44100},
         22050},
    };
    for (const auto& File : Files) {
        const std::string Path = Dir.File(std::string(File.Name) + ".flac");
        ASSERT_EQ(RunCommand("OUT=" + ShellQuote(Path) + "; " + File.Command), 0) << File.Name;
        const auto Reference = DecodeWithFfmpeg(Path, FfmpegRawFormat(File.Format.BitsPerSample));
        TFLACIn Source;
        Source.SetFileName(Path);
        EXPECT_EQ(Source.Channels(), File.Format.Channels) << File.Name;
        EXPECT_EQ(Source.BitsPerSample(), File.Format.BitsPerSample) << File.Name;
        EXPECT_EQ(Source.SampleRate(), File.Format.SampleRate) << File.Name;
        EXPECT_EQ(Source.TotalSamples(), File.Frames) << File.Name;
        const auto Decoded = ReadAllData(Source, 10000);
        EXPECT_EQ(Decoded.size(), size_t(File.Frames) * File.Format.Channels * File.Format.BitsPerSample / 8)
            << File.Name;
        EXPECT_TRUE(Decoded == Reference) << File.Name;
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
        EXPECT_EQ(Source.DecodeError(), "The file has no FLAC stream information.") << Name;
        EXPECT_THROW(ReadAllData(Source, 1000), EACSException) << Name;
    }
}

} // namespace
} // namespace deraz::test
