// A 3 GiB WAV file, sparse but for its header and its last second of music, converts whole into
// FLAC and into WAV: past 2 GiB nothing is cut, and the last samples are the input's.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "tests/support/FlacTools.h"

namespace deraz::test {
namespace {

namespace fs = std::filesystem;

constexpr int32_t Rate = 44100;
constexpr uint64_t FrameBytes = 4; // 16-bit stereo
constexpr uint64_t DataBytes = 3ull << 30;

void PutLe(std::ofstream& Out, uint64_t Value, int Bytes) {
    for (int I = 0; I < Bytes; ++I) Out.put(char(Value >> (8 * I)));
}

// Writes a canonical 16-bit stereo header for DataBytes of PCM, extends the file with zeros
// without writing them, then appends Tail as the last bytes of the data.
void WriteSparseWav(const std::string& FileName, const std::vector<int16_t>& Tail) {
    {
        std::ofstream Out(FileName, std::ios::binary);
        Out.write("RIFF", 4);
        PutLe(Out, 36 + DataBytes, 4);
        Out.write("WAVEfmt ", 8);
        for (auto [Value, Bytes] :
             {std::pair{16, 4}, {1, 2}, {2, 2}, {Rate, 4}, {Rate * 4, 4}, {4, 2}, {16, 2}})
            PutLe(Out, uint64_t(Value), Bytes);
        Out.write("data", 4);
        PutLe(Out, DataBytes, 4);
    }
    uint64_t TailBytes = Tail.size() * 2;
    fs::resize_file(FileName, 44 + DataBytes - TailBytes);
    std::ofstream Out(FileName, std::ios::binary | std::ios::app);
    Out.write(reinterpret_cast<const char*>(Tail.data()), std::streamsize(TailBytes));
}

std::vector<uint8_t> FileTail(const std::string& FileName, uint64_t Bytes) {
    std::ifstream In(FileName, std::ios::binary);
    In.seekg(-std::streamoff(Bytes), std::ios::end);
    std::vector<uint8_t> Result(Bytes);
    In.read(reinterpret_cast<char*>(Result.data()), std::streamsize(Bytes));
    return Result;
}

TEST(LargeFile, ThreeGibibyteWavConvertsWholeIntoFlacAndWav) {
    TTempDir Dir;
    std::string Input = Dir.File("long.wav");
    auto Tail = MusicLikeSignal(Rate, 2, Rate, 7);
    WriteSparseWav(Input, Tail);
    std::vector<uint8_t> TailBytes = SamplesToBytes(Tail);
    const uint64_t Frames = DataBytes / FrameBytes;

    std::string Messages;
    ASSERT_EQ(
        RunConverter("-q -f flac -o " + ShellQuote(Dir.File("flac")) + " " + ShellQuote(Input), &Messages), 0)
        << Messages;
    std::string Flac = Dir.File("flac/long.flac");
    EXPECT_EQ(Metaflac("--show-total-samples", Flac), std::to_string(Frames));
    std::string Decoded = Dir.File("tail.raw");
    ASSERT_EQ(RunCommand("flac -d -s -f --force-raw-format --endian=little --sign=signed --skip=" +
                         std::to_string(Frames - Tail.size() / 2) + " -o " + ShellQuote(Decoded) + " " +
                         ShellQuote(Flac)),
              0);
    EXPECT_TRUE(ReadFileBytes(Decoded) == TailBytes);

    // The WAV copy is no longer sparse: it is removed as soon as it is checked.
    ASSERT_EQ(
        RunConverter("-q -f wav -o " + ShellQuote(Dir.File("wav")) + " " + ShellQuote(Input), &Messages), 0)
        << Messages;
    std::string Wav = Dir.File("wav/long.wav");
    std::string Samples;
    RunCommand("soxi -s " + ShellQuote(Wav), &Samples);
    EXPECT_EQ(Samples, std::to_string(Frames) + "\n");
    EXPECT_TRUE(FileTail(Wav, TailBytes.size()) == TailBytes);
    fs::remove(Wav);
}

} // namespace
} // namespace deraz::test
