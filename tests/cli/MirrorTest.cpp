// A converted copy kept in step over several runs: names from tags, sources renamed, removed and
// retagged, a dry run, and shares converted by several processes at once.
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

namespace fs = std::filesystem;
using test::ShellQuote;

class MirrorTest : public ::testing::Test {
protected:
    // Runs deraz-convert into out/ with its own settings; returns its exit status.
    int Convert(const std::string& Arguments) {
        return test::RunCommand(ShellQuote(test::ConverterProgram()) + " -q -f flac --copy-tags -o " +
                                ShellQuote(Dir.File("out")) + " " + Arguments + " " +
                                ShellQuote(Dir.File("lib")) + " >" + ShellQuote(Dir.File("log")) + " 2>&1");
    }
    void MakeTrack(const std::string& Name, const std::string& Tags, uint32_t Seed) {
        fs::create_directories(fs::path(Dir.File("lib/" + Name)).parent_path());
        test::WritePcmWav(Dir.File("t.wav"), test::MusicLikeSignal(8000, 2, 44100, Seed), 2, 44100);
        ASSERT_EQ(test::RunCommand("flac -s -f -o " + ShellQuote(Dir.File("lib/" + Name)) + " " +
                                   Dir.File("t.wav") + " && metaflac " + Tags + " " +
                                   ShellQuote(Dir.File("lib/" + Name))),
                  0);
    }
    // Every file below out/ but the manifests, with its bytes.
    std::map<std::string, std::vector<uint8_t>> Outputs() {
        std::map<std::string, std::vector<uint8_t>> Files;
        for (const auto& Item : fs::recursive_directory_iterator(Dir.File("out")))
            if (Item.is_regular_file() && !Item.path().filename().string().starts_with(".deraz-manifest"))
                Files[fs::relative(Item.path(), Dir.File("out")).string()] = test::ReadFileBytes(Item.path());
        return Files;
    }
    std::vector<uint8_t> Audio(const std::string& Output) {
        return test::DecodeWithFfmpeg(Dir.File("out/" + Output));
    }
    test::TTempDir Dir;
};

TEST_F(MirrorTest, KeepsTheCopyInStepWithoutConvertingTagEdits) {
    const std::string Pattern = "--name '{albumartist}/{album}/{track:02} - {title}'";
    MakeTrack("a/1.flac",
              "--set-tag=ARTIST=Ann --set-tag=ALBUM=First --set-tag=TRACKNUMBER=1 --set-tag=TITLE=One", 1);
    MakeTrack("a/2.flac",
              "--set-tag=ARTIST=Ann --set-tag=ALBUM=First --set-tag=TRACKNUMBER=2 --set-tag=TITLE=Two", 2);
    MakeTrack("b/x.flac", "--set-tag=COMPILATION=1 --set-tag=TITLE=What?", 3);
    MakeTrack("b/y.flac", "--set-tag=ARTIST=Bo", 4);
    ASSERT_EQ(Convert(Pattern + " --mirror"), 0);
    test::WriteFileBytes(Dir.File("out/mine.txt"), {'m'});
    auto First = Outputs();
    std::vector<std::string> Names;
    for (const auto& [Name, Bytes] : First) Names.push_back(Name);
    EXPECT_EQ(Names, (std::vector<std::string>{"Ann/First/01 - One.flac", "Ann/First/02 - Two.flac",
                                               "Bo/Unknown Album/ - y.flac",
                                               "Various Artists/Unknown Album/ - What_.flac", "mine.txt"}));

    // One album retagged, one source removed, one renamed.
    ASSERT_EQ(test::RunCommand("metaflac --remove-tag=ALBUM --set-tag=ALBUM=Firstly " +
                               Dir.File("lib/a/1.flac") + " " + Dir.File("lib/a/2.flac")),
              0);
    fs::remove(Dir.File("lib/b/y.flac"));
    fs::rename(Dir.File("lib/b/x.flac"), Dir.File("lib/b/z.flac"));
    ASSERT_EQ(Convert(Pattern + " --mirror --dry-run"), 0);
    EXPECT_EQ(Outputs(), First) << "a dry run changes nothing";
    ASSERT_EQ(Convert(Pattern + " --mirror"), 0);
    auto Second = Outputs();
    std::vector<std::string> Now;
    for (const auto& [Name, Bytes] : Second) Now.push_back(Name);
    EXPECT_EQ(Now, (std::vector<std::string>{"Ann/Firstly/01 - One.flac", "Ann/Firstly/02 - Two.flac",
                                             "Various Artists/Unknown Album/ - What_.flac", "mine.txt"}));
    EXPECT_FALSE(fs::exists(Dir.File("out/Ann/First")) || fs::exists(Dir.File("out/Bo")));
    EXPECT_EQ(Audio("Ann/Firstly/01 - One.flac"), test::DecodeWithFfmpeg(Dir.File("lib/a/1.flac")));
    std::string Log(test::ReadFileBytes(Dir.File("log")).begin(), test::ReadFileBytes(Dir.File("log")).end());
    EXPECT_EQ(Log, "") << "quiet";
    ASSERT_EQ(Convert(Pattern + " --mirror --dry-run"), 0);
    EXPECT_EQ(test::ReadFileBytes(Dir.File("log")).size(), 0u) << "nothing left to do";
}

TEST_F(MirrorTest, SharesRunAtOnceConvertEveryFileOnce) {
    for (int I = 0; I < 12; ++I)
        MakeTrack("d" + std::to_string(I % 3) + "/" + std::to_string(I) + ".flac", "", uint32_t(I));
    std::string Shards;
    for (int K = 1; K <= 4; ++K)
        Shards += "(" + ShellQuote(test::ConverterProgram()) + " -f flac -o " + ShellQuote(Dir.File("out")) +
                  " --shard " + std::to_string(K) + "/4 " + ShellQuote(Dir.File("lib")) + " >" +
                  ShellQuote(Dir.File("log" + std::to_string(K))) + ") & ";
    ASSERT_EQ(test::RunCommand(Shards + "wait"), 0);
    int Converted = 0;
    for (int K = 1; K <= 4; ++K) {
        auto Log = test::ReadFileBytes(Dir.File("log" + std::to_string(K)));
        std::string Text(Log.begin(), Log.end());
        for (size_t At = 0; (At = Text.find("] converted ", At)) != std::string::npos; ++At) ++Converted;
    }
    EXPECT_EQ(Converted, 12);
    EXPECT_EQ(Outputs().size(), 12u);
    ASSERT_EQ(Convert("--mirror"), 0) << "a whole run after the shares finds everything up to date";
    EXPECT_EQ(Outputs().size(), 12u);
}

} // namespace
} // namespace deraz
