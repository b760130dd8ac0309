#include "driver/Settings.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

TEST(Settings, AFreshInstallationStartsWithTheDefaults) {
    test::TTempDir Dir;
    TSettings Settings(Dir.File("Varidir.ini"));
    EXPECT_EQ(Settings.DestExt(), 0);
    EXPECT_EQ(Settings.Bitrate(), 5);
    EXPECT_TRUE(Settings.CopyTags());
    EXPECT_FALSE(Settings.AutoMinimode());
    EXPECT_FALSE(Settings.UseSound());
    EXPECT_EQ(Settings.DoneSound(), "");
    TPreferences Defaults = Settings.Preferences();
    EXPECT_FALSE(Defaults.Minimode || Defaults.Notify || Defaults.AutoMinimode || Defaults.UseSound);
    EXPECT_EQ(Settings.ParallelConversions(), int32_t(std::max(1u, std::thread::hardware_concurrency())));
    TLibraryPreferences Library = Settings.LibraryPreferences();
    EXPECT_TRUE(Library.KeepFolders && Library.CopyCovers && !Library.UpdateOnly);
    EXPECT_FALSE(std::filesystem::exists(Dir.File("Varidir.ini")));
}

TEST(Settings, ParallelConversionsStayBetweenOneAndSixtyFour) {
    test::TTempDir Dir;
    TSettings Settings(Dir.File("Varidir.ini"));
    // None or fewer than one: one job for each processor.
    const int Cores = std::clamp(int(std::thread::hardware_concurrency()), 1, 64);
    for (auto [Stored, Read] : {std::pair{1, 1}, {3, 3}, {64, 64}, {1000, 64}, {0, Cores}, {-5, Cores}}) {
        Settings.WriteParallelConversions(Stored);
        EXPECT_EQ(Settings.ParallelConversions(), Read) << Stored;
    }
}

TEST(Settings, ReplayGainIsAGeneralKeyThatReachesTheOutputChoice) {
    test::TTempDir Dir;
    TSettings Settings(Dir.File("Varidir.ini"));
    EXPECT_EQ(Settings.OutputChoice().ReplayGain, gmOff);
    for (auto [Stored, Read] : {std::pair{2, gmAlbum}, {1, gmTrack}, {0, gmOff}, {7, gmOff}, {-1, gmOff}}) {
        TIniFile(Settings.FileName()).WriteInteger("General", "ReplayGain", Stored);
        EXPECT_EQ(Settings.OutputChoice().ReplayGain, Read) << Stored;
    }
    Settings.WriteReplayGain(gmAlbum);
    EXPECT_EQ(TIniFile(Settings.FileName()).ReadInteger("General", "ReplayGain", 0), 2);
}

TEST(Settings, WritesTheKeysOfEachDialogInTheirSections) {
    test::TTempDir Dir;
    TSettings Settings(Dir.File("Varidir.ini"));
    Settings.WritePreferences({true, false, true, true, "/s/done.wav", "/s/error.wav"});
    Settings.WriteOutputFormat(4, -1, true);
    auto Bytes = test::ReadFileBytes(Settings.FileName());
    EXPECT_EQ(std::string(Bytes.begin(), Bytes.end()),
              "[General]\nMinimode=1\nNotify=0\nAutoMinimode=1\nUseSound=1\nDone=/s/done.wav\n"
              "Error=/s/error.wav\n[Output]\nDestExt=4\nBitrate=-1\nCopyTags=1\n");
    TPreferences Read = Settings.Preferences();
    EXPECT_TRUE(Read.Minimode && Read.AutoMinimode && Read.UseSound && !Read.Notify);
    EXPECT_EQ(Read.Error, "/s/error.wav");
    EXPECT_EQ(Settings.DestExt(), 4);
    EXPECT_EQ(Settings.Bitrate(), -1);

    Settings.WriteLibraryPreferences({false, true, true});
    Bytes = test::ReadFileBytes(Settings.FileName());
    EXPECT_NE(std::string(Bytes.begin(), Bytes.end())
                  .find("Error=/s/error.wav\nKeepFolders=0\nCopyCovers=1\nUpdateOnly=1\n"),
              std::string::npos);
    TLibraryPreferences Library = Settings.LibraryPreferences();
    EXPECT_TRUE(!Library.KeepFolders && Library.CopyCovers && Library.UpdateOnly);
}

// A batch reads the stored choice at every entry; a write between two entries must be seen,
// whether it follows a read at once (same size, maybe the same time stamp) or a long-settled file.
TEST(Settings, TheStoredOutputChoiceFollowsEveryWrite) {
    test::TTempDir Dir;
    std::string File = Dir.File("Varidir.ini");
    TSettings Settings(File);
    TStoredOutputChoice Stored(File);
    Settings.WriteOutputFormat(1, 5, false);
    EXPECT_EQ(Stored().DestExt, 1);
    Settings.WriteOutputFormat(2, 5, false);
    EXPECT_EQ(Stored().DestExt, 2);
    std::filesystem::last_write_time(File,
                                     std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
    EXPECT_EQ(Stored().Bitrate, 5);
    Settings.WriteOutputFormat(2, 6, true);
    TOutputChoice Choice = TStoredOutputChoice(Stored)();
    EXPECT_EQ(Choice.Bitrate, 6);
    EXPECT_TRUE(Choice.CopyTags);
}

TEST(Settings, TheFileLivesBesideTheExecutable) {
    auto Expected = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "Varidir.ini";
    EXPECT_EQ(DefaultSettingsFileName(), Expected.string());
}

TEST(Settings, TheFirstWriteMakesTheFolderAndAFailedOneNamesTheFile) {
    test::TTempDir Dir;
    TSettings Fresh(Dir.File("config/deraz/Varidir.ini"));
    Fresh.WriteOutputFormat(2, 1, false);
    EXPECT_EQ(TSettings(Dir.File("config/deraz/Varidir.ini")).DestExt(), 2);

    // A folder that cannot be made: a file stands where it would be.
    test::WriteFileBytes(Dir.File("blocked"), {'x'});
    TSettings Blocked(Dir.File("blocked/deraz/Varidir.ini"));
    try {
        Blocked.WritePreferences({});
        ADD_FAILURE() << "the write was not refused";
    } catch (const EIniFileException& E) {
        EXPECT_EQ(std::string(E.what()), "Unable to write to " + Dir.File("blocked/deraz/Varidir.ini"));
    }
}

} // namespace
} // namespace deraz
