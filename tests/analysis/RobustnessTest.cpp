// Every reader on truncated, corrupted and random files: no crash, no hang, no error from a file
// that can be opened. Meant to run under AddressSanitizer and UndefinedBehaviorSanitizer.
#include "analysis/MediaInfo.h"
#include "tests/analysis/AnalysisTestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace deraz::test {
namespace {

// Reads Bytes as each of the five kinds through the info command and the bitrate column.
void ReadAsEveryKind(const TTempDir& Dir, const TBytes& Bytes) {
    std::vector<std::string> Files;
    for (const char* Ext : {".mp3", ".ogg", ".flac", ".ape", ".wav"}) {
        Files.push_back(Dir.File(std::string("case") + Ext));
        WriteFileBytes(Files.back(), Bytes);
    }
    std::ostringstream Out;
    RunMediaInfo(Files, Out);
    ASSERT_EQ(Out.str().find("Error:"), std::string::npos) << Out.str();
}

std::vector<TBytes> SampleFiles(const TTempDir& Dir) {
    std::string Wav = MakeWav(Dir, "in.wav", 0.6, 44100, 2);
    std::string Mp3 = Dir.File("a.mp3"), Vbr = Dir.File("v.mp3"), Ogg = Dir.File("a.ogg"),
                Flac = Dir.File("a.flac");
    RunTool("lame --quiet -b 128 " + ShellQuote(Wav) + " " + ShellQuote(Mp3));
    RunTool("id3v2 -a Artist -t Title -c Comment " + ShellQuote(Mp3));
    RunTool("lame --quiet -V 2 " + ShellQuote(Wav) + " " + ShellQuote(Vbr));
    RunTool("/usr/bin/python3 -c " +
            ShellQuote("import sys\nfrom mutagen.apev2 import APEv2\nt = APEv2()\nt['Title'] = 'x' * 40\n"
                       "t['Artist'] = 'y'\nt.save(sys.argv[1])\n") +
            " " + ShellQuote(Vbr));
    RunTool("oggenc -Q -t Title -a Artist -o " + ShellQuote(Ogg) + " " + ShellQuote(Wav));
    RunTool("flac -s --tag=TITLE=Title --tag=ARTIST=Artist -o " + ShellQuote(Flac) + " " + ShellQuote(Wav));
    TBytes Ape;
    Append(Ape, "MAC ");
    AppendLE16(Ape, 3990);
    AppendZeros(Ape, 46);
    Ape[8] = 52;
    Ape[12] = 24;
    TBytes Header{0xD0, 0x07, 0, 0, 0, 0x20, 0, 0, 0x10, 0, 0, 0, 3, 0, 0, 0, 16, 0, 2, 0, 0x44, 0xAC, 0, 0};
    Ape.insert(Ape.end(), Header.begin(), Header.end());
    AppendZeros(Ape, 3000);
    return {ReadFileBytes(Mp3),  ReadFileBytes(Vbr), ReadFileBytes(Ogg),
            ReadFileBytes(Flac), ReadFileBytes(Wav), Ape};
}

TEST(Robustness, TruncatedCorruptedAndRandomFiles) {
    TTempDir Dir;
    std::mt19937 Random(20261208);
    for (const TBytes& Sample : SampleFiles(Dir)) {
        for (size_t Length :
             {size_t(0), size_t(3), size_t(9), size_t(10), size_t(31), size_t(42), size_t(127), size_t(129),
              size_t(300), size_t(1800), size_t(3600), Sample.size() / 2, Sample.size() - 1})
            ReadAsEveryKind(Dir, TBytes(Sample.begin(), Sample.begin() + std::min(Length, Sample.size())));
        for (int Round = 0; Round < 60; ++Round) {
            TBytes Damaged = Sample;
            // Hostile numbers where headers, counts and sizes live (near both ends), and random bytes.
            std::uniform_int_distribution<size_t> Head(0, std::min<size_t>(Damaged.size(), 600) - 4);
            std::uniform_int_distribution<size_t> Anywhere(0, Damaged.size() - 4);
            for (int Change = 0; Change < 4; ++Change) {
                size_t At = Change % 2 ? Head(Random) : Anywhere(Random);
                if (Change == 3)
                    At = Damaged.size() - 4 - Head(Random) % std::min<size_t>(Damaged.size() - 4, 200);
                uint32_t Value = Random() % 3 == 0 ? 0xFFFFFFFF : Random();
                for (int B = 0; B < 4; ++B) Damaged[At + B] = uint8_t(Value >> (8 * B));
            }
            ReadAsEveryKind(Dir, Damaged);
        }
    }
    for (int Round = 0; Round < 40; ++Round) {
        TBytes Noise(size_t(Random() % 20000));
        for (auto& B : Noise) B = uint8_t(Random());
        ReadAsEveryKind(Dir, Noise);
    }
}

} // namespace
} // namespace deraz::test
