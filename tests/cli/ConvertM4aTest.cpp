// MPEG-4 audio through deraz-convert: our AAC decodes back to the input's exact length and our
// Apple Lossless to its exact samples, through our own source and through ffmpeg; tags and covers
// travel both ways; .m4a files without decodable audio, or damaged, fail with one line saying so.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "tests/support/TestSupport.h"

namespace deraz::test {
namespace {

namespace fs = std::filesystem;

std::string Convert(const std::string& Arguments) {
    return ShellQuote(ConverterProgram()) + " -q " + Arguments;
}

std::string Probe(const std::string& File, const std::string& Entries) {
    std::string Text;
    RunCommand("ffprobe -v error -show_entries " + Entries + " -of default=nw=1 " + ShellQuote(File), &Text);
    return Text;
}

struct TShape {
    int32_t Frames, Channels, Rate, Bits;
};

// Odd lengths, mono, 5.1 and 24 bits: our AAC states each length exactly and decodes back to
// it; ALAC keeps every sample.
TEST(ConvertM4a, AacKeepsTheLengthAndAlacTheSamples) {
    const TShape Shapes[] = {{44100 * 2 + 333, 2, 44100, 16},
                             {22050 + 1, 1, 22050, 16},
                             {48000, 6, 48000, 16},
                             {96000 - 7, 2, 96000, 24}};
    for (const TShape& Shape : Shapes) {
        SCOPED_TRACE(std::to_string(Shape.Channels) + " channels, " + std::to_string(Shape.Bits) + " bits");
        TTempDir Dir;
        WritePcmWav(Dir.File("in16.wav"), MusicLikeSignal(Shape.Frames, Shape.Channels, Shape.Rate),
                    Shape.Channels, Shape.Rate);
        ASSERT_EQ(RunIn(Dir.Path(), "sox in16.wav -b " + std::to_string(Shape.Bits) + " in.wav vol 0.9"), 0);
        const std::string Frames = std::to_string(Shape.Frames);
        ASSERT_EQ(RunIn(Dir.Path(), Convert("-f m4a -o aac in.wav") + " && " +
                                        Convert("-f alac -o alac in.wav") + " && " +
                                        Convert("-f wav -o back aac/in.m4a")),
                  0);
        EXPECT_NE(Probe(Dir.File("aac/in.m4a"), "stream=duration_ts").find("duration_ts=" + Frames),
                  std::string::npos);
        EXPECT_EQ(DecodeWithFfmpeg(Dir.File("back/in.wav"), "s32le").size(),
                  DecodeWithFfmpeg(Dir.File("in.wav"), "s32le").size())
            << "our source decodes our AAC to the input's length";
        // The iTunSMPB comment: 1024 priming frames, the length in hexadecimal.
        char Length[24];
        std::snprintf(Length, sizeof Length, "%016X", unsigned(Shape.Frames));
        auto Bytes = ReadFileBytes(Dir.File("aac/in.m4a"));
        std::string Text(Bytes.begin(), Bytes.end());
        EXPECT_NE(Text.find("iTunSMPB"), std::string::npos);
        EXPECT_NE(Text.find(" 00000000 00000400 "), std::string::npos);
        EXPECT_NE(Text.find(Length), std::string::npos);
        // ALAC: exact in ffmpeg and through our own source.
        EXPECT_EQ(DecodeWithFfmpeg(Dir.File("alac/in.m4a"), "s32le"),
                  DecodeWithFfmpeg(Dir.File("in.wav"), "s32le"));
        ASSERT_EQ(RunIn(Dir.Path(), Convert("-f wav -o alacback alac/in.m4a")), 0);
        EXPECT_EQ(DecodeWithFfmpeg(Dir.File("alacback/in.wav"), "s32le"),
                  DecodeWithFfmpeg(Dir.File("in.wav"), "s32le"));
    }
}

// Tags and the cover go from FLAC into AAC, where ffprobe reads them, and from there into FLAC.
TEST(ConvertM4a, TagsAndCoverTravelBothWays) {
    TTempDir Dir;
    WritePcmWav(Dir.File("in.wav"), MusicLikeSignal(44100, 2, 44100), 2, 44100);
    ASSERT_EQ(
        RunIn(Dir.Path(), "ffmpeg -nostdin -v error -f lavfi -i color=c=red:s=16x16 -frames:v 1 cover.png && "
                          "flac -s -T TITLE=Song -T ARTIST=Someone -T TRACKNUMBER=3 --picture=cover.png "
                          "in.wav -o in.flac && " +
                              Convert("--copy-tags -f m4a -o m4a in.flac") + " && " +
                              Convert("--copy-tags -f flac -o flac m4a/in.m4a")),
        0);
    for (const char* File : {"m4a/in.m4a", "flac/in.flac"}) {
        SCOPED_TRACE(File);
        std::string Tags = Probe(Dir.File(File), "format_tags=title,artist,track");
        std::transform(Tags.begin(), Tags.end(), Tags.begin(),
                       [](unsigned char C) { return char(std::tolower(C)); });
        EXPECT_NE(Tags.find("title=song"), std::string::npos) << Tags;
        EXPECT_NE(Tags.find("artist=someone"), std::string::npos) << Tags;
        EXPECT_NE(Tags.find("=3"), std::string::npos) << Tags;
        EXPECT_NE(Probe(Dir.File(File), "stream=codec_name").find("codec_name=png"), std::string::npos);
    }
    EXPECT_NE(ReadFileBytes(Dir.File("m4a/in.m4a")).size(), 0u);
    std::string Info;
    RunCommand(ShellQuote(ConverterProgram()) + " --info " + ShellQuote(Dir.File("m4a/in.m4a")), &Info);
    EXPECT_NE(Info.find("Title: Song"), std::string::npos) << Info;
    EXPECT_NE(Info.find("Encoder: AAC"), std::string::npos) << Info;
}

// Files read through FFmpeg that cannot be converted: one line saying what they hold or where
// they break.
TEST(ConvertM4a, RefusesWhatItCannotDecode) {
    const char* const Make = "ffmpeg() { command ffmpeg -nostdin -v error -y \"$@\"; }; "
                             "ffmpeg -f lavfi -i sine=d=3 -c:a aac -movflags +faststart whole.m4a && ";
    const struct {
        const char* Input;
        const char* Command;
        const char* Reason;
    } Rows[] = {
        {"in.m4a", "ffmpeg -f lavfi -i color=s=32x32:d=1 -c:v mpeg4 -f mp4 in.m4a",
         "only video, no audio stream"},
        {"in.mkv", "ffmpeg -f lavfi -i color=s=32x32:d=1 -c:v mpeg4 in.mkv", "only video, no audio stream"},
        {"in.mkv", "printf '1\\n00:00:00,000 --> 00:00:01,000\\nHi\\n' > s.srt && ffmpeg -i s.srt in.mkv",
         "The file holds no audio stream."},
        {"in.m4a", "sed 's/mp4a/drms/' whole.m4a > in.m4a", "protected (DRM) audio stream"},
        {"in.m4a", "head -c 20000 whole.m4a > in.m4a", "The AAC stream is damaged at 0:0"},
        {"in.m4a", "ffmpeg -f lavfi -i sine=d=3 -c:a aac tail.m4a && head -c 20000 tail.m4a > in.m4a",
         "cut off"},
        {"in.wma", "head -c 3000 /dev/urandom > in.wma", "no container"},
    };
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.Command);
        TTempDir Dir;
        ASSERT_EQ(RunIn(Dir.Path(), Make + std::string(Row.Command)), 0);
        std::string Output;
        EXPECT_EQ(RunIn(Dir.Path(), Convert("-f wav -o out " + std::string(Row.Input)), &Output), 1);
        EXPECT_NE(Output.find(Row.Reason), std::string::npos) << Output;
        EXPECT_FALSE(fs::exists(Dir.File("out/in.wav")));
    }
}

} // namespace
} // namespace deraz::test
