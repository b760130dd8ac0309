// deraz-convert over a small music library made at test time, as a new user runs it.
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

namespace fs = std::filesystem;
using test::ShellQuote;

struct TRun {
    int Status;
    std::string Out;
};

// Runs a bash script; standard output and error together.
TRun Bash(const std::string& Script) {
    TRun Run;
    Run.Status = test::RunCommand("bash -c " + ShellQuote(Script) + " 2>&1", &Run.Out);
    return Run;
}

// A copy of the program without a settings file beside it, as on a fresh installation.
std::string FreshProgram(const test::TTempDir& Dir) {
    return ShellQuote(test::CopyProgram(DERAZ_CONVERT, Dir.File("bin")));
}

void WriteTrack(const std::string& Name, int32_t Seconds, uint32_t Seed) {
    fs::create_directories(fs::path(Name).parent_path());
    std::string Wav = (fs::path(Name).parent_path() / "source.wav").string();
    test::WritePcmWav(Wav, test::MusicLikeSignal(44100 * Seconds, 2, 44100, Seed), 2, 44100);
    ASSERT_EQ(test::RunCommand("flac -s -f -T TITLE=Song" + std::to_string(Seed) + " -o " + ShellQuote(Name) +
                               " " + ShellQuote(Wav)),
              0);
    fs::remove(Wav);
}

std::set<std::string> PartialFiles(const std::string& Folder) {
    std::set<std::string> Found;
    for (const auto& Entry : fs::recursive_directory_iterator(Folder))
        if (Entry.path().extension() == ".part") Found.insert(Entry.path().string());
    return Found;
}

class LibraryRun : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* Album : {"Album A", "Hi-Res Sessions"}) {
            WriteTrack(Music("Artist One/" + std::string(Album) + "/01 Song.flac"), 1, Album[0]);
            test::WriteFileBytes(Music("Artist One/" + std::string(Album) + "/cover.jpg"),
                                 {uint8_t(Album[0])});
        }
        test::WriteFileBytes(Music("Artist One/Album A/._01 Song.flac"), {0, 5, 22, 7});
        WriteTrack(Music(".hidden/02 Hidden.flac"), 1, 9);
        WriteTrack(Music("Long/" + std::string(250, 'n') + ".flac"), 1, 10);
    }
    std::string Music(const std::string& Name) { return Dir.File("Music/" + Name); }
    test::TTempDir Dir;
    std::string Program = FreshProgram(Dir);
};

TEST_F(LibraryRun, TheReadmeRecipeCopiesTagsAndLeavesOutWhatIsNotMusic) {
    // An earlier run's output folder inside the library, and a killed run's temporary files.
    ASSERT_EQ(
        Bash(Program + " -q -f wav -o " + ShellQuote(Music("old")) + " " + ShellQuote(Music("Long"))).Status,
        0);
    std::string Stale = Dir.File("phone/Artist One/Album A/.deraz-" + Bash("sh -c 'echo $$'").Out);
    Stale.pop_back(); // the newline
    std::string Running = Dir.File("phone/Artist One/Album A/.deraz-" + std::to_string(getpid()) + "-1.part");
    // A linked album is followed, a link back into the library is not.
    WriteTrack(Dir.File("Elsewhere/Album/03 Linked.flac"), 1, 14);
    fs::create_directory_symlink(Dir.File("Elsewhere/Album"), Music("Linked"));
    fs::create_directory_symlink(Dir.File("Music"), Music("Long/Loop"));
    fs::create_directories(Dir.File("phone/Artist One/Album A"));
    for (const auto& Planted : {Stale + "-4.part", Stale + "-x.part", Running})
        test::WriteFileBytes(Planted, {1});

    TRun Run =
        Bash(Program + " -f mp3 -o " + ShellQuote(Dir.File("phone")) + " " + ShellQuote(Dir.File("Music")));
    EXPECT_EQ(Run.Status, 0) << Run.Out;
    EXPECT_NE(Run.Out.find("left out 1 AppleDouble file (._*), 1 hidden file or folder, 1 output folder, 1 "
                           "link to a folder already walked"),
              std::string::npos)
        << Run.Out;
    EXPECT_NE(Run.Out.find("removed 1 temporary file"), std::string::npos) << Run.Out;
    std::string Tags;
    test::RunCommand("ffprobe -v error -show_entries format_tags=title -of csv=p=0 " +
                         ShellQuote(Dir.File("phone/Artist One/Album A/01 Song.mp3")),
                     &Tags);
    EXPECT_EQ(Tags, "Song65\n");
    EXPECT_TRUE(fs::exists(Dir.File("phone/Long/" + std::string(250, 'n') + ".mp3")));
    EXPECT_TRUE(fs::exists(Dir.File("phone/Linked/03 Linked.mp3")));
    EXPECT_FALSE(fs::exists(Dir.File("phone/old")));
    EXPECT_EQ(PartialFiles(Dir.File("phone")), (std::set<std::string>{Stale + "-x.part", Running}));
}

TEST_F(LibraryRun, FoldersGivenTogetherKeepTheirNamesApart) {
    std::string AlbumA = ShellQuote(Music("Artist One/Album A"));
    TRun Run = Bash(Program + " -f wav -o " + ShellQuote(Dir.File("out")) + " " + AlbumA + " " +
                    ShellQuote(Music("Artist One/Hi-Res Sessions")) + " " + AlbumA + "/");
    EXPECT_EQ(Run.Status, 0) << Run.Out;
    EXPECT_NE(Run.Out.find("1 input given twice"), std::string::npos) << Run.Out;
    for (const char* Album : {"Album A", "Hi-Res Sessions"}) {
        EXPECT_TRUE(fs::exists(Dir.File("out/" + std::string(Album) + "/01 Song.wav"))) << Album;
        EXPECT_EQ(test::ReadFileBytes(Dir.File("out/" + std::string(Album) + "/cover.jpg")),
                  std::vector<uint8_t>{uint8_t(Album[0])});
    }
}

TEST_F(LibraryRun, HangUpAndClosedPipeStopLikeCtrlC) {
    WriteTrack(Music("Long/Long.flac"), 60, 11);
    std::string Out = ShellQuote(Dir.File("out"));
    std::string Convert = Program + " -f mp3 -j 2 -o " + Out + " ";
    // The hang-up comes once the long file is being written.
    TRun HangUp =
        Bash(Convert + ShellQuote(Music("Long/Long.flac")) + " & Pid=$!\n" + "until ls -A " + Out +
             " | grep -q part; do sleep 0.05; done\n" + "kill -HUP $Pid; wait $Pid; echo status $?\n");
    EXPECT_NE(HangUp.Out.find("Stopped: 0 converted, 1 stopped, 0 not started.\nstatus 130"),
              std::string::npos)
        << HangUp.Out;
    // The reader goes after the first line; the next line written, at the end of the second short
    // file, ends the run while the long one converts.
    WriteTrack(Music("Pipe/a.flac"), 1, 12);
    WriteTrack(Music("Pipe/b.flac"), 5, 13);
    TRun Pipe = Bash("set -o pipefail\n" + Convert + ShellQuote(Music("Long/Long.flac")) + " " +
                     ShellQuote(Music("Pipe")) + " | head -c 1 >/dev/null; echo status $?\n");
    EXPECT_NE(Pipe.Out.find("status 130"), std::string::npos) << Pipe.Out;
    EXPECT_EQ(PartialFiles(Dir.File("out")), std::set<std::string>{});
    EXPECT_FALSE(fs::exists(Dir.File("out/Long.mp3")));
}

TEST_F(LibraryRun, MistakesGetOneClearLine) {
    for (auto [Arguments, Status, Said] : {
             std::tuple{"-f mp3 -l 16 x.wav", 2,
                        "-l 16 is ambiguous for .mp3: entry 16 is 256 kbit/s; write 16k for 16 kbit/s or #16 "
                        "for the entry"},
             {"--levels xyz", 2, "unknown output format \"xyz\""},
             {"-f wav -o out Music/Missing", 1, "No such file or folder: Music/Missing"},
             {"-f wav -o /proc Music/Long", 1, "Cannot write into the output folder /proc."},
             // A kept output is what --if-exists skip asks for, not a failure.
             {"-f wav --if-exists skip -o out Music/Long", 0, "1 converted"},
             {"-f wav --if-exists skip -o out Music/Long", 0,
              "0 converted, 0 up to date, 0 failed, 1 skipped"},
         }) {
        TRun Run = Bash("cd " + ShellQuote(Dir.File("")) + " && " + Program + " " + Arguments);
        EXPECT_EQ(Run.Status, Status) << Arguments << Run.Out;
        EXPECT_NE(Run.Out.find(Said), std::string::npos) << Arguments << Run.Out;
    }
}

} // namespace
} // namespace deraz
