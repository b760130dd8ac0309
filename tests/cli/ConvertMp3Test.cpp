// deraz-convert with MP3 on either side: the bit rate list reaches the encoder, MP3 input is
// decoded to exactly what mpg123 decodes, and MPEG Layer-3 inside WAV files is read.
#include <filesystem>
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

using test::ShellQuote;

int Convert(const std::string& Arguments) {
    std::string Output;
    int Status = test::RunConverter("-q " + Arguments, &Output);
    EXPECT_EQ(Output, "");
    return Status;
}

std::vector<uint8_t> RawFromTool(const std::string& Command) {
    test::TTempDir Dir;
    EXPECT_EQ(test::RunCommand(Command + " > " + ShellQuote(Dir.File("raw"))), 0) << Command;
    return test::ReadFileBytes(Dir.File("raw"));
}

std::string LameFile(const test::TTempDir& Dir) {
    std::string Wav = Dir.File("source.wav"), Mp3 = Dir.File("in.mp3");
    test::WritePcmWav(Wav, test::MusicLikeSignal(44100 * 2 + 11, 2, 44100, 5), 2, 44100);
    EXPECT_EQ(test::RunCommand("lame --quiet -V 4 " + ShellQuote(Wav) + " " + ShellQuote(Mp3)), 0);
    return Mp3;
}

TEST(ConvertMp3, BitRateListEntriesReachTheEncoder) {
    test::TTempDir Dir;
    std::string Input = LameFile(Dir);
    for (auto [Entry, Expected] :
         {std::pair{0, "8000,8000"}, std::pair{11, "44100,128000"}, std::pair{17, "44100,320000"}}) {
        std::string Out = Dir.File("l" + std::to_string(Entry));
        ASSERT_EQ(Convert("-f mp3 -l " + std::to_string(Entry) + " -o " + ShellQuote(Out) + " " +
                          ShellQuote(Input)),
                  0);
        auto Fields = test::ProbeEntries(Out + "/in.mp3", "stream=sample_rate,bit_rate");
        EXPECT_EQ(Fields["sample_rate"] + "," + Fields["bit_rate"], Expected) << Entry;
    }
}

TEST(ConvertMp3, Mp3InputDecodesToExactlyWhatMpg123Decodes) {
    test::TTempDir Dir;
    std::string Input = LameFile(Dir);
    ASSERT_EQ(Convert("-f flac -o " + ShellQuote(Dir.Path().string()) + " " + ShellQuote(Input)), 0);
    auto Ours = RawFromTool("flac -d -s -c --force-raw-format --endian=little --sign=signed " +
                            ShellQuote(Dir.File("in.flac")));
    auto Reference = RawFromTool("mpg123 -q -s " + ShellQuote(Input));
    EXPECT_EQ(Ours.size(), size_t(44100 * 2 + 11) * 4);
    EXPECT_TRUE(Ours == Reference) << Ours.size() << " vs " << Reference.size();
}

TEST(ConvertMp3, WavToMp3AndBackKeepsTheLength) {
    test::TTempDir Dir;
    auto Samples = test::MusicLikeSignal(44100 * 2 + 333, 2, 44100, 9);
    test::WritePcmWav(Dir.File("song.wav"), Samples, 2, 44100);
    ASSERT_EQ(
        Convert("-f mp3 -l 11 -o " + ShellQuote(Dir.File("mp3")) + " " + ShellQuote(Dir.File("song.wav"))),
        0);
    ASSERT_EQ(
        Convert("-f wav -o " + ShellQuote(Dir.File("back")) + " " + ShellQuote(Dir.File("mp3/song.mp3"))), 0);
    auto Back = test::BytesToSamples(test::DecodeWithFfmpeg(Dir.File("back/song.wav")));
    ASSERT_EQ(Back.size(), Samples.size());
    EXPECT_GT(test::SignalToNoiseDb(Samples, Back), 5.0);
}

TEST(ConvertMp3, MpegLayer3InsideWavConverts) {
    test::TTempDir Dir;
    test::WritePcmWav(Dir.File("pcm.wav"), test::MusicLikeSignal(44100, 1, 44100, 3), 1, 44100);
    ASSERT_EQ(test::RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(Dir.File("pcm.wav")) +
                               " -c:a libmp3lame -f wav " + ShellQuote(Dir.File("layer3.wav"))),
              0);
    ASSERT_EQ(
        Convert("-f flac -o " + ShellQuote(Dir.Path().string()) + " " + ShellQuote(Dir.File("layer3.wav"))),
        0);
    auto Ours = test::DecodeWithFfmpeg(Dir.File("layer3.flac"));
    auto Reference = test::DecodeWithFfmpeg(Dir.File("layer3.wav"));
    EXPECT_EQ(Ours.size(), Reference.size());
    EXPECT_GT(test::SignalToNoiseDb(test::BytesToSamples(Reference), test::BytesToSamples(Ours)), 60.0);
}

} // namespace
} // namespace deraz
