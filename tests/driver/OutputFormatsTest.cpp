#include "driver/BitrateCap.h"
#include "driver/CoverFiles.h"
#include "driver/FileNames.h"
#include "driver/OutputNames.h"

#include <gtest/gtest.h>
#include <set>

namespace deraz {
namespace {

TEST(OutputNames, TakeTheFormatsExtensionBesideTheInputOrInTheOutputDirectory) {
    EXPECT_EQ(OutputFileName("/m/Song.WAV", ".ogg"), "/m/Song.ogg");
    EXPECT_EQ(OutputFileName("/m/a.b.c.flac", ".ape"), "/m/a.b.c.ape");
    EXPECT_EQ(OutputFileName("/m.d/noext", ".mp3"), "/m.d/noext.mp3");
    EXPECT_EQ(OutputFileName("/m/Song.wav", ""), "/m/Song");
    EXPECT_EQ(OutputFileName("/m/Song.wav", ".fla", "/out"), "/out/Song.fla");
    EXPECT_EQ(OutputFileName("/m/Song.wav", ".fla", "/out/"), "/out/Song.fla");
    // A file added through a folder keeps its folders below the output directory, never above it.
    EXPECT_EQ(OutputFileName("/M/A/B/01.flac", ".mp3", "/out", "A/B/01.flac"), "/out/A/B/01.mp3");
    EXPECT_EQ(OutputFileName("/M/A/B/01.flac", ".mp3", "", "A/B/01.flac"), "/M/A/B/01.mp3");
    for (const char* Outside : {"../01.flac", "A/../../01.flac", "/etc/01.flac", ".."})
        EXPECT_EQ(OutputFileName("/M/A/01.flac", ".mp3", "/out", Outside), "/out/01.mp3") << Outside;
    EXPECT_EQ(OutputFileName("/M/..x/01.flac", ".mp3", "/out", "..x/01.flac"), "/out/..x/01.mp3");
    EXPECT_EQ(ExtractFileExt("/m.d/noext"), "");
    EXPECT_EQ(ExtractFileExt("/m/x.FlAc"), ".FlAc");
}

TEST(CoverFiles, TheUsualNamesInAnyCase) {
    for (const char* Name : {"cover.jpg", "/m/A/Folder.JPG", "front.png", "FRONT.jpeg", "AlbumArtSmall.jpg",
                             "AlbumArt_{0F1E}_Large.jpg", "back.webp"})
        EXPECT_TRUE(IsCoverPicture(Name)) << Name;
    for (const char* Name : {"cover.txt", "cover", "my cover.jpg", "folder.jpg.part", "/m/cover.jpg/01.flac"})
        EXPECT_FALSE(IsCoverPicture(Name)) << Name;
}

} // namespace
} // namespace deraz

namespace deraz {
namespace {

TEST(OutputNames, CollidingNamesGetTheFirstFreeNumber) {
    EXPECT_EQ(NumberedName("/m/Song.mp3", 2), "/m/Song (2).mp3");
    EXPECT_EQ(NumberedName("/m.d/noext", 1), "/m.d/noext (1)");
    std::set<std::string> Used = {"/m/a.ogg", "/m/a (1).ogg", "/m/a (3).ogg"};
    auto InUse = [&](const std::string& Name) { return Used.contains(Name); };
    EXPECT_EQ(FreeName("/m/a.ogg", InUse), "/m/a (2).ogg");
    EXPECT_EQ(FreeName("/m/b.ogg", InUse), "/m/b.ogg");
}

TEST(BitrateCap, ALowerInputRateTakesTheSmallestEntryNotBelowIt) {
    // {format, chosen entry, input kbit/s, entry used}: 1 MP3 (8 ... 320), 0 Ogg Vorbis (64 ... 500).
    for (auto [Format, Chosen, Input, Used] : {std::tuple{1, 14, 96, 9},
                                               {1, 14, 100, 10},
                                               {1, 14, 192, 14},
                                               {1, 14, 256, 14},
                                               {1, 14, 0, 14},
                                               {1, 0, 5, 0},
                                               {0, 5, 96, 2},
                                               {0, 10, 330, 10},
                                               {0, 5, 40, 0},
                                               {4, 3, 96, 3},
                                               {1, 18, 96, 18}})
        EXPECT_EQ(CapToInputBitrate({Format, Chosen}, Input).Bitrate, Used)
            << Format << " " << Chosen << " " << Input;
}

} // namespace
} // namespace deraz
