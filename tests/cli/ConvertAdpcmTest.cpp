// deraz-convert with ADPCM WAV input made by sox and ffmpeg: every output format holds exactly the
// frames the input's "fact" chunk states, not the padding of its last block, and the lossless
// outputs hold the same samples as the WAV output.
#include <filesystem>
#include <gtest/gtest.h>

#include "tests/codecs/WaveTestFiles.h"

namespace deraz::test {
namespace {

namespace fs = std::filesystem;

// 16-bit PCM of a file, decoded by the independent decoder for its format.
std::vector<uint8_t> DecodeWithPeer(const std::string& FileName, const std::string& Ext) {
    if (Ext == "wav" || Ext == "ape") return DecodeWithFfmpeg(FileName);
    TTempDir Dir;
    std::string Raw = Dir.File("decoded.raw"), In = ShellQuote(FileName);
    std::string Command = Ext == "flac"
                              ? "flac -d -s -f --force-raw-format --endian=little --sign=signed -o " +
                                    ShellQuote(Raw) + " " + In
                          : Ext == "ogg" ? "oggdec -Q -R -o " + ShellQuote(Raw) + " " + In
                                         : "mpg123 -q -s " + In + " > " + ShellQuote(Raw);
    EXPECT_EQ(RunCommand(Command), 0) << Command;
    return ReadFileBytes(Raw);
}

TEST(ConvertAdpcm, EveryOutputEndsWhereTheFactChunkSays) {
    struct TInput {
        const char* Name;
        const char* Tool;
        const char* Options;
        int32_t Channels;
    };
    const TInput Inputs[] = {
        {"sox_ima_mono.wav", "sox", "-e ima-adpcm", 1},
        {"sox_ima_stereo.wav", "sox", "-e ima-adpcm", 2},
        {"sox_ms_mono.wav", "sox", "-e ms-adpcm", 1},
        {"sox_ms_stereo.wav", "sox", "-e ms-adpcm", 2},
        {"ffmpeg_ima_mono.wav", "ffmpeg", "-c:a adpcm_ima_wav -block_size 1024", 1},
        {"ffmpeg_ima_stereo.wav", "ffmpeg", "-c:a adpcm_ima_wav", 2},
        {"ffmpeg_ms_mono.wav", "ffmpeg", "-c:a adpcm_ms", 1},
        {"ffmpeg_ms_stereo.wav", "ffmpeg", "-c:a adpcm_ms -block_size 512", 2},
    };
    TTempDir Dir;
    fs::create_directories(Dir.File("in"));
    std::string Files;
    for (const TInput& Input : Inputs)
        Files += " " + ShellQuote(MakeToolWav(Dir, "in/" + std::string(Input.Name), Input.Tool, Input.Options,
                                              Input.Channels, 22050, 22050 + 77));
    for (const char* Ext : {"wav", "flac", "ape", "ogg", "mp3"}) {
        std::string Messages;
        ASSERT_EQ(
            RunConverter(std::string("-q -f ") + Ext + " -o " + ShellQuote(Dir.File(Ext)) + Files, &Messages),
            0)
            << Messages;
    }
    for (const TInput& Input : Inputs) {
        std::string Stem = fs::path(Input.Name).stem().string();
        uint32_t Frames = FactFrames(Dir.File("in/" + std::string(Input.Name)));
        // sox counts the frames it was given; ffmpeg counts its last block whole.
        if (std::string(Input.Tool) == "sox") {
            EXPECT_EQ(Frames, 22050u + 77) << Input.Name;
        }
        std::vector<uint8_t> Wav = DecodeWithPeer(Dir.File("wav/" + Stem + ".wav"), "wav");
        EXPECT_EQ(Wav.size(), size_t(Frames) * Input.Channels * 2) << Input.Name;
        for (std::string Ext : {"flac", "ape", "ogg", "mp3"}) {
            std::vector<uint8_t> Out = DecodeWithPeer(Dir.File(Ext + "/" + Stem + "." + Ext), Ext);
            int32_t Channels = Ext == "mp3" ? 2 : Input.Channels; // MP3 is written in stereo
            EXPECT_EQ(Out.size(), size_t(Frames) * Channels * 2) << Input.Name << " to " << Ext;
            if (Ext == "flac" || Ext == "ape") {
                EXPECT_TRUE(Out == Wav) << Input.Name << " to " << Ext;
            }
        }
    }
}

} // namespace
} // namespace deraz::test
