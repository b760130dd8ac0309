// Whole conversions through deraz-convert under faults: each run must end, name the file that
// failed and why, exit with 1, leave every input as it was and no partial output under a final name.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include "driver/Manifest.h"
#include "driver/OutputFiles.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct TRunResult {
    int Status;
    std::string Output;
};

TRunResult Convert(const std::string& Arguments, const std::string& Prefix = "") {
    TRunResult Result;
    Result.Status = RunCommand(Prefix + ShellQuote(ConverterProgram()) + " -q " + Arguments, &Result.Output);
    return Result;
}

std::string Fingerprint(const std::string& FileName) {
    auto Bytes = ReadFileBytes(FileName);
    return std::to_string(Bytes.size()) + ":" +
           std::to_string(std::hash<std::string_view>()(
               std::string_view(reinterpret_cast<const char*>(Bytes.data()), Bytes.size())));
}

// The files a folder holds, by name.
std::vector<std::string> Listing(const fs::path& Folder) {
    std::vector<std::string> Names;
    for (const auto& Entry : fs::directory_iterator(Folder))
        if (Entry.path().filename() != OutputManifestName) Names.push_back(Entry.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
}

struct Faults : ::testing::Test {
    TTempDir Dir;
    std::string Input = Dir.File("song.wav");
    std::string InputPrint;

    void SetUp() override {
        WritePcmWav(Input, MusicLikeSignal(44100 * 8, 2, 44100), 2, 44100);
        InputPrint = Fingerprint(Input);
    }
    void TearDown() override { EXPECT_EQ(Fingerprint(Input), InputPrint) << "the input changed"; }
};

TEST_F(Faults, AnOutputFolderWithoutWritePermission) {
    fs::path Out = Dir.Path() / "locked";
    fs::create_directory(Out);
    // Root may write anywhere, so the converter then runs as an unprivileged user.
    std::string Prefix;
    if (geteuid() == 0) {
        Prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        fs::permissions(Dir.Path(), fs::perms::all, fs::perm_options::replace);
        fs::permissions(Input, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    fs::permissions(Out, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                             fs::perms::others_exec);
    TRunResult Run = Convert("-f flac -o " + ShellQuote(Out.string()) + " " + ShellQuote(Input), Prefix);
    EXPECT_EQ(Run.Status, 1) << Run.Output;
    EXPECT_NE(Run.Output.find("Cannot write into the output folder"), std::string::npos) << Run.Output;
    EXPECT_TRUE(Listing(Out).empty());
}

TEST_F(Faults, ADiskThatFillsUpPartWay) {
    fs::path Out = Dir.Path() / "out";
    fs::create_directory(Out);
    // A file size limit gives the same EFBIG a full disk gives, without privileges.
    for (const char* Format : {"wav", "flac", "ape", "ogg", "mp3", "opus"}) {
        TRunResult Run =
            Convert(std::string("-f ") + Format + " -o " + ShellQuote(Out.string()) + " " + ShellQuote(Input),
                    "trap '' XFSZ; ulimit -f 40; ");
        EXPECT_EQ(Run.Status, 1) << Format << ": " << Run.Output;
        EXPECT_NE(Run.Output.find("song.wav"), std::string::npos) << Format << ": " << Run.Output;
        EXPECT_TRUE(Listing(Out).empty()) << Format << ": a partial output was left";
    }
}

TEST_F(Faults, AnInputTruncatedWhileItIsRead) {
    fs::path Out = Dir.Path() / "out";
    fs::create_directory(Out);
    // A long input converted slowly, cut short once the conversion is under way.
    std::string Long = Dir.File("long.wav");
    WritePcmWav(Long, MusicLikeSignal(44100 * 60, 2, 44100, 7), 2, 44100);
    // The output has grown past its header, so the input is being read; the empty probe of the
    // output folder's writability and a header written before the first read do not count.
    auto Writing = [&] {
        std::error_code Error;
        for (const auto& Entry : fs::directory_iterator(Out, Error))
            if (Entry.is_regular_file(Error) && Entry.file_size(Error) > 65536) return true;
        return false;
    };
    std::thread Cutter([&] {
        auto Deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < Deadline && !Writing()) std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(50ms);
        fs::resize_file(Long, 100000);
    });
    TRunResult Run = Convert("-f ape -l 3 -o " + ShellQuote(Out.string()) + " " + ShellQuote(Long));
    Cutter.join();
    EXPECT_EQ(Run.Status, 1) << Run.Output;
    EXPECT_NE(Run.Output.find("long.wav"), std::string::npos) << Run.Output;
    EXPECT_TRUE(Listing(Out).empty()) << "a partial output was left";
}

TEST_F(Faults, DamagedOpusInputsFailSayingWhere) {
    const struct {
        const char* Name;
        const char* Make; // shell commands in the scratch folder, from song.wav
        const char* Reason;
    } Rows[] = {
        {"cut.opus",
         "opusenc --quiet song.wav cut.opus && truncate -s $(($(stat -c %s cut.opus) / 2)) cut.opus",
         "The Opus stream ends early, at 0:0"},
        // Bytes changed in a page in the middle: its checksum fails and the decoder finds a hole.
        {"hole.opus",
         "opusenc --quiet song.wav hole.opus && printf 'XXXXXXXX' | dd of=hole.opus bs=1 "
         "seek=$(($(stat -c %s hole.opus) / 2)) conv=notrunc status=none",
         "The Opus stream is damaged at 0:0"},
        {"ten.opus",
         "sox -M song.wav song.wav song.wav song.wav song.wav ten.wav && opusenc --quiet ten.wav ten.opus",
         "Opus streams of more than 8 channels"},
    };
    fs::path Out = Dir.Path() / "out";
    for (const auto& Row : Rows) {
        ASSERT_EQ(RunIn(Dir.Path(), Row.Make), 0) << Row.Make;
        TRunResult Run =
            Convert("-f flac -o " + ShellQuote(Out.string()) + " " + ShellQuote(Dir.File(Row.Name)));
        EXPECT_EQ(Run.Status, 1) << Row.Name << ": " << Run.Output;
        EXPECT_NE(Run.Output.find(Row.Reason), std::string::npos) << Run.Output;
        EXPECT_FALSE(fs::exists(Out / (fs::path(Row.Name).stem().string() + ".flac"))) << Row.Name;
    }
}

TEST_F(Faults, AnInputThatIsAFolderOrADevice) {
    fs::create_directory(Dir.Path() / "folder.wav");
    fs::create_symlink("/dev/zero", Dir.Path() / "zeros.mp3");
    fs::create_symlink("/dev/urandom", Dir.Path() / "noise.flac");
    fs::path Out = Dir.Path() / "out";
    fs::create_directory(Out);
    TRunResult Run = Convert("-f wav -o " + ShellQuote(Out.string()) + " " +
                             ShellQuote(Dir.File("folder.wav")) + " " + ShellQuote(Dir.File("zeros.mp3")) +
                             " " + ShellQuote(Dir.File("noise.flac")) + " " + ShellQuote(Input));
    EXPECT_EQ(Run.Status, 1) << Run.Output;
    for (const char* Name : {"folder.wav", "zeros.mp3", "noise.flac"})
        EXPECT_NE(Run.Output.find(Name), std::string::npos) << Name << ": " << Run.Output;
    EXPECT_EQ(Listing(Out), std::vector<std::string>{"song.wav"}) << "the good file still converts";
}

TEST_F(Faults, FileNamesWithSpacesQuotesAndOtherScripts) {
    std::string Odd = Dir.File("it's a \"song\" — Ünïcødé 歌.wav");
    fs::copy_file(Input, Odd);
    TRunResult Run = Convert("-f flac " + ShellQuote(Odd));
    EXPECT_EQ(Run.Status, 0) << Run.Output;
    EXPECT_TRUE(fs::exists(Dir.File("it's a \"song\" — Ünïcødé 歌.flac")));
    EXPECT_EQ(Fingerprint(Odd), InputPrint);
}

TEST_F(Faults, ABadFileInTheMiddleOfABatch) {
    std::string Bad = Dir.File("bad.ogg");
    WriteFileBytes(Bad, std::vector<uint8_t>(5000, 0x4F));
    std::string Second = Dir.File("second.wav");
    fs::copy_file(Input, Second);
    fs::path Out = Dir.Path() / "out";
    fs::create_directory(Out);
    TRunResult Run = Convert("-j 1 -f mp3 -o " + ShellQuote(Out.string()) + " " + ShellQuote(Input) + " " +
                             ShellQuote(Bad) + " " + ShellQuote(Second));
    EXPECT_EQ(Run.Status, 1) << Run.Output;
    EXPECT_NE(Run.Output.find("bad.ogg"), std::string::npos) << Run.Output;
    EXPECT_EQ(Listing(Out), (std::vector<std::string>{"second.mp3", "song.mp3"}));
}

TEST_F(Faults, TagsThatCannotBeWrittenAfterEncodingKeepTheOlderOutput) {
    // With a cover of 1 MB, each output fits under the file size limit until its tags go in.
    ASSERT_EQ(RunIn(Dir.Path(), "head -c 1000000 /dev/urandom > cover.bin && flac -s -o tagged.flac "
                                "--picture='3|image/jpeg||100x100x24|cover.bin' -T TITLE=Song song.wav"),
              0);
    fs::path Out = Dir.Path() / "out";
    for (const char* Format : {"flac", "mp3", "ogg", "wv", "m4a"}) {
        const std::string Arguments = std::string("-f ") + Format + " -o " + ShellQuote(Out.string()) + " " +
                                      ShellQuote(Dir.File("tagged.flac"));
        ASSERT_EQ(Convert(Arguments).Status, 0) << Format;
        const std::string Output = (Out / (std::string("tagged.") + Format)).string();
        const auto Limit = (fs::file_size(Output) - 500000) / 1024;
        WriteFileBytes(Output, {'o', 'l', 'd'});
        TRunResult Run = Convert(Arguments, "trap '' XFSZ; ulimit -f " + std::to_string(Limit) + "; ");
        EXPECT_EQ(Run.Status, 1) << Format << ": " << Run.Output;
        EXPECT_NE(Run.Output.find("File too large"), std::string::npos) << Format << ": " << Run.Output;
        EXPECT_EQ(ReadFileBytes(Output), (std::vector<uint8_t>{'o', 'l', 'd'})) << Format;
    }
    for (const std::string& Name : Listing(Out))
        EXPECT_EQ(Name.rfind(".deraz", 0), std::string::npos) << Name;
}

TEST_F(Faults, AnOutputThatCannotBeReplacedStaysAsItWas) {
    fs::path Out = Dir.Path() / "out";
    // A folder in the output's place, and an older output that refuses to be replaced.
    fs::create_directories(Out / "song.flac");
    WriteFileBytes((Out / "song.flac" / "keep").string(), {'k'});
    WriteFileBytes((Out / "song.ape").string(), {'o', 'l', 'd'});
    TReadOnly Locked(Out / "song.ape");
    for (const char* Format : {"flac", "ape"}) {
        if (std::string(Format) == "ape" && !Locked.Made()) continue;
        TRunResult Run = Convert(std::string("-f ") + Format + " -o " + ShellQuote(Out.string()) + " " +
                                 ShellQuote(Input));
        EXPECT_EQ(Run.Status, 1) << Format << ": " << Run.Output;
        EXPECT_NE(Run.Output.find("song.wav"), std::string::npos) << Format << ": " << Run.Output;
        EXPECT_EQ(Listing(Out), (std::vector<std::string>{"song.ape", "song.flac"})) << Format;
    }
    EXPECT_EQ(ReadFileBytes((Out / "song.flac" / "keep").string()), std::vector<uint8_t>{'k'});
    EXPECT_EQ(ReadFileBytes((Out / "song.ape").string()), (std::vector<uint8_t>{'o', 'l', 'd'}));
}

TEST_F(Faults, TwoProcessesWritingIntoOneFolder) {
    // Two inputs of one name from two folders, into one output folder at the same time.
    fs::create_directories(Dir.Path() / "a");
    fs::create_directories(Dir.Path() / "b");
    fs::copy_file(Input, Dir.Path() / "a" / "song.wav");
    WritePcmWav(Dir.File("b/song.wav"), MusicLikeSignal(44100 * 5, 2, 44100, 9), 2, 44100);
    std::string Out = ShellQuote(Dir.File("out"));
    auto One = [&](const char* Folder) {
        return ShellQuote(ConverterProgram()) + " -q -f flac -o " + Out + " " +
               ShellQuote(Dir.File(std::string(Folder) + "/song.wav"));
    };
    std::string Output;
    EXPECT_EQ(RunCommand("(" + One("a") + " & a=$!; " + One("b") +
                             " & b=$!; wait $a; s=$?; wait $b; exit $((s | $?)))",
                         &Output),
              0)
        << Output;
    // One whole output, the conversion of either input; nothing half written beside it.
    EXPECT_EQ(Listing(Dir.Path() / "out"), std::vector<std::string>{"song.flac"});
    auto Decoded = DecodeWithFfmpeg(Dir.File("out/song.flac"));
    EXPECT_TRUE(Decoded == DecodeWithFfmpeg(Dir.File("a/song.wav")) ||
                Decoded == DecodeWithFfmpeg(Dir.File("b/song.wav")));
}

} // namespace
} // namespace deraz::test
