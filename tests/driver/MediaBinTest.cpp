// The media bin's naming rules, shared by the desktop program and the command line, and the
// batch's own guard against two entries writing one file.
#include "driver/MediaBin.h"

#include <gtest/gtest.h>
#include <sstream>

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

// Steps separated by ";": "+/PATH" adds a file given by itself, "+A/01.flac" one found through
// the folder /m, "-N" removes entry N, ">DIR" chooses the output directory, ".ext" the extension,
// "flat" drops the folders.
void RunSteps(TMediaBin& Bin, const std::string& Steps) {
    std::istringstream In(Steps);
    for (std::string Step; std::getline(In, Step, ';');) {
        std::string Argument = Step.substr(1);
        if (Step[0] == '+') Bin.Add({Argument[0] == '/' ? File(Argument) : InFolder(Argument)});
        if (Step[0] == '-') Bin.Remove({std::stoi(Argument)});
        if (Step[0] == '>') Bin.SetOutputDirectory(Argument);
        if (Step[0] == '.') Bin.SetOutputExtension(Step);
        if (Step == "flat") Bin.SetKeepFolders(false);
    }
}

TEST(MediaBin, NamesEveryOutputOnceWhateverChanges) {
    const std::pair<std::string, std::vector<std::string>> Cases[] = {
        // Equal names are numbered as they are added.
        {"+/m/s.wav;+/m/s.flac;+/n/s.ape", {"/m/s.ogg", "/m/s (1).ogg", "/n/s.ogg"}},
        // The output directory holds the entries added after it was chosen.
        {"+/m/a.wav;>/out;+/n/a.flac;+A/b.mp3", {"/out/a.ogg", "/out/a (1).ogg", "/out/A/b.ogg"}},
        // Folders kept below it, or flat.
        {">/out;+A/01.flac;+B/01.flac;+/x/01.wav", {"/out/A/01.ogg", "/out/B/01.ogg", "/out/01.ogg"}},
        {">/out;+A/01.flac;+B/01.flac;+/x/01.wav;flat",
         {"/out/01.ogg", "/out/01 (1).ogg", "/out/01 (2).ogg"}},
        // No output lands on another entry's input; its own is the driver's to refuse.
        {"+/m/s.wav;+/m/s.ogg;.wav", {"/m/s.wav", "/m/s (1).wav"}},
        // A removed entry frees its name; an index outside the bin is passed over.
        {"+/m/s.wav;+/m/s.flac;-0;-7;+/m/s.wav", {"/m/s.ogg", "/m/s (1).ogg"}},
    };
    for (const auto& [Steps, Expected] : Cases) {
        TMediaBin Bin;
        RunSteps(Bin, ".ogg;" + Steps);
        EXPECT_EQ(Outputs(Bin), Expected) << Steps;
    }
}

// A new order (the desktop's sorted list) moves the entries and numbers equal names anew, the
// first in the new order keeping the plain name; anything but a permutation changes nothing.
TEST(MediaBin, ReorderMovesEntriesAndRenamesOrRefuses) {
    TMediaBin Bin;
    RunSteps(Bin, ".ogg;+/m/s.wav;+/m/s.flac;+/n/t.ape");
    EXPECT_TRUE(Bin.Reorder({1, 2, 0}));
    std::vector<std::string> Inputs;
    for (const auto& Item : Bin.Items()) Inputs.push_back(Item.Input.Path);
    EXPECT_EQ(Inputs, (std::vector<std::string>{"/m/s.flac", "/n/t.ape", "/m/s.wav"}));
    EXPECT_EQ(Outputs(Bin), (std::vector<std::string>{"/m/s.ogg", "/n/t.ogg", "/m/s (1).ogg"}));
    for (const std::vector<int32_t>& Bad : {std::vector<int32_t>{0, 1}, {0, 0, 1}, {0, 1, 3}, {-1, 0, 1}})
        EXPECT_FALSE(Bin.Reorder(Bad));
    EXPECT_EQ(Bin.Items()[0].Input.Path, "/m/s.flac");
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
