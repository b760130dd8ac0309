// Keeping a converted copy in step: names from tags, the audio fingerprint that ignores tag
// edits, the manifest and its shares, and the plan a run makes from them.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "driver/AudioHash.h"
#include "driver/LibrarySync.h"
#include "driver/NamePattern.h"
#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

namespace fs = std::filesystem;
using namespace test;

struct TPatternCase {
    const char* Pattern;
    std::map<std::string, std::vector<std::string>> Fields;
    const char* Expected;
};

TEST(NamePatternTest, ExpandsFieldsIntoSafeNames) {
    std::string Accents;
    for (int I = 0; I < 150; ++I) Accents += "\xC3\xA9"; // 300 bytes of "é"
    const TPatternCase Cases[] = {
        {"{albumartist}/{album}/{disc}-{track:02} - {title}",
         {{"ALBUMARTIST", {"AA"}},
          {"ALBUM", {"Al"}},
          {"DISCNUMBER", {"1"}},
          {"TRACKNUMBER", {"3"}},
          {"TITLE", {"T"}}},
         "AA/Al/1-03 - T.mp3"},
        {"{albumartist}/{title}", {{"COMPILATION", {"1"}}, {"ARTIST", {"X"}}}, "Various Artists/song.mp3"},
        {"{albumartist}/{title}", {{"ARTIST", {"X"}}}, "X/song.mp3"},
        {"{artist}/{album}/{title} ({year})",
         {{"DATE", {"1999-05-01"}}},
         "Unknown Artist/Unknown Album/song (1999).mp3"},
        {"{artist}/{title}", {{"ARTIST", {".."}}, {"TITLE", {"a/b:c*?\"<>|."}}}, "__/a_b_c_______.mp3"},
        {"{artist} /{title}\x01", {{"ARTIST", {"A"}}}, "A_/song_.mp3"},
        {"{folder}/{filename}", {}, "Rock/Live/song.mp3"},
        {"{genre}/{title}", {{"TITLE", {"T"}}}, "T.mp3"},
    };
    TInputFile Input{"/lib/Rock/Live/song.flac", "/lib", "Rock/Live/song.flac"};
    for (const auto& Case : Cases) {
        TTagSet Tags;
        Tags.Fields = Case.Fields;
        EXPECT_EQ(TNamePattern(Case.Pattern).Expand(Input, Tags, ".mp3"), Case.Expected) << Case.Pattern;
    }
    TTagSet LongTitle;
    LongTitle.Fields["TITLE"] = {Accents};
    std::string Name = TNamePattern("{title}").Expand(Input, LongTitle, ".mp3");
    EXPECT_EQ(Name, Accents.substr(0, 250) + ".mp3"); // 251 bytes of room, cut before a whole "é"
    for (const char* Bad : {"{nosuch}", "{title", "", "{track:x}"})
        EXPECT_THROW(TNamePattern{Bad}, std::invalid_argument) << Bad;
}

class TSyncFolder : public ::testing::Test {
protected:
    void SetUp() override {
        Root = fs::temp_directory_path() / ("deraz-sync-" + std::to_string(::getpid()));
        fs::remove_all(Root);
        fs::create_directories(Root / "lib");
        fs::create_directories(Root / "out");
    }
    void TearDown() override { fs::remove_all(Root); }
    std::string Path(const std::string& Name) const { return (Root / Name).string(); }
    // A FLAC file of Seed's audio, made with flac.
    void MakeFlac(const std::string& Name, uint32_t Seed) {
        WritePcmWav(Path("tmp.wav"), MusicLikeSignal(22050, 2, 44100, Seed), 2, 44100);
        ASSERT_EQ(RunCommand("flac -s -f -o " + ShellQuote(Path(Name)) + " " + Path("tmp.wav")), 0);
    }
    fs::path Root;
};

TEST_F(TSyncFolder, AudioHashIgnoresTagsButNotAudio) {
    MakeFlac("lib/a.flac", 1);
    MakeFlac("lib/b.flac", 2);
    auto Before = AudioHash(Path("lib/a.flac"));
    ASSERT_TRUE(Before);
    ASSERT_EQ(RunCommand("metaflac --set-tag=TITLE=Changed --set-tag=ALBUM=X " + Path("lib/a.flac")), 0);
    EXPECT_EQ(AudioHash(Path("lib/a.flac")), Before);
    EXPECT_NE(AudioHash(Path("lib/b.flac")), Before);
    ASSERT_EQ(RunCommand("ffmpeg -v error -y -i " + Path("lib/a.flac") + " " + Path("lib/a.ogg")), 0);
    auto Ogg = AudioHash(Path("lib/a.ogg"));
    ASSERT_EQ(RunCommand("vorbiscomment -w -t TITLE=Other -t COMMENT=" + std::string(5000, 'x') + " " +
                         Path("lib/a.ogg")),
              0);
    EXPECT_EQ(AudioHash(Path("lib/a.ogg")), Ogg);
    EXPECT_FALSE(AudioHash(Path("lib/none.flac")));
}

TEST_F(TSyncFolder, ManifestKeepsOddNamesAndSharesSplitTheSources) {
    TManifest Manifest;
    Manifest.SetNaming("{title}\t.mp3");
    Manifest.Put({"/lib/a\tb\nc\\d.flac", "a\tb\nc\\d.flac", "x/a.mp3", 12, -5, 0xFEDCBA9876543210ull});
    Manifest.Save(Path("out"), {});
    TManifest Read = TManifest::Load(Path("out"));
    ASSERT_EQ(Read.Entries().size(), 1u);
    const auto& Entry = Read.Entries().begin()->second;
    EXPECT_EQ(Entry.Source, "/lib/a\tb\nc\\d.flac");
    EXPECT_EQ(std::tie(Entry.Output, Entry.Size, Entry.Time, Entry.AudioHash),
              std::make_tuple(std::string("x/a.mp3"), uint64_t(12), int64_t(-5), 0xFEDCBA9876543210ull));
    EXPECT_EQ(Read.Naming(), "{title}\t.mp3");

    std::vector<int> Takers(200);
    for (int Share = 1; Share <= 4; ++Share)
        for (int I = 0; I < 200; ++I) Takers[size_t(I)] += TShard{Share, 4}.Takes("f" + std::to_string(I));
    EXPECT_EQ(std::count(Takers.begin(), Takers.end(), 1), 200);
    EXPECT_FALSE(ParseShard("0/4") || ParseShard("5/4") || ParseShard("2") || ParseShard("a/b"));
}

TEST_F(TSyncFolder, PlanConvertsRetagsKeepsAndRemoves) {
    std::string Out = Path("out");
    for (const char* Name : {"same", "retag", "changed", "gone", "new"})
        MakeFlac("lib/" + std::string(Name) + ".flac", 7);
    TManifest Manifest;
    std::vector<TMediaBinItem> Items;
    for (const char* Name : {"same", "retag", "changed", "gone"}) {
        TMediaBinItem Item{{Path("lib/") + Name + ".flac", Path("lib"), std::string(Name) + ".flac"},
                           Out + "/" + Name + ".flac",
                           false};
        WriteFileBytes(Item.OutputName, {1});
        Manifest.Put(RecordOf(Item, Out));
        Items.push_back(Item);
    }
    Items.pop_back(); // "gone" is no longer in the library
    fs::remove(Path("lib/gone.flac"));
    WriteFileBytes(Path("out/mine.txt"), {1});
    ASSERT_EQ(RunCommand("metaflac --set-tag=TITLE=New " + Path("lib/retag.flac")), 0);
    MakeFlac("lib/changed.flac", 8);
    Items.push_back({{Path("lib/new.flac"), Path("lib"), "new.flac"}, Out + "/new.flac", false});

    TSyncPlan Plan = PlanSync(Items, Manifest, Out, true, true, {});
    std::map<std::string, TSyncAction> Actions;
    for (const auto& Item : Plan.Items) Actions[fs::path(Item.Item.Input.Path).stem().string()] = Item.Action;
    EXPECT_EQ(Actions, (std::map<std::string, TSyncAction>{{"same", TSyncAction::UpToDate},
                                                           {"retag", TSyncAction::Retag},
                                                           {"changed", TSyncAction::Convert},
                                                           {"new", TSyncAction::Convert}}));
    EXPECT_EQ(Plan.Removals, std::vector<std::string>{Out + "/gone.flac"});
    EXPECT_TRUE(PlanSync(Items, Manifest, Out, false, true, {}).Removals.empty());
}

} // namespace
} // namespace deraz
