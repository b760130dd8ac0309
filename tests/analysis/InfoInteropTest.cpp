// deraz-convert --info on files of every kind that ffmpeg, sox, oggenc, lame, flac and JMAC write,
// against ffprobe: duration, sample rate and channels, and a bit rate for every file.
#include "tests/analysis/AnalysisTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace deraz::test {
namespace {

// The "Name: value" lines that --info prints for each file, by file name.
std::map<std::string, std::map<std::string, std::string>> InfoLines(const std::string& Text) {
    std::map<std::string, std::map<std::string, std::string>> Files;
    std::map<std::string, std::string>* Current = nullptr;
    std::istringstream Lines(Text);
    std::string Line;
    while (std::getline(Lines, Line)) {
        size_t Colon = Line.find(": ");
        if (Colon == std::string::npos) continue;
        std::string Name = Line.substr(0, Colon), Value = Line.substr(Colon + 2);
        if (Name == "File") Current = &Files[Value];
        if (Current) (*Current)[Name] = Value;
    }
    return Files;
}

// Whether a "Channels:" text (a number, or the FLAC and MPEG mode names) says Count channels.
bool ChannelsAgree(const std::string& Text, int Count) {
    if (Text == "Mono") return Count == 1;
    if (Text == "Multi Channel") return Count > 2;
    if (!Text.empty() && std::isdigit(static_cast<unsigned char>(Text[0]))) return std::stoi(Text) == Count;
    return Count == 2; // Stereo, Joint Stereo, Dual Channel
}

TEST(InfoInterop, AgreesWithFfprobe) {
    struct TCase {
        const char* File;
        const char* Command; // run in the test's folder, which holds the sources below
    };
    const std::string Ffmpeg = "ffmpeg -nostdin -v error -y ";
    const TCase Cases[] = {
        {"list.wav", "-i s.wav -c:a pcm_s16le list.wav"}, // a LIST chunk before "data"
        {"s24.wav", "-i s.wav -c:a pcm_s24le s24.wav"},   // extensible
        {"s32.wav", "-i s.wav -c:a pcm_s32le s32.wav"},
        {"f32.wav", "-i s.wav -c:a pcm_f32le f32.wav"},
        {"f64.wav", "-i m.wav -c:a pcm_f64le f64.wav"},
        {"six.wav", "-i six_src.wav six.wav"},
        {"rf64.wav", "-i s.wav -rf64 always rf64.wav"},
        {"ima_ff.wav", "-i s.wav -c:a adpcm_ima_wav ima_ff.wav"},
        {"ms_ff.wav", "-i m.wav -c:a adpcm_ms ms_ff.wav"},
        {"ima_sox.wav", "sox m.wav -e ima-adpcm ima_sox.wav"},
        {"ms_sox.wav", "sox s.wav -e ms-adpcm ms_sox.wav"},
        {"oggenc.ogg", "oggenc -Q -o oggenc.ogg s.wav"},
        {"six.ogg", "oggenc -Q -o six.ogg six_src.wav"},
        {"ff.ogg", "-i m.wav -c:a libvorbis ff.ogg"},
        {"opusenc.opus", "opusenc --quiet s.wav opusenc.opus"},
        {"six.opus", "opusenc --quiet six_src.wav six.opus"},
        {"cbr.mp3", "lame --quiet -b 128 s.wav cbr.mp3"},
        {"vbr.mp3", "lame --quiet -V 4 m.wav vbr.mp3"},
        {"s16.flac", "flac -s -o s16.flac s.wav"},
        {"s24.flac", "flac -s -o s24.flac s24_src.wav"},
        {"six.flac", "flac -s -o six.flac six_src.wav"},
        {"s16.ape", "jmac c2 s.wav s16.ape > /dev/null"},
        {"s24.ape", "sox s24_src.wav -t wavpcm s24_plain.wav && jmac c2 s24_plain.wav s24.ape > /dev/null"},
    };
    TTempDir Dir;
    MakeWav(Dir, "s.wav", 2.3, 44100, 2);
    MakeWav(Dir, "m.wav", 1.7, 22050, 1);
    MakeWav(Dir, "six_src.wav", 1.1, 48000, 6);
    MakeWav(Dir, "s24_src.wav", 1.3, 96000, 2, 24);
    std::string Files;
    for (const TCase& Case : Cases) {
        std::string Command = Case.Command;
        if (Command.rfind("-i ", 0) == 0) Command = Ffmpeg + Command;
        RunTool("cd " + ShellQuote(Dir.Path().string()) + " && " + Command);
        Files += " " + ShellQuote(Dir.File(Case.File));
    }
    std::string Output;
    EXPECT_EQ(RunConverter("--info" + Files, &Output), 0) << Output;
    auto Info = InfoLines(Output);

    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.File);
        auto& Lines = Info[Dir.File(Case.File)];
        ASSERT_EQ(Lines.count("Valid"), 0u);
        TProbe P = Probe(Dir.File(Case.File));
        // Opus adds the rate it was encoded from.
        EXPECT_TRUE(Lines["Sampling rate"].starts_with(std::to_string(P.SampleRate) + " Hz"))
            << Lines["Sampling rate"];
        EXPECT_TRUE(ChannelsAgree(Lines["Channels"], P.Channels))
            << Lines["Channels"] << " vs " << P.Channels;
        // MP3 durations are shown to a tenth of a second, and may differ from ffprobe's by a frame.
        bool Mp3 = std::string(Case.File).ends_with(".mp3");
        double Tolerance = Mp3 ? 0.05 + 1152.0 / P.SampleRate : 0.01;
        EXPECT_NEAR(std::stod(Lines["Duration"]), P.Duration, Tolerance);
        std::string Bitrate = Lines["Average bitrate"];
        double Kbits = std::stod(Bitrate.substr(Bitrate.find_first_of("0123456789")));
        EXPECT_GT(Kbits, 0.0) << Bitrate;
        if (std::string(Case.File).ends_with(".ape")) {
            EXPECT_NEAR(Kbits, P.FormatBitRate / 1000.0, 0.5);
        }
    }
    EXPECT_EQ(Info[Dir.File("cbr.mp3")]["Encoder"], "LAME 3.100");
    EXPECT_EQ(Info[Dir.File("vbr.mp3")]["Encoder"], "LAME 3.100");
    EXPECT_EQ(Info[Dir.File("opusenc.opus")]["Sampling rate"], "48000 Hz (encoded from 44100 Hz)");
    EXPECT_EQ(Info[Dir.File("opusenc.opus")]["Encoder"], "Opus");
    EXPECT_TRUE(Info[Dir.File("opusenc.opus")]["Vendor"].starts_with("libopus ")) << "the vendor string";
}

} // namespace
} // namespace deraz::test
