// deraz-convert with Monkey's Audio on either side: the level list, every output from an ".ape"
// input, and a damaged input.
#include <filesystem>
#include <gtest/gtest.h>

#include "codecs/ape/MACLibrary.h"
#include "driver/CodecSet.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {
namespace {

namespace fs = std::filesystem;

class ConvertApe : public ::testing::Test {
protected:
    void SetUp() override {
        Samples = MusicLikeSignal(30011, 2, 44100, 3);
        Pcm = SamplesToBytes(Samples);
        std::string Wav = Dir.File("source.wav");
        WritePcmWav(Wav, Samples, 2, 44100);
        Input = Dir.File("in.ape");
        ASSERT_EQ(MACLibrary()->CompressFile(Wav.c_str(), Input.c_str(), 3000, nullptr, nullptr, nullptr), 0);
    }

    // Runs deraz-convert quietly into folder Out, which it makes; its exit status, messages in Messages.
    int Convert(const std::string& Options, const std::string& Out, const std::string& File) {
        return RunConverter("-q " + Options + " -o " + ShellQuote(Dir.File(Out)) + " " + ShellQuote(File),
                            &Messages);
    }

    TTempDir Dir;
    std::vector<int16_t> Samples;
    std::vector<uint8_t> Pcm;
    std::string Input;
    std::string Messages;
};

// The compression level stored in the header of a file we write (after the 52-byte descriptor).
int32_t StoredLevel(const std::string& FileName) {
    auto Bytes = ReadFileBytes(FileName);
    return Bytes.size() < 54 ? -1 : Bytes[52] | Bytes[53] << 8;
}

TEST_F(ConvertApe, LevelIndexesGiveTheFileFormatsLevels) {
    // "Insane" is 5000; "braindead" (6000) is no level of the format and writes 5000.
    const int32_t Expected[] = {1000, 2000, 3000, 4000, 5000, 5000};
    for (int32_t Index = 0; Index < 6; ++Index) {
        std::string Out = "level" + std::to_string(Index);
        ASSERT_EQ(Convert("-f ape -l " + std::to_string(Index), Out, Input), 0) << Messages;
        std::string File = Dir.File(Out + "/in.ape");
        EXPECT_EQ(StoredLevel(File), Expected[Index]) << Index;
        EXPECT_EQ(DecodeWithFfmpeg(File), Pcm) << Index;
    }
}

TEST_F(ConvertApe, ApeInputReachesEveryOutput) {
    TCodecSet Codecs;
    for (const auto& Sink : Codecs.Pipelines().Sinks()) {
        std::string Ext = Sink.Extension.substr(1);
        // The lossy levels the peer tools use: MP3 at 128 kbit/s, Ogg Vorbis at quality 3.
        std::string Level = Ext == "mp3" ? " -l 11" : Ext == "ogg" ? " -l 3" : "";
        ASSERT_EQ(Convert("-f " + Ext + Level, Ext, Input), 0) << Ext << ": " << Messages;
        // At the input's rate: Opus decodes at 48 kHz.
        auto Decoded =
            BytesToSamples(DecodeWithFfmpeg(Dir.File(Ext + "/in" + Sink.Extension), "s16le -ar 44100"));
        bool Lossless =
            Ext == "ape" || Ext == "flac" || Ext == "fla" || Ext == "wav" || Ext == "wv" || Ext == "aiff";
        if (Ext == "wav") {
            // The header announces exactly the PCM the source delivered.
            auto Wav = ReadFileBytes(Dir.File("wav/in.wav"));
            ASSERT_EQ(Wav.size(), 44 + Pcm.size());
            EXPECT_EQ(uint32_t(Wav[40] | Wav[41] << 8 | Wav[42] << 16 | Wav[43] << 24), Pcm.size());
        }
        if (Lossless) {
            EXPECT_EQ(Decoded, Samples) << Ext;
        } else {
            // Lossy coders may pad or trim a frame; every channel must still be there, in time, as
            // near the music as the peer encoder gets.
            EXPECT_NEAR(double(Decoded.size()), double(Samples.size()), 2 * 2304.0) << Ext;
            EXPECT_GE(WorstChannelSnrDb(Samples, Decoded, 2),
                      PeerWorstChannelSnrDb(Samples, 2, 44100, Sink.Extension) - 1.0)
                << Ext;
        }
    }
}

TEST_F(ConvertApe, DamagedInputFailsAndLeavesNoOutput) {
    auto Bytes = ReadFileBytes(Input);
    Bytes.resize(Bytes.size() * 2 / 3);
    std::string Damaged = Dir.File("damaged.ape");
    WriteFileBytes(Damaged, Bytes);
    EXPECT_EQ(Convert("-f ape", "out", Damaged), 1);
    EXPECT_NE(Messages.find("MACDll error: "), std::string::npos) << Messages;
    EXPECT_TRUE(fs::is_empty(Dir.File("out")));
    EXPECT_EQ(ReadFileBytes(Damaged), Bytes);
}

} // namespace
} // namespace deraz::test
