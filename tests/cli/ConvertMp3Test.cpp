// deraz-convert with MP3 on either side: the bit rate list reaches the encoder, and MP3 input is
// decoded to exactly what mpg123 decodes.
#include <filesystem>
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

using test::ShellQuote;

int Convert(const std::string& Arguments) {
    std::string Output;
    int Status = test::RunCommand(ShellQuote(DERAZ_CONVERT) + " -q " + Arguments, &Output);
    EXPECT_EQ(Output, "");
    return Status;
}

std::string Probe(const std::string& FileName, const std::string& Entries) {
    std::string Output;
    test::RunCommand(
        "ffprobe -v error -show_entries stream=" + Entries + " -of csv=p=0 " + ShellQuote(FileName), &Output);
    return Output;
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
         {std::pair{0, "8000,8000\n"}, std::pair{11, "44100,128000\n"}, std::pair{17, "44100,320000\n"}}) {
        std::string Out = Dir.File("l" + std::to_string(Entry));
        std::filesystem::create_directories(Out);
        ASSERT_EQ(Convert("-f mp3 -l " + std::to_string(Entry) + " -o " + ShellQuote(Out) + " " +
                          ShellQuote(Input)),
                  0);
        EXPECT_EQ(Probe(Out + "/in.mp3", "sample_rate,bit_rate"), Expected) << Entry;
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

} // namespace
} // namespace deraz
