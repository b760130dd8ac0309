// WavPack, AIFF and the FLAC levels through deraz-convert: the levels against the flac tool, and
// damaged WavPack and AIFF inputs, which must fail in one line naming the file and the place.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "tests/support/TestSupport.h"

namespace deraz::test {
namespace {

namespace fs = std::filesystem;

struct LosslessConversions : ::testing::Test {
    TTempDir Dir;
    std::string Music = Dir.File("music.wav");
    std::string Messages;

    void SetUp() override { WritePcmWav(Music, MusicLikeSignal(44100 * 12, 2, 44100, 7), 2, 44100); }

    int Run(const std::string& Command) {
        Messages.clear();
        return RunIn(Dir.Path(), Command, &Messages);
    }
    int Convert(const std::string& Arguments) {
        Messages.clear();
        return RunConverter("-q " + Arguments, &Messages);
    }
};

TEST_F(LosslessConversions, FlacLevelsMatchTheFlacToolInSizeAndAreExact) {
    const auto Pcm = DecodeWithFfmpeg(Music);
    for (int Level = 0; Level <= 8; ++Level) {
        SCOPED_TRACE(Level);
        const std::string Out = Dir.File("l" + std::to_string(Level));
        ASSERT_EQ(Convert("-f flac -l \"level " + std::to_string(Level) + "\" -o " + ShellQuote(Out) + " " +
                          ShellQuote(Music)),
                  0)
            << Messages;
        // Our files keep 4 KiB of padding but no seek table.
        ASSERT_EQ(
            Run("flac -s -f -" + std::to_string(Level) + " -P 4096 --no-seektable -o ref.flac music.wav"), 0)
            << Messages;
        const double Ours = double(fs::file_size(Out + "/music.flac"));
        const double Theirs = double(fs::file_size(Dir.File("ref.flac")));
        EXPECT_NEAR(Ours / Theirs, 1.0, 0.002) << Ours << " against " << Theirs;
        EXPECT_EQ(DecodeWithFfmpeg(Out + "/music.flac"), Pcm);
    }
    // Without -l the list's default is level 5; entry 0 is still the fixed-predictor setting.
    ASSERT_EQ(Convert("-f flac -o " + ShellQuote(Dir.File("default")) + " " + ShellQuote(Music)), 0)
        << Messages;
    EXPECT_EQ(ReadFileBytes(Dir.File("default/music.flac")), ReadFileBytes(Dir.File("l5/music.flac")));
    ASSERT_EQ(Convert("-f flac -l 0 -o " + ShellQuote(Dir.File("standard")) + " " + ShellQuote(Music)), 0);
    std::string BlockSize;
    RunCommand("metaflac --show-max-blocksize " + ShellQuote(Dir.File("standard/music.flac")), &BlockSize);
    EXPECT_EQ(BlockSize, "4608\n");
}

TEST_F(LosslessConversions, DamagedInputsFailInOneLineSayingWhere) {
    // {input, commands that make it from music.wav, the words its failure line holds}
    struct {
        const char *Name, *Make, *Reason;
    } Rows[] = {
        {"cut.wv", "wavpack -q -m music.wav -o w.wv && head -c 300000 w.wv > cut.wv", "cut.wv: the audio "},
        // A byte of the audio changed: the block's check sum or the file's MD5 sum finds it.
        {"flipped.wv",
         "wavpack -q -m music.wav -o flipped.wv && printf '\\xA5' | dd of=flipped.wv bs=1 seek=200000 "
         "conv=notrunc status=none",
         "flipped.wv: the audio "},
        {"cut.aiff", "sox music.wav w.aiff && head -c 1000000 w.aiff > cut.aiff",
         "the audio ends at sample "},
        {"empty.aiff", "printf 'FORM\\000\\000\\000\\004AIFF' > empty.aiff", "no \"COMM\" chunk"},
        {"junk.wv", "head -c 5000 /dev/urandom > junk.wv", "no WavPack file"},
    };
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.Name);
        ASSERT_EQ(Run(Row.Make), 0) << Messages;
        const std::string Out = Dir.File(std::string("out-") + Row.Name);
        EXPECT_EQ(Convert("-f wav -o " + ShellQuote(Out) + " " + ShellQuote(Dir.File(Row.Name))), 1);
        std::istringstream Lines(Messages);
        std::string Line;
        while (std::getline(Lines, Line) && Line.find(": failed: ") == std::string::npos) {
        }
        EXPECT_NE(Line.find(Row.Reason), std::string::npos) << Messages;
        EXPECT_TRUE(!fs::exists(Out) || fs::is_empty(Out)) << "no output is left";
    }
}

TEST_F(LosslessConversions, AStoredMD5SumThatDoesNotMatchIsAnError) {
    ASSERT_EQ(Run("wavpack -q -m music.wav -o sum.wv"), 0) << Messages;
    // The sum is stored as a metadata item of its own (id 0x26, 16 bytes): change its last byte.
    auto Bytes = ReadFileBytes(Dir.File("sum.wv"));
    std::string Digest;
    Run("ffmpeg -nostdin -v error -i music.wav -f s16le - | md5sum | cut -c1-32");
    Digest = Messages.substr(0, 32);
    std::vector<uint8_t> Sum;
    for (size_t I = 0; I + 1 < Digest.size(); I += 2)
        Sum.push_back(uint8_t(std::stoi(Digest.substr(I, 2), nullptr, 16)));
    auto At = std::search(Bytes.begin(), Bytes.end(), Sum.begin(), Sum.end());
    ASSERT_NE(At, Bytes.end()) << "the sum is in the file";
    At[15] ^= 1;
    WriteFileBytes(Dir.File("sum.wv"), Bytes);
    EXPECT_EQ(Convert("-f flac -o " + ShellQuote(Dir.File("out")) + " " + ShellQuote(Dir.File("sum.wv"))), 1);
    EXPECT_NE(Messages.find("sum.wv: the audio does not match the MD5 sum the file stores."),
              std::string::npos)
        << Messages;
}

} // namespace
} // namespace deraz::test
