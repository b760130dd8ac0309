// ReplayGain written while converting: the values read back with ffprobe, checked against the
// signal's known loudness and against loudgain's own measurement of the same outputs; album values
// against loudgain's album mode; no gain, with a note, for silence and very short audio; album
// gains applied to the audio; the true peak measured only where it can rise.
#include <cmath>
#include <ebur128.h>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sstream>

#include "driver/AlbumGain.h"
#include "driver/LoudnessPeak.h"
#include "driver/ParallelBatch.h"
#include "driver/ReplayGainTags.h"
#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

using test::ShellQuote;

// A 1 kHz sine at Volume of full scale (0.1: -20 dBFS; -20 LUFS in stereo, -23 LUFS in mono),
// made by sox.
std::string Sine(const test::TTempDir& Dir, const std::string& Name, double Volume, double Seconds = 5,
                 int Channels = 2) {
    std::string File = Dir.File(Name);
    std::ostringstream Command;
    Command << "sox -n -r 44100 -b 16 -c " << Channels << " " << ShellQuote(File) << " synth " << Seconds
            << " sine 1000 vol " << Volume;
    EXPECT_EQ(test::RunCommand(Command.str()), 0);
    return File;
}

// The entries converted with Choice, album values written as TAlbumGain writes them.
std::vector<TEntryResult> Convert(const TOutputChoice& Choice, const std::vector<TMediaEntry>& Entries) {
    TParallelBatch Batch{[Choice] { return Choice; }};
    Batch.SetJobs(2);
    std::optional<TAlbumGain> Albums;
    if (Choice.ReplayGain == gmAlbum) Albums.emplace(Entries);
    std::vector<TEntryResult> Results(Entries.size());
    Batch.OnEntryFinished = [&](TParallelBatch*, const TEntryResult& Result) {
        Results[size_t(Result.Index)] = Result;
        if (Albums) Albums->EntryFinished(Result);
    };
    Batch.Start(Entries);
    Batch.RunToEnd();
    if (Albums)
        for (const auto& Note : Albums->Notes()) Results[size_t(Note.Index)].Message += " " + Note.Message;
    return Results;
}

// The REPLAYGAIN_* tags of File as ffprobe reads them, names in upper case.
std::map<std::string, std::string> GainTags(const std::string& File) {
    std::map<std::string, std::string> Tags;
    for (const auto& [Key, Value] : test::ProbeEntries(File, "format_tags:stream_tags")) {
        std::string Name = Key;
        for (auto& C : Name) C = char(std::toupper(static_cast<unsigned char>(C)));
        if (Name.find("REPLAYGAIN_") != std::string::npos)
            Tags[Name.substr(Name.find("REPLAYGAIN_"))] = Value;
    }
    return Tags;
}

struct TPeerValues {
    double Loudness, Peak, Gain;
};

// loudgain's measurement of Files, one row per file and, in album mode, the album's row last.
std::vector<TPeerValues> Loudgain(const std::vector<std::string>& Files, bool Album) {
    std::string Command = std::string("loudgain -q -O -s s") + (Album ? " -a" : "");
    for (const auto& File : Files) Command += " " + ShellQuote(File);
    std::string Text;
    EXPECT_EQ(test::RunCommand(Command, &Text), 0) << Command;
    std::vector<TPeerValues> Rows;
    std::istringstream Lines(Text);
    std::string Line;
    std::getline(Lines, Line); // the heading
    while (std::getline(Lines, Line)) {
        std::vector<std::string> Cells;
        std::istringstream Fields(Line);
        for (std::string Cell; std::getline(Fields, Cell, '\t');) Cells.push_back(Cell);
        if (Cells.size() >= 9)
            Rows.push_back({std::stod(Cells[1]), std::stod(Cells[3]), std::stod(Cells[8])});
    }
    return Rows;
}

class ReplayGain : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* Tool : {"sox", "ffprobe", "loudgain", "metaflac"})
            if (!test::ToolAvailable(Tool)) GTEST_SKIP() << Tool << " is missing";
    }
    test::TTempDir Dir;
};

TEST_F(ReplayGain, TrackValuesMatchTheSignalAndLoudgainInEveryTagForm) {
    std::string Stereo = Sine(Dir, "stereo.wav", 0.1), Mono = Sine(Dir, "mono.wav", 0.1, 5, 1);
    struct TCase {
        std::string Input;
        int32_t DestExt, Level;
        TGainMode Apply;
        double
            Gain; // the expected track gain: 2 dB for the stereo sine, 5 dB for the mono one, 0 once applied
    } Cases[] = {{Stereo, 0, 9, gmOff, 2}, {Stereo, 1, 17, gmOff, 2}, {Stereo, 3, 0, gmOff, 2},
                 {Stereo, 4, 1, gmOff, 2}, {Mono, 2, 0, gmOff, 5.01}, {Stereo, 1, 17, gmTrack, 0}};
    for (const auto& Case : Cases) {
        std::string Output = Case.Input + std::to_string(Case.Apply) + OutputExtension(Case.DestExt);
        SCOPED_TRACE(Output);
        TOutputChoice Choice{Case.DestExt, Case.Level};
        Choice.ReplayGain = gmTrack;
        Choice.ApplyGain = Case.Apply;
        auto Results = Convert(Choice, {{Case.Input, Output}});
        ASSERT_EQ(Results[0].Outcome, eoConverted) << Results[0].Message;
        EXPECT_EQ(Results[0].Message.find("applied") != std::string::npos, Case.Apply != gmOff)
            << Results[0].Message;
        auto Tags = GainTags(Output);
        ASSERT_TRUE(Tags.contains("REPLAYGAIN_TRACK_GAIN") && Tags.contains("REPLAYGAIN_TRACK_PEAK"));
        EXPECT_FALSE(Tags.contains("REPLAYGAIN_ALBUM_GAIN"));
        double Gain = std::stod(Tags["REPLAYGAIN_TRACK_GAIN"]),
               Peak = std::stod(Tags["REPLAYGAIN_TRACK_PEAK"]);
        EXPECT_NE(Tags["REPLAYGAIN_TRACK_GAIN"].find(" dB"), std::string::npos);
        EXPECT_NEAR(Gain, Case.Gain, 0.1);
        auto Peer = Loudgain({Output}, false);
        ASSERT_EQ(Peer.size(), 1u);
        EXPECT_NEAR(Gain, Peer[0].Gain, 0.1);
        EXPECT_NEAR(Peak, Peer[0].Peak, Peer[0].Peak * 0.05);
    }
}

TEST_F(ReplayGain, AlbumValuesEqualLoudgainsAlbumModeAndNeedEveryTrack) {
    std::filesystem::create_directories(Dir.File("album"));
    std::filesystem::create_directories(Dir.File("broken"));
    std::vector<TMediaEntry> Entries;
    std::vector<std::string> AlbumOutputs;
    for (double Volume : {0.1, 0.3, 0.05}) {
        std::string Name = "album/" + std::to_string(int(Volume * 100));
        Entries.push_back({Sine(Dir, Name + ".wav", Volume), Dir.File(Name + ".flac")});
        AlbumOutputs.push_back(Entries.back().OutputName);
    }
    // An album one of whose tracks fails gets track values only, and its converted track says so.
    test::WriteFileBytes(Dir.File("broken/bad.wav"), {'R', 'I', 'F', 'F'});
    Entries.push_back({Dir.File("broken/bad.wav"), Dir.File("broken/bad.flac")});
    Entries.push_back({Sine(Dir, "broken/good.wav", 0.2), Dir.File("broken/good.flac")});
    TOutputChoice Choice{3, 0};
    Choice.ReplayGain = gmAlbum;
    auto Results = Convert(Choice, Entries);

    auto Peer = Loudgain(AlbumOutputs, true);
    ASSERT_EQ(Peer.size(), 4u);
    for (const auto& Output : AlbumOutputs) {
        auto Tags = GainTags(Output);
        ASSERT_TRUE(Tags.contains("REPLAYGAIN_ALBUM_GAIN")) << Output;
        EXPECT_NEAR(std::stod(Tags["REPLAYGAIN_ALBUM_GAIN"]), Peer[3].Gain, 0.1);
        EXPECT_NEAR(std::stod(Tags["REPLAYGAIN_ALBUM_PEAK"]), Peer[3].Peak, Peer[3].Peak * 0.05);
        // Both tag writes took from the padding the encoder left (a moved file gets fresh 4096
        // bytes): the audio stayed where it was.
        std::string Padding;
        test::RunCommand("metaflac --list --block-type=PADDING " + ShellQuote(Output), &Padding);
        ASSERT_NE(Padding.find("length: "), std::string::npos);
        EXPECT_LT(std::stoi(Padding.substr(Padding.find("length: ") + 8)), 4096);
    }
    EXPECT_EQ(Results[3].Outcome, eoFailed);
    auto Lone = GainTags(Dir.File("broken/good.flac"));
    EXPECT_TRUE(Lone.contains("REPLAYGAIN_TRACK_GAIN") && !Lone.contains("REPLAYGAIN_ALBUM_GAIN"));
    EXPECT_NE(Results[4].Message.find("track ReplayGain values only"), std::string::npos)
        << Results[4].Message;
}

TEST_F(ReplayGain, SilenceAndShortAudioConvertWithoutGainAndSayWhy) {
    struct TCase {
        std::string Input, Why;
    } Cases[] = {{Sine(Dir, "silent.wav", 0), "silent"},
                 {Sine(Dir, "short.wav", 0.1, 0.3), "shorter than 400 ms"}};
    for (const auto& Case : Cases) {
        std::string Output = Case.Input + ".ogg";
        TOutputChoice Choice{0, 5};
        Choice.ReplayGain = gmAlbum;
        auto Results = Convert(Choice, {{Case.Input, Output}});
        EXPECT_EQ(Results[0].Outcome, eoConverted) << Case.Input;
        EXPECT_NE(Results[0].Message.find("No ReplayGain: the audio is " + Case.Why), std::string::npos)
            << Results[0].Message;
        EXPECT_TRUE(GainTags(Output).empty()) << Case.Input;
    }
}

TEST_F(ReplayGain, InputValuesTravelOnlyWhenNoneAreMeasuredAndFailedWritesChangeNothing) {
    std::string Input = Dir.File("tagged.flac");
    ASSERT_EQ(test::RunCommand("flac -s -f -o " + ShellQuote(Input) + " " +
                               ShellQuote(Sine(Dir, "s.wav", 0.1)) +
                               " && metaflac --set-tag=REPLAYGAIN_TRACK_GAIN=-9.00\\ dB "
                               "--set-tag=REPLAYGAIN_ALBUM_GAIN=-8.00\\ dB " +
                               ShellQuote(Input)),
              0);
    for (TGainMode Mode : {gmOff, gmTrack}) {
        std::string Output = Dir.File("out" + std::to_string(Mode) + ".mp3");
        TOutputChoice Choice{1, 17, true};
        Choice.ReplayGain = Mode;
        Convert(Choice, {{Input, Output}});
        auto Tags = GainTags(Output);
        EXPECT_EQ(Tags["REPLAYGAIN_TRACK_GAIN"] == "-9.00 dB", Mode == gmOff) << Mode;
        EXPECT_EQ(Tags.contains("REPLAYGAIN_ALBUM_GAIN"), Mode == gmOff) << Mode;
    }
    std::string Junk = Dir.File("junk.flac");
    test::WriteFileBytes(Junk, {'f', 'L', 'a', 'C'});
    EXPECT_THROW(WriteGainFields(Junk, ".flac", AlbumGainFields({1, 0.5})), std::runtime_error);
    EXPECT_EQ(test::ReadFileBytes(Junk), (std::vector<uint8_t>{'f', 'L', 'a', 'C'}));
    EXPECT_EQ(test::FilesWithExtension(Dir.Path(), ".part").size(), 0u);
}

TEST_F(ReplayGain, AlbumGainAppliedToEveryTrackOfItsAlbumWithinFullScale) {
    for (const char* Folder : {"plain", "spiky", "silent"})
        std::filesystem::create_directories(Dir.File(Folder));
    // plain: -20 and -10.5 LUFS, album gain about -4 dB; spiky: -40 LUFS with a peak at 0.9, so
    // the gain is held at the peak; silent: no gain at all.
    std::string Quiet = Sine(Dir, "spiky/quiet.wav", 0.01, 3), Spike = Dir.File("spiky/spike.wav");
    ASSERT_EQ(test::RunCommand("sox " + ShellQuote(Quiet) + " " +
                               ShellQuote(Sine(Dir, "burst.wav", 0.9, 0.005)) + " " + ShellQuote(Spike)),
              0);
    std::vector<std::string> Inputs = {Sine(Dir, "plain/a.wav", 0.1), Sine(Dir, "plain/b.wav", 0.3), Spike,
                                       Quiet, Sine(Dir, "silent/s.wav", 0)};
    std::vector<TMediaEntry> Entries;
    for (const auto& Input : Inputs) Entries.push_back({Input, Input + ".ogg"});
    TOutputChoice Choice{0, 5};
    Choice.ReplayGain = gmAlbum;
    Choice.ApplyGain = gmAlbum;
    auto Results = Convert(Choice, Entries);
    const char* Notes[] = {"Album gain of -", "Album gain of -", "lowered from", "lowered from",
                           "No gain applied: its album is silent"};
    for (size_t I = 0; I < Inputs.size(); ++I) {
        SCOPED_TRACE(Inputs[I]);
        ASSERT_EQ(Results[I].Outcome, eoConverted) << Results[I].Message;
        EXPECT_NE(Results[I].Message.find(Notes[I]), std::string::npos) << Results[I].Message;
    }
    // The plain album now plays at the reference with its tracks' difference kept.
    auto A = GainTags(Entries[0].OutputName), B = GainTags(Entries[1].OutputName);
    EXPECT_NEAR(std::stod(A["REPLAYGAIN_ALBUM_GAIN"]), 0, 0.15);
    EXPECT_NEAR(std::stod(A["REPLAYGAIN_TRACK_GAIN"]) - std::stod(B["REPLAYGAIN_TRACK_GAIN"]), 9.54, 0.2);
    // The spiky album was raised until its peak reached full scale.
    EXPECT_NEAR(std::stod(GainTags(Entries[2].OutputName)["REPLAYGAIN_ALBUM_PEAK"]), 1.0, 0.05);
}

TEST(TruePeakMeter, EqualsAMeasurementOfEveryFrame) {
    // Noise at 0.3, then a louder burst, then a quarter-rate sine whose samples (0.57) stay below
    // the noise's peak but whose true peak (0.8) lies between them.
    auto Signal = [](size_t Frame, unsigned Channel, unsigned Rate) {
        uint32_t Hash = uint32_t(Frame * 2654435761u + Channel * 40503u);
        double Noise = double(Hash % 20001) / 10000 - 1;
        if (Frame < Rate) return 0.3 * Noise;
        if (Frame < Rate + 100) return 0.6 * Noise;
        return 0.8 * std::sin(M_PI / 2 * double(Frame) + M_PI / 4 + Channel);
    };
    struct TCase {
        unsigned Rate, Channels;
        size_t Chunk; // frames added at a time
    } Cases[] = {{44100, 2, 4096}, {44100, 1, 7}, {96000, 3, 1000}, {192000, 2, 333}};
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Rate);
        std::vector<float> Pcm;
        for (size_t Frame = 0; Frame < size_t(Case.Rate) * 2; ++Frame)
            for (unsigned Channel = 0; Channel < Case.Channels; ++Channel)
                Pcm.push_back(float(Signal(Frame, Channel, Case.Rate)));
        size_t Frames = Pcm.size() / Case.Channels;
        ebur128_state* Every = ebur128_init(Case.Channels, Case.Rate, EBUR128_MODE_TRUE_PEAK);
        ASSERT_NE(Every, nullptr);
        ebur128_add_frames_float(Every, Pcm.data(), Frames);
        double Expected = 0;
        for (unsigned Channel = 0; Channel < Case.Channels; ++Channel) {
            double Peak = 0;
            ebur128_true_peak(Every, Channel, &Peak);
            Expected = std::max(Expected, Peak);
        }
        ebur128_destroy(&Every);
        TTruePeakMeter Meter(int32_t(Case.Channels), int32_t(Case.Rate));
        for (size_t Frame = 0; Frame < Frames; Frame += Case.Chunk)
            Meter.Add(&Pcm[Frame * Case.Channels], std::min(Case.Chunk, Frames - Frame));
        EXPECT_NEAR(Meter.Peak(), Expected, Expected * 1e-5);
        if (Case.Rate < 192000) {
            EXPECT_GT(Expected, 0.75);
        }
    }
}

} // namespace
} // namespace deraz
