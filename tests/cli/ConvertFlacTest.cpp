// deraz-convert with FLAC on either side: both output extensions with the stored encoder
// settings, and a damaged input.
#include <filesystem>
#include <gtest/gtest.h>

#include "tests/codecs/CodecTestDoubles.h"
#include "tests/support/FlacTools.h"

namespace deraz::test {
namespace {

namespace fs = std::filesystem;

class ConvertFlac : public ::testing::Test {
protected:
    // Runs deraz-convert quietly into folder Out, which it makes; its exit status, messages in Messages.
    int Convert(const std::string& Format, const std::string& Out, const std::string& File) {
        return RunConverter("-q -f " + Format + " -o " + ShellQuote(Dir.File(Out)) + " " + ShellQuote(File),
                            &Messages);
    }

    TTempDir Dir;
    std::string Messages;
};

TEST_F(ConvertFlac, WavBecomesFlacUnderBothExtensions) {
    for (TPcmFormat Format : {TPcmFormat{2, 16, 44100}, TPcmFormat{1, 8, 8000}}) {
        auto Pcm = MusicPcm(4608 * 3 + 1, Format);
        std::string Wav = Dir.File("in.wav");
        WritePcmWav(Wav, Pcm.data(), Pcm.size(), Format.Channels, Format.SampleRate, Format.BitsPerSample);
        for (std::string Ext : {"fla", "flac"}) {
            std::string Out = Ext + std::to_string(Format.BitsPerSample);
            ASSERT_EQ(Convert(Ext, Out, Wav), 0) << Messages;
            std::string File = Dir.File(Out + "/in." + Ext);
            EXPECT_TRUE(DecodeWithFlac(File, Format.BitsPerSample) == Pcm) << File;
            // The default, "Level 5": blocks of 4096 frames, as flac -5 writes them.
            EXPECT_EQ(Metaflac("--show-max-blocksize", File), "4096");
            EXPECT_EQ(Metaflac("--show-total-samples", File), std::to_string(4608 * 3 + 1));
        }
    }
}

TEST_F(ConvertFlac, DamagedInputFailsAndLeavesNoOutput) {
    const TPcmFormat Format{2, 16, 44100};
    std::string Input = Dir.File("damaged.flac");
    ASSERT_TRUE(EncodeWithFlac(MusicPcm(100000, Format), Format, "-5", Input));
    auto Bytes = ReadFileBytes(Input);
    for (size_t I = Bytes.size() / 2; I < Bytes.size() / 2 + 32; ++I) Bytes[I] ^= 0xA5;
    WriteFileBytes(Input, Bytes);
    // Whichever sink reads it, the damage is reported and nothing is written.
    for (const char* Ext : {"fla", "wav"}) {
        EXPECT_EQ(Convert(Ext, Ext, Input), 1) << Ext;
        EXPECT_NE(Messages.find("damaged.flac: failed"), std::string::npos) << Messages;
        EXPECT_TRUE(fs::is_empty(Dir.File(Ext))) << Ext;
    }
    EXPECT_NE(Messages.find("Error reading FLAC file"), std::string::npos) << Messages;
    EXPECT_EQ(ReadFileBytes(Input), Bytes);
}

} // namespace
} // namespace deraz::test
