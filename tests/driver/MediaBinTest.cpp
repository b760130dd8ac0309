// The media bin's naming rules, shared by the desktop program and the command line, and the
// batch's own guard against two entries writing one file.
#include "driver/MediaBin.h"

#include <functional>
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

TInputFile File(const std::string& Path) {
    return {Path, "", Path.substr(Path.rfind('/') + 1)};
}
// A file found through the folder /m.
TInputFile InFolder(const std::string& Relative) {
    return {"/m/" + Relative, "/m", Relative};
}

std::vector<std::string> Outputs(const TMediaBin& Bin) {
    std::vector<std::string> Names;
    for (const auto& Item : Bin.Items()) Names.push_back(Item.OutputName);
    return Names;
}

struct TNamingCase {
    const char* What;
    std::function<void(TMediaBin&)> Steps;
    std::vector<std::string> Expected;
};

TEST(MediaBin, NamesEveryOutputOnceWhateverChanges) {
    const TNamingCase Cases[] = {
        {"equal names are numbered as they are added",
         [](TMediaBin& Bin) {
             Bin.Add({File("/m/s.wav"), File("/m/s.flac"), File("/n/s.ape")});
         },
         {"/m/s.ogg", "/m/s (1).ogg", "/n/s.ogg"}},
        {"the output directory holds entries added after it was chosen",
         [](TMediaBin& Bin) {
             Bin.Add({File("/m/a.wav")});
             Bin.SetOutputDirectory("/out");
             Bin.Add({File("/n/a.flac"), InFolder("A/b.mp3")});
         },
         {"/out/a.ogg", "/out/a (1).ogg", "/out/A/b.ogg"}},
        {"folders are kept below the output directory",
         [](TMediaBin& Bin) {
             Bin.SetOutputDirectory("/out");
             Bin.Add({InFolder("A/01.flac"), InFolder("B/01.flac"), File("/x/01.wav")});
         },
         {"/out/A/01.ogg", "/out/B/01.ogg", "/out/01.ogg"}},
        {"flat puts every output straight in",
         [](TMediaBin& Bin) {
             Bin.SetOutputDirectory("/out");
             Bin.Add({InFolder("A/01.flac"), InFolder("B/01.flac"), File("/x/01.wav")});
             Bin.SetKeepFolders(false);
         },
         {"/out/01.ogg", "/out/01 (1).ogg", "/out/01 (2).ogg"}},
        // No output lands on another entry's input; its own is the driver's to refuse.
        {"an extension change renames and keeps inputs whole",
         [](TMediaBin& Bin) {
             Bin.Add({File("/m/s.wav"), File("/m/s.ogg")});
             Bin.SetOutputExtension(".wav");
         },
         {"/m/s.wav", "/m/s (1).wav"}},
        {"a removed entry frees its name, a re-added one takes the next",
         [](TMediaBin& Bin) {
             Bin.Add({File("/m/s.wav"), File("/m/s.flac")});
             Bin.Remove({0, 7});
             Bin.Add({File("/m/s.wav")});
         },
         {"/m/s.ogg", "/m/s (1).ogg"}},
        {"cleared, nothing is left to collide with",
         [](TMediaBin& Bin) {
             Bin.Add({File("/m/s.wav")});
             Bin.Clear();
             Bin.Add({File("/m/s.flac")});
         },
         {"/m/s.ogg"}},
    };
    for (const auto& Case : Cases) {
        TMediaBin Bin;
        Bin.SetOutputExtension(".ogg");
        Case.Steps(Bin);
        EXPECT_EQ(Outputs(Bin), Case.Expected) << Case.What;
    }
}

TEST(MediaBin, AnExistingOutputIsKeptOrAvoidedAsIfExistsSays) {
    test::TTempDir Dir;
    test::WriteFileBytes(Dir.File("a.ogg"), {1});
    TMediaBin Bin;
    Bin.SetOutputExtension(".ogg");
    Bin.Add({File(Dir.File("a.wav")), File(Dir.File("a.flac")), File(Dir.File("b.wav"))});
    EXPECT_EQ(Outputs(Bin),
              (std::vector<std::string>{Dir.File("a.ogg"), Dir.File("a (1).ogg"), Dir.File("b.ogg")}));
    EXPECT_EQ(Bin.Batch().size(), 3u);

    Bin.SetIfExists(ieSkip);
    ASSERT_EQ(Bin.Kept().size(), 1u);
    EXPECT_EQ(Bin.Kept()[0].InputName, Dir.File("a.wav"));
    ASSERT_EQ(Bin.Batch().size(), 2u);
    EXPECT_EQ(Bin.Batch()[0].OutputName, Dir.File("a (1).ogg"));

    Bin.SetIfExists(ieRename);
    EXPECT_EQ(Outputs(Bin),
              (std::vector<std::string>{Dir.File("a (1).ogg"), Dir.File("a (2).ogg"), Dir.File("b.ogg")}));
    EXPECT_TRUE(Bin.Kept().empty());
}

TEST(MediaBin, CoversGoAlongAsTheRuleSays) {
    TMediaBin Bin;
    Bin.Add({InFolder("A/01.flac"), File("/x/02.wav")});
    for (auto [Rule, FolderEntry, FileEntry] :
         {std::tuple{crNever, false, false}, {crFolderEntries, true, false}, {crAlways, true, true}}) {
        Bin.SetCoverRule(Rule);
        EXPECT_EQ(Bin.Batch()[0].CopyCovers, FolderEntry) << int(Rule);
        EXPECT_EQ(Bin.Batch()[1].CopyCovers, FileEntry) << int(Rule);
    }
}

// Entries made elsewhere than in the media bin still never write one file twice.
TEST(EntryQueue, ALaterEntryOnAnEarlierOutputGetsANumberAndANote) {
    // The third writes over its own input, which the driver refuses; the fourth would write over it.
    TEntryQueue Queue({{"/m/s.wav", "/o/s.ogg"},
                       {"/m/s.flac", "/o/s.ogg"},
                       {"/o/t.ogg", "/o/t.ogg"},
                       {"/m/t.wav", "/o/t.ogg"}});
    std::vector<std::string> Names;
    for (int32_t I = 0; I < Queue.Count(); ++I) Names.push_back(Queue.Entry(I).OutputName);
    EXPECT_EQ(Names, (std::vector<std::string>{"/o/s.ogg", "/o/s (1).ogg", "/o/t.ogg", "/o/t (1).ogg"}));
    EXPECT_EQ(Queue.Entry(0).Note, "");
    EXPECT_EQ(Queue.Entry(1).Note,
              "Written as /o/s (1).ogg: /o/s.ogg is the input or output of another file of the batch.");
}

} // namespace
} // namespace deraz
