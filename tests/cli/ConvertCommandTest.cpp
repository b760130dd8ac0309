// deraz-convert as a user runs it: exit status, what it prints, and the files it writes.
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>

#include "driver/CodecSet.h"
#include "driver/FileNames.h"
#include "driver/Manifest.h"
#include "driver/OutputFiles.h"
#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

namespace fs = std::filesystem;
using test::ShellQuote;

struct TRun {
    int Status;
    std::string Out;
    std::string Err;
};

TRun Convert(const std::string& Arguments, const std::string& Program = test::ConverterProgram()) {
    test::TTempDir Logs;
    TRun Run;
    Run.Status = test::RunCommand("(" + ShellQuote(Program) + " " + Arguments + " >" +
                                  ShellQuote(Logs.File("out")) + " 2>" + ShellQuote(Logs.File("err")) + ")");
    auto Out = test::ReadFileBytes(Logs.File("out"));
    auto Err = test::ReadFileBytes(Logs.File("err"));
    Run.Out.assign(Out.begin(), Out.end());
    Run.Err.assign(Err.begin(), Err.end());
    return Run;
}

// Inputs of every type the components read, in turn, made from WAV files by the peer tools.
std::vector<std::string> MixedInputs(const test::TTempDir& Dir, int32_t Count) {
    TCodecSet Codecs;
    std::vector<std::string> Types;
    for (const char* Ext : {".flac", ".mp3", ".wav", ".ogg", ".ape", ".fla"})
        if (Codecs.Pipelines().FindSource(Ext)) Types.push_back(Ext);
    std::vector<std::string> Inputs;
    for (int32_t I = 0; I < Count; ++I) {
        std::string Wav = Dir.File("s" + std::to_string(I) + ".wav");
        test::WritePcmWav(Wav, test::MusicLikeSignal(20000 + 3000 * I, 2, 44100, uint32_t(I + 1)), 2, 44100);
        std::string Input = Dir.File("in" + std::to_string(I) + Types[size_t(I) % Types.size()]);
        if (test::EncodeWithPeerTool(Wav, Types[size_t(I) % Types.size()], Input)) Inputs.push_back(Input);
    }
    return Inputs;
}

std::string Joined(const std::vector<std::string>& Names) {
    std::string Text;
    for (const auto& Name : Names) Text += " " + ShellQuote(Name);
    return Text;
}

TEST(ConvertCommand, ParallelJobsWriteTheSameBytesAsOne) {
    test::TTempDir Dir;
    auto Inputs = MixedInputs(Dir, 6);
    TCodecSet Codecs;
    for (const auto& Sink : Codecs.Pipelines().Sinks()) {
        std::string Ext = Sink.Extension.substr(1);
        SCOPED_TRACE(Ext);
        fs::create_directories(Dir.File("one-" + Ext));
        fs::create_directories(Dir.File("two-" + Ext));
        TRun One =
            Convert("-q -j 1 -f " + Ext + " -o " + ShellQuote(Dir.File("one-" + Ext)) + Joined(Inputs));
        TRun Two =
            Convert("-q -j 2 -f " + Ext + " -o " + ShellQuote(Dir.File("two-" + Ext)) + Joined(Inputs));
        EXPECT_EQ(One.Out + Two.Out, "");
        // WAV inputs are converted to WAV too, from the command line.
        EXPECT_EQ(One.Status, 0) << One.Err;
        EXPECT_EQ(Two.Status, 0) << Two.Err;
        for (const auto& Input : Inputs) {
            std::string Name = fs::path(Input).stem().string() + Sink.Extension;
            auto First = test::ReadFileBytes(Dir.File("one-" + Ext + "/" + Name));
            EXPECT_FALSE(First.empty()) << Name;
            EXPECT_EQ(First, test::ReadFileBytes(Dir.File("two-" + Ext + "/" + Name))) << Name;
        }
    }
}

TEST(ConvertCommand, ReportsEachFileThatWasNotConverted) {
    test::TTempDir Dir;
    auto Inputs = MixedInputs(Dir, 2);
    test::WriteFileBytes(Dir.File("notes.txt"), {'h', 'i'});
    test::WriteFileBytes(Dir.File("junk.wav"), std::vector<uint8_t>(5000, 0x5A));
    TRun Run = Convert("-f fla -j 3" + Joined({Inputs[0], Dir.File("missing.mp3"), Dir.File("notes.txt"),
                                               Dir.File("junk.wav"), Inputs[1]}));
    EXPECT_EQ(Run.Status, 1);
    EXPECT_NE(Run.Err.find("3 of 5 files not converted"), std::string::npos) << Run.Err;
    EXPECT_NE(Run.Err.find(Dir.File("junk.wav") + ": failed: The input file could not be decoded."),
              std::string::npos)
        << Run.Err;
    EXPECT_FALSE(fs::exists(Dir.File("junk.fla")));
    EXPECT_NE(Run.Err.find("No such file or folder: " + Dir.File("missing.mp3")), std::string::npos)
        << Run.Err;
    EXPECT_NE(
        Run.Err.find(Dir.File("notes.txt") + ": skipped: Input files of type .txt cannot be converted."),
        std::string::npos)
        << Run.Err;
    // Not a terminal: one plain line per file.
    EXPECT_NE(Run.Out.find("converted " + Inputs[0] + " -> " + Dir.File("in0.fla")), std::string::npos)
        << Run.Out;
    EXPECT_TRUE(fs::exists(Dir.File("in1.fla")));
    for (const auto& Entry : fs::directory_iterator(Dir.Path())) EXPECT_NE(Entry.path().extension(), ".part");
}

TEST(ConvertCommand, ConvertsWavToWavOnlyToAnotherFile) {
    test::TTempDir Dir;
    std::string Wav = Dir.File("pcm.wav");
    test::WritePcmWav(Wav, test::MusicLikeSignal(10000, 2, 44100), 2, 44100);
    auto Original = test::ReadFileBytes(Wav);
    TRun Same = Convert("-q -f wav " + ShellQuote(Wav));
    EXPECT_EQ(Same.Status, 1);
    EXPECT_NE(Same.Err.find("The output file is the input file"), std::string::npos) << Same.Err;
    EXPECT_EQ(test::ReadFileBytes(Wav), Original);

    fs::create_directories(Dir.File("ima"));
    TRun Ima = Convert("-q -f wav --wav-type ima --block-size 1024 -o " + ShellQuote(Dir.File("ima")) + " " +
                       ShellQuote(Wav));
    EXPECT_EQ(Ima.Status, 0) << Ima.Err;
    auto Written = test::ReadFileBytes(Dir.File("ima/pcm.wav"));
    ASSERT_GT(Written.size(), 60u);
    EXPECT_EQ(Written[20] | Written[21] << 8, 0x11); // IMA ADPCM
    EXPECT_EQ(Written[32] | Written[33] << 8, 1024); // block align
}

TEST(ConvertCommand, FoldersCollisionsAndExistingOutputs) {
    test::TTempDir Dir;
    for (const char* Name : {"a/x.wav", "a/sub/x.WAV", "b/x.wav"}) {
        fs::create_directories(fs::path(Dir.File(Name)).parent_path());
        test::WritePcmWav(Dir.File(Name),
                          test::MusicLikeSignal(8000 + int32_t(std::string(Name).size()), 2, 44100), 2,
                          44100);
    }
    test::WriteFileBytes(Dir.File("a/notes.txt"), {'x'});
    std::string Out = ShellQuote(Dir.File("out"));
    // A folder gives its convertible files, sorted, which keep their subfolders; every input gets
    // its own output, the later ones of one name numbered; the progress counts every input.
    TRun Run = Convert("-j 2 -f flac -o " + Out + Joined({Dir.File("a"), Dir.File("b/x.wav")}));
    EXPECT_EQ(Run.Status, 0) << Run.Err;
    EXPECT_NE(Run.Out.find("[3/3]"), std::string::npos) << Run.Out;
    std::vector<std::pair<std::string, std::string>> Expected = {
        {"a/sub/x.WAV", "out/sub/x.flac"}, {"a/x.wav", "out/x.flac"}, {"b/x.wav", "out/x (1).flac"}};
    for (const auto& [Input, Output] : Expected)
        EXPECT_EQ(test::BytesToSamples(test::DecodeWithFfmpeg(Dir.File(Output))),
                  test::BytesToSamples(test::DecodeWithFfmpeg(Dir.File(Input))))
            << Output;

    auto Before = test::ReadFileBytes(Dir.File("out/x.flac"));
    TRun Skip = Convert("-v -f flac --if-exists skip -o " + Out + " " + ShellQuote(Dir.File("b/x.wav")));
    EXPECT_EQ(Skip.Status, 0) << Skip.Err;
    EXPECT_NE(Skip.Out.find("[1/1] skipped"), std::string::npos) << Skip.Out;
    EXPECT_EQ(test::ReadFileBytes(Dir.File("out/x.flac")), Before);

    TRun Rename = Convert("-q -f flac --if-exists rename -o " + Out + " " + ShellQuote(Dir.File("b/x.wav")));
    EXPECT_EQ(Rename.Status, 0) << Rename.Err;
    EXPECT_EQ(test::ReadFileBytes(Dir.File("out/x.flac")), Before);
    EXPECT_TRUE(fs::exists(Dir.File("out/x (2).flac")));

    // A folder with nothing to convert fails with its reason, not as an empty success.
    fs::create_directories(Dir.File("empty"));
    test::WriteFileBytes(Dir.File("empty/notes.txt"), {'x'});
    TRun Empty = Convert("-q -f flac " + ShellQuote(Dir.File("empty")));
    EXPECT_EQ(Empty.Status, 1);
    EXPECT_NE(Empty.Err.find(Dir.File("empty") + ": "), std::string::npos) << Empty.Err;
}

// Every file below Root by its path relative to Root, with its bytes.
std::map<std::string, std::vector<uint8_t>> Tree(const fs::path& Root) {
    std::map<std::string, std::vector<uint8_t>> Files;
    for (const auto& Entry : fs::recursive_directory_iterator(Root))
        if (Entry.is_regular_file() && Entry.path().filename() != OutputManifestName)
            Files[Entry.path().lexically_relative(Root).string()] =
                test::ReadFileBytes(Entry.path().string());
    return Files;
}

TEST(ConvertCommand, ALibraryKeepsItsFoldersAndCoversAndUpdatesWhatChanged) {
    test::TTempDir Dir;
    // Three artists whose albums share track names; covers in two albums, notes in one.
    std::map<std::string, std::vector<int16_t>> Tracks; // by path below Music
    auto AddTrack = [&](const std::string& Name) {
        fs::create_directories(fs::path(Dir.File("Music/" + Name)).parent_path());
        auto Signal =
            test::MusicLikeSignal(4000 + 500 * int32_t(Tracks.size()), 2, 44100, uint32_t(Tracks.size() + 1));
        test::WritePcmWav(Dir.File("Music/" + Name), Signal, 2, 44100);
        Tracks[Name] = Signal;
    };
    for (const char* Album : {"Artist A/First", "Artist B/Second", "Artist C/Third"})
        for (const char* Track : {"01 Intro.wav", "02 Song.wav"}) AddTrack(std::string(Album) + "/" + Track);
    test::WriteFileBytes(Dir.File("Music/Artist A/First/cover.jpg"), {0xFF, 0xD8, 1});
    test::WriteFileBytes(Dir.File("Music/Artist B/Second/Folder.PNG"), {0x89, 'P', 2});
    test::WriteFileBytes(Dir.File("Music/Artist A/First/notes.txt"), {'n'});
    std::string Music = ShellQuote(Dir.File("Music"));
    auto Samples = [](const std::string& File) { return test::BytesToSamples(test::DecodeWithFfmpeg(File)); };

    // Flat: equal names numbered, every track still there once, no covers.
    TRun Flat = Convert("-q -f flac --flat -o " + ShellQuote(Dir.File("flat")) + " " + Music);
    ASSERT_EQ(Flat.Status, 0) << Flat.Err;
    std::multiset<std::vector<int16_t>> FlatAudio, TrackAudio;
    for (const auto& Entry : Tree(Dir.File("flat")))
        FlatAudio.insert(Samples(Dir.File("flat/" + Entry.first)));
    for (const auto& Track : Tracks) TrackAudio.insert(Track.second);
    EXPECT_EQ(FlatAudio, TrackAudio);
    EXPECT_TRUE(fs::exists(Dir.File("flat/02 Song (2).flac")));

    // The tree matches file for file: every track in its folder, each cover once, no notes. The
    // output folder inside the library is no input of later runs.
    TRun Kept = Convert("-q -j 2 -f flac -o " + ShellQuote(Dir.File("Music/converted")) + " " + Music);
    ASSERT_EQ(Kept.Status, 0) << Kept.Err;
    auto Out = Tree(Dir.File("Music/converted"));
    std::set<std::string> Names;
    for (const auto& Entry : Out) Names.insert(Entry.first);
    std::set<std::string> Expected = {"Artist A/First/cover.jpg", "Artist B/Second/Folder.PNG"};
    for (const auto& [Track, Signal] : Tracks) {
        Expected.insert(ChangeFileExt(Track, ".flac"));
        EXPECT_EQ(Samples(Dir.File("Music/converted/" + ChangeFileExt(Track, ".flac"))), Signal) << Track;
    }
    EXPECT_EQ(Names, Expected);
    EXPECT_EQ(Out["Artist A/First/cover.jpg"], (std::vector<uint8_t>{0xFF, 0xD8, 1}));

    // Again with --update: nothing converts, not even an input spoiled since whose time and size
    // are as they were: telling what is up to date reads no audio.
    std::string Spoiled = Dir.File("Music/Artist C/Third/01 Intro.wav");
    auto SpoiledTime = fs::last_write_time(Spoiled);
    test::WriteFileBytes(Spoiled, std::vector<uint8_t>(fs::file_size(Spoiled), 'j'));
    fs::last_write_time(Spoiled, SpoiledTime);
    std::string Update = "-f flac --update -o " + ShellQuote(Dir.File("Music/converted")) + " " + Music;
    TRun Again = Convert(Update);
    EXPECT_EQ(Again.Status, 0) << Again.Err;
    EXPECT_NE(Again.Out.find("0 converted, 6 up to date, 0 failed, 0 skipped"), std::string::npos)
        << Again.Out;
    EXPECT_EQ(Tree(Dir.File("Music/converted")), Out);

    // A new album converts, and only it: a touched input whose audio is the same gets its tags again
    // instead.
    std::string Touched = Dir.File("Music/Artist B/Second/02 Song.wav");
    fs::last_write_time(Touched,
                        fs::last_write_time(Dir.File("Music/converted/Artist B/Second/02 Song.flac")) +
                            std::chrono::seconds(1));
    AddTrack("Artist C/Fourth/01 Intro.wav");
    test::WriteFileBytes(Dir.File("Music/Artist C/Fourth/FRONT.jpeg"), {3});
    TRun Changed = Convert(Update);
    EXPECT_EQ(Changed.Status, 0) << Changed.Err;
    EXPECT_NE(Changed.Out.find("1 converted, 5 up to date, 0 failed, 0 skipped, 1 retagged"),
              std::string::npos)
        << Changed.Out;
    auto After = Tree(Dir.File("Music/converted"));
    EXPECT_EQ(After.size(), Out.size() + 2);
    EXPECT_EQ(After["Artist C/Fourth/FRONT.jpeg"], std::vector<uint8_t>{3});
    EXPECT_EQ(Samples(Dir.File("Music/converted/Artist C/Fourth/01 Intro.flac")),
              Tracks["Artist C/Fourth/01 Intro.wav"]);
}

TEST(ConvertCommand, ExplainsItself) {
    TRun Version = Convert("--version");
    EXPECT_EQ(Version.Status, 0);
    EXPECT_TRUE(Version.Out.starts_with("deraz-convert 1.")) << Version.Out;
    TRun Levels = Convert("--levels ape");
    EXPECT_EQ(Levels.Status, 0);
    EXPECT_NE(Levels.Out.find("   1  Normal - Good compression  (default)\n"), std::string::npos)
        << Levels.Out;
    EXPECT_EQ(Levels.Out.find("mp3"), std::string::npos);
    EXPECT_NE(Convert("--levels").Out.find("  14  192 kbps\n"), std::string::npos);
}

TEST(ConvertCommand, UsageErrorsEndWithStatusTwo) {
    test::TTempDir Dir;
    auto Inputs = MixedInputs(Dir, 1);
    for (const char* Arguments :
         {"", "-f aac x.wav", "-f mp3 -l 18 x.wav", "-f wav -l 1 x.wav", "-j 0 x.wav", "--bogus x.wav", "-f",
          "--wav-type adpcm x.wav", "--block-size 510 x.wav", "-o /dev/null/dir -f mp3 x.wav",
          // Options that would have no effect with the format.
          "-f flac --wav-type ima x.wav", "-f wav --block-size 256 x.wav", "-f ape --cap-bitrate x.wav",
          // Levels by a name or rate that no entry or several entries have.
          "-f ape -l high-ish x.wav", "-f ogg -l quality x.wav", "-f mp3 -l 100k x.wav",
          "--if-exists keep x.wav",
          // Library options that have nothing to act on.
          "--flat x.wav", "--covers x.wav", "--update --if-exists rename -o d x.wav"}) {
        TRun Run = Convert(Arguments);
        EXPECT_EQ(Run.Status, 2) << Arguments;
        EXPECT_NE(Run.Err.find("usage: deraz-convert"), std::string::npos) << Arguments;
    }
    EXPECT_EQ(Convert("--help").Status, 0);
    EXPECT_EQ(Convert("-q -f mp3 -l 17" + Joined(Inputs)).Status, 0);
}

TEST(ConvertCommand, WithoutAFormatUsesTheStoredOne) {
    test::TTempDir Dir;
    auto Inputs = MixedInputs(Dir, 1);
    // A copy of the program with its own settings file beside it.
    std::string Program = test::CopyProgram(test::ConverterProgram(), Dir.File("bin"));
    std::string Ini = "[output]\nDESTEXT=0x2\n";
    test::WriteFileBytes(Dir.File("bin/Varidir.ini"), {Ini.begin(), Ini.end()});
    TRun Run = Convert("-q" + Joined(Inputs), Program);
    EXPECT_EQ(Run.Status, 0) << Run.Err;
    EXPECT_TRUE(fs::exists(Dir.File("in0.fla")));
}

TEST(ConvertCommand, AnInterruptLeavesNoPartialFileAndListsTheRest) {
    test::TTempDir Dir;
    std::string Long = Dir.File("long.flac");
    ASSERT_EQ(test::RunCommand("sox -n -r 44100 -c 2 -b 16 -t wav - synth 200 sine 300-900 | flac -s -0 -o " +
                               ShellQuote(Long) + " -"),
              0);
    auto Others = MixedInputs(Dir, 2);
    std::string Command =
        ShellQuote(test::ConverterProgram()) + " -q -j 1 -f mp3" + Joined({Long, Others[0], Others[1]});
    // The interrupt comes once the first output is being written, so the handler is in place.
    std::string Err;
    int Status =
        test::RunCommand("(" + Command + " & pid=$!; i=0; until ls " + ShellQuote(Dir.Path().string()) +
                             "/.deraz-*.part >/dev/null 2>&1 || [ $i -ge 1200 ]; do sleep 0.05; i=$((i+1)); "
                             "done; kill -INT $pid; wait $pid)",
                         &Err);
    EXPECT_EQ(Status, 130) << Err;
    EXPECT_NE(Err.find("Stopped: 0 converted, 1 stopped, 2 not started."), std::string::npos) << Err;
    EXPECT_FALSE(fs::exists(Dir.File("long.mp3")));
    for (const auto& Entry : fs::directory_iterator(Dir.Path())) EXPECT_NE(Entry.path().extension(), ".part");
}

} // namespace
} // namespace deraz
