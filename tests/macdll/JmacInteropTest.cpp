// JMAC, an independent implementation, reads our files exactly and we read its files exactly.
#include "macdll/MACDll.h"
#include "tests/macdll/ApeTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace deraz::test {
namespace {

// JMAC exits 0 even when it fails and will not replace an existing output, so the output is
// removed first and its presence and contents are what counts.
std::vector<uint8_t> RunJmac(const std::string& Command, const std::string& In, const std::string& Out) {
    std::filesystem::remove(Out);
    RunCommand("jmac " + Command + " " + ShellQuote(In) + " " + ShellQuote(Out));
    return std::filesystem::exists(Out) ? ReadFileBytes(Out) : std::vector<uint8_t>{};
}

class Jmac : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(Jmac, DecodesOursAndWeDecodeItsFiles) {
    if (!ToolAvailable("jmac")) GTEST_SKIP() << "jmac is not installed";
    const auto [Channels, Level] = GetParam();
    TTempDir Dir;
    // JMAC compresses 8- and 16-bit only.
    for (int Bits : {8, 16}) {
        const TPcm Pcm = ApeTestPcm(TApeSignal::Music, 30000, Channels, Bits, uint32_t(Level));
        std::vector<uint8_t> Wav = WavHeader(Pcm);
        Wav.insert(Wav.end(), Pcm.Bytes.begin(), Pcm.Bytes.end());
        WriteFileBytes(Dir.File("in.wav"), Wav);

        ASSERT_EQ(CompressFile(Dir.File("in.wav").c_str(), Dir.File("ours.ape").c_str(), Level, nullptr,
                               nullptr, nullptr),
                  0);
        EXPECT_EQ(RunJmac("d", Dir.File("ours.ape"), Dir.File("jmac.wav")), Wav) << Bits << " bits";

        const std::string Flag = "c" + std::to_string(Level / 1000);
        ASSERT_FALSE(RunJmac(Flag, Dir.File("in.wav"), Dir.File("jmac.ape")).empty())
            << "jmac could not compress";
        ASSERT_EQ(DecompressFile(Dir.File("jmac.ape").c_str(), Dir.File("back.wav").c_str(), nullptr, nullptr,
                                 nullptr),
                  0);
        EXPECT_EQ(ReadFileBytes(Dir.File("back.wav")), Wav) << Bits << " bits";
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, Jmac,
                         ::testing::Combine(::testing::Values(1, 2),
                                            ::testing::Values(1000, 2000, 3000, 4000, 5000)));

} // namespace
} // namespace deraz::test
