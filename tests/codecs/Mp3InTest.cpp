#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "codecs/mp3/ACS_LAME.h"
#include "codecs/mp3/ACS_MAD.h"
#include "tests/codecs/Mp3TestSupport.h"

namespace deraz::test {
namespace {

struct TLameCase {
    const char* Name;
    int32_t Channels;
    int32_t Rate;
    const char* Options;
};

// CBR and VBR, mono and stereo, MPEG-1, MPEG-2 and MPEG-2.5 sample rates.
const TLameCase LameCases[] = {
    {"cbr_stereo_44100", 2, 44100, "-b 128"},
    {"vbr_stereo_44100", 2, 44100, "-V 2"},
    {"cbr_mono_48000", 1, 48000, "-b 96"},
    {"vbr_mono_32000", 1, 32000, "-V 5"},
    {"cbr_stereo_22050", 2, 22050, "-b 64"},
    {"vbr_stereo_16000", 2, 16000, "-V 4"},
    {"cbr_stereo_11025", 2, 11025, "-b 48"},
    // Frames too small for a LAME/Info frame: no decoder knows the exact length.
    {"cbr_mono_24000_no_info_frame", 1, 24000, "-b 48"},
    {"vbr_mono_8000", 1, 8000, "-V 6"},
};

std::vector<int16_t> ReadAll(TACSInput& Source, int32_t Piece = 4000) {
    std::vector<int16_t> Samples;
    std::vector<uint8_t> Buffer(static_cast<size_t>(Piece));
    Source.Init();
    while (int32_t Count = Source.GetData(Buffer.data(), Piece)) {
        EXPECT_EQ(Count % 2, 0);
        Samples.insert(Samples.end(), reinterpret_cast<int16_t*>(Buffer.data()),
                       reinterpret_cast<int16_t*>(Buffer.data() + Count));
    }
    Source.Flush();
    return Samples;
}

std::vector<int16_t> ReadWav(const std::string& FileName) {
    auto Bytes = ReadFileBytes(FileName);
    if (Bytes.size() < 44) return {};
    return BytesToSamples(std::vector<uint8_t>(Bytes.begin() + 44, Bytes.end()));
}

bool HasInfoFrame(const std::string& FileName) {
    auto Bytes = ReadFileBytes(FileName);
    std::string Head(Bytes.begin(), Bytes.begin() + std::min<size_t>(Bytes.size(), 64));
    return Head.find("Info") != std::string::npos || Head.find("Xing") != std::string::npos;
}

double LevelDb(const std::vector<int16_t>& Samples) {
    double Sum = 1e-9;
    for (int16_t S : Samples) Sum += double(S) * S;
    return 10 * std::log10(Sum / std::max<size_t>(1, Samples.size()));
}

// Runs a decoder to its end and counts the OnDone calls.
struct TDecoderRun {
    std::mutex Mutex;
    std::condition_variable Ended;
    int DoneCount = 0;
    bool Success = false;
    int Progressed = 0;

    void Attach(TMP3ToWav& Decoder) {
        Decoder.OnDone = [this](TComponent*, bool Ok) {
            std::lock_guard Lock(Mutex);
            ++DoneCount;
            Success = Ok;
            Ended.notify_all();
        };
        Decoder.OnProgress = [this, &Decoder](TComponent* Sender) {
            EXPECT_EQ(Sender, &Decoder);
            int32_t Percent = Decoder.Progress();
            EXPECT_GE(Percent, 0);
            EXPECT_LE(Percent, 100);
            std::unique_lock Lock(Mutex);
            ++Progressed;
            // A held run waits here, certainly unfinished, until the test releases it.
            Ended.wait_for(Lock, std::chrono::minutes(2), [this] { return !Hold; });
        };
    }
    void Release() {
        std::lock_guard Lock(Mutex);
        Hold = false;
        Ended.notify_all();
    }
    int Dones() {
        std::lock_guard Lock(Mutex);
        return DoneCount;
    }
    bool Hold = false;
    bool Wait() {
        std::unique_lock Lock(Mutex);
        return Ended.wait_for(Lock, std::chrono::minutes(2), [this] { return DoneCount > 0; });
    }
    // Runs Decoder from In into Out and waits for its end; whether it ended.
    bool Decode(TMP3ToWav& Decoder, const std::string& In, const std::string& Out) {
        Attach(Decoder);
        Success = false;
        DoneCount = 0;
        Decoder.SetInputFile(In);
        Decoder.SetOutputFile(Out);
        Decoder.Run();
        return Wait();
    }
};

// The source decodes exactly what mpg123 does; the WAV decoder, which also writes a header sox
// reads, comes close to it.
TEST(MP3In, LameFilesDecodeAsMpg123DecodesThem) {
    TTempDir Dir;
    for (const auto& Case : LameCases) {
        SCOPED_TRACE(Case.Name);
        auto Samples = MusicLikeSignal(Case.Rate * 2 + 77, Case.Channels, Case.Rate, 13);
        std::string File = EncodeWithLame(Dir, Case.Name, Samples, Case.Channels, Case.Rate, Case.Options);
        ASSERT_FALSE(File.empty());
        auto Expected = DecodeWithMpg123(File);
        ASSERT_FALSE(Expected.empty());
        TMP3In Source;
        Source.SetFileName(File);
        EXPECT_EQ(Source.Channels(), Case.Channels);
        EXPECT_EQ(Source.SampleRate(), Case.Rate);
        EXPECT_EQ(Source.BitsPerSample(), 16);
        auto Decoded = ReadAll(Source);
        EXPECT_TRUE(Decoded == Expected) << Decoded.size() << " vs " << Expected.size();
        if (HasInfoFrame(File)) {
            // Gapless, and the Xing frame count gives the exact size up front.
            EXPECT_EQ(Decoded.size(), Samples.size());
            EXPECT_EQ(Source.TotalSamples() * Case.Channels, int32_t(Samples.size()));
        }

        TMP3ToWav Decoder;
        TDecoderRun Run;
        ASSERT_TRUE(Run.Decode(Decoder, File, Dir.File(std::string(Case.Name) + ".out.wav")));
        EXPECT_TRUE(Run.Success);
        EXPECT_GT(Run.Progressed, 0);
        EXPECT_EQ(Decoder.Progress(), 100);
        auto Written = ReadWav(Decoder.OutputFile());
        EXPECT_EQ(Written.size(), Expected.size());
        EXPECT_NEAR(LevelDb(Written), LevelDb(Expected), 0.5);
        EXPECT_GT(SignalToNoiseDb(Expected, Written), 60.0);
        std::string Channels, Rate;
        EXPECT_EQ(RunCommand("soxi -c " + ShellQuote(Decoder.OutputFile()), &Channels), 0);
        EXPECT_EQ(RunCommand("soxi -r " + ShellQuote(Decoder.OutputFile()), &Rate), 0);
        EXPECT_EQ(Channels + Rate, std::to_string(Case.Channels) + "\n" + std::to_string(Case.Rate) + "\n");
    }
}

TEST(MP3In, SizeWithoutXingFrameIsCorrectedSoProgressEndsAtOneHundred) {
    TTempDir Dir;
    auto Samples = MusicLikeSignal(44100 * 3, 2, 44100, 17);
    std::string File = EncodeWithLame(Dir, "plain", Samples, 2, 44100, "-V 3 -t");
    auto Expected = DecodeWithMpg123(File);
    TMP3In Source;
    Source.SetFileName(File);
    std::vector<uint8_t> Buffer(4096);
    Source.Init();
    EXPECT_GT(Source.Size(), 0);
    int32_t Total = 0;
    while (int32_t Count = Source.GetData(Buffer.data(), 4096)) {
        Total += Count;
        EXPECT_LE(Source.Position(), Source.Size());
    }
    EXPECT_EQ(Source.Size(), Total);
    EXPECT_EQ(Total, int32_t(Expected.size() * 2));
    Source.Flush();
}

// Streams joined from files of another channel count or rate are delivered whole in the format
// of their first frame, not as PCM whose layout changes midway.
TEST(MP3In, LaterFramesOfAnotherFormatAreConvertedToTheFirstFramesFormat) {
    struct TPart {
        int32_t Channels, Rate;
    };
    const std::pair<TPart, TPart> Cases[] = {{{1, 44100}, {2, 44100}}, {{2, 44100}, {2, 22050}}};
    TTempDir Dir;
    for (auto [First, Second] : Cases) {
        std::vector<uint8_t> Joined;
        int64_t ExpectedFrames = 0;
        for (auto Part : {First, Second}) {
            auto Samples = MusicLikeSignal(Part.Rate, Part.Channels, Part.Rate, 61);
            std::string File = EncodeWithLame(Dir, "part", Samples, Part.Channels, Part.Rate, "-t -b 128");
            auto Bytes = ReadFileBytes(File);
            Joined.insert(Joined.end(), Bytes.begin(), Bytes.end());
            ExpectedFrames += int64_t(DecodeWithMpg123(File).size()) / Part.Channels * First.Rate / Part.Rate;
        }
        WriteFileBytes(Dir.File("joined.mp3"), Joined);
        TMP3In Source;
        Source.SetFileName(Dir.File("joined.mp3"));
        EXPECT_EQ(Source.Channels(), First.Channels);
        EXPECT_EQ(Source.SampleRate(), First.Rate);
        int64_t Frames = int64_t(ReadAll(Source).size()) / First.Channels;
        EXPECT_NEAR(double(Frames), double(ExpectedFrames), 1152) << Second.Channels << " " << Second.Rate;
    }
}

TEST(MP3In, SkipsId3v2AndSurvivesDamage) {
    TTempDir Dir;
    auto Samples = MusicLikeSignal(44100 * 2, 2, 44100, 19);
    std::string File = EncodeWithLame(Dir, "tagged", Samples, 2, 44100, "-b 128 --id3v2-only --tt Title");
    auto Bytes = ReadFileBytes(File);
    ASSERT_EQ(std::string(Bytes.begin(), Bytes.begin() + 3), "ID3");
    TMP3In Source;
    Source.SetFileName(File);
    EXPECT_EQ(ReadAll(Source), DecodeWithMpg123(File));

    // Garbage in the middle and a cut-off end: decoded as far as it goes.
    for (size_t I = Bytes.size() / 3; I < Bytes.size() / 3 + 3000; ++I) Bytes[I] = uint8_t(I * 37);
    Bytes.resize(Bytes.size() * 3 / 4);
    WriteFileBytes(Dir.File("damaged.mp3"), Bytes);
    Source.SetFileName(Dir.File("damaged.mp3"));
    auto Damaged = ReadAll(Source);
    EXPECT_GT(Damaged.size(), Samples.size() / 2);
    EXPECT_LT(Damaged.size(), Samples.size());
}

// A file cut to two thirds delivers what it holds; where its LAME/Info frame counts the frames,
// the note says how much of the stated length arrived. A whole file says nothing.
TEST(MP3In, ACutFileNotesHowMuchOfItsStatedLengthArrived) {
    TTempDir Dir;
    auto Samples = MusicLikeSignal(44100 * 8, 2, 44100, 23);
    for (const char* Options : {"-b 128", "-V 2", "-b 128 -t"}) {
        std::string File = EncodeWithLame(Dir, "whole", Samples, 2, 44100, Options);
        auto Bytes = ReadFileBytes(File);
        WriteFileBytes(Dir.File("cut.mp3"), {Bytes.begin(), Bytes.begin() + Bytes.size() * 2 / 3});
        TMP3In Source;
        Source.SetFileName(Dir.File("cut.mp3"));
        EXPECT_NEAR(double(ReadAll(Source).size()) / 2 / 44100, 5.333, 0.1) << Options;
        const bool Counted = std::string(Options).find("-t") == std::string::npos;
        // "The input ends early: 5.2xx of 8.000 s decoded." or 5.3xx, where the cut falls.
        const std::string Note = Source.Note();
        const bool Early = Note.size() == 47 && Note.starts_with("The input ends early: 5.") &&
                           (Note[24] == '2' || Note[24] == '3') && Note.ends_with(" of 8.000 s decoded.");
        EXPECT_EQ(Early, Counted) << Options << ": " << Note;
        if (!Counted) {
            EXPECT_EQ(Note, "") << Options;
        }
        Source.SetFileName(File);
        ReadAll(Source);
        EXPECT_EQ(Source.Note(), "") << Options;
    }
}

TEST(MP3In, FilesWithoutFramesAreEmptyWhenTheyHoldOnlyTagsAndInvalidOtherwise) {
    TTempDir Dir;
    std::vector<uint8_t> Garbage(20000);
    for (size_t I = 0; I < Garbage.size(); ++I) Garbage[I] = uint8_t((I * 7919) >> 3);
    WriteFileBytes(Dir.File("garbage.mp3"), Garbage);
    WriteFileBytes(Dir.File("empty.mp3"), {});
    auto Tag = [&](const std::string& Name, const std::string& Options) {
        ASSERT_EQ(RunCommand("id3v2 " + Options + " -t Title -a Artist " + ShellQuote(Dir.File(Name))), 0);
    };
    // ID3v2 and ID3v1, ID3v1 alone, ID3v2 followed by zero padding, and a tag before garbage.
    WriteFileBytes(Dir.File("tags.mp3"), {});
    Tag("tags.mp3", "");
    WriteFileBytes(Dir.File("v1.mp3"), {});
    Tag("v1.mp3", "-1");
    WriteFileBytes(Dir.File("padded.mp3"), std::vector<uint8_t>(3000));
    Tag("padded.mp3", "-2");
    WriteFileBytes(Dir.File("tagged_garbage.mp3"), Garbage);
    Tag("tagged_garbage.mp3", "-2");
    const std::pair<const char*, bool> Cases[] = {
        {"garbage.mp3", false}, {"empty.mp3", false}, {"tagged_garbage.mp3", false},
        {"tags.mp3", true},     {"v1.mp3", true},     {"padded.mp3", true}};
    for (auto [Name, Valid] : Cases) {
        SCOPED_TRACE(Name);
        TMP3In Source;
        Source.SetFileName(Dir.File(Name));
        Source.Init();
        EXPECT_EQ(Source.Valid(), Valid);
        EXPECT_EQ(Source.DecodeError(), Valid ? "" : "No MPEG audio frame was found.");
        EXPECT_EQ(Source.Size(), 0);
        uint8_t Buffer[100];
        EXPECT_EQ(Source.GetData(Buffer, 100), 0);
        Source.Flush();
        if (!Valid) continue;
        // It converts to an empty MP3, which mpg123 plays as such.
        TMP3Out Sink;
        Sink.SetFileName(Dir.File(std::string(Name) + ".out.mp3"));
        EXPECT_EQ((Sink.SetInput(&Source), RunAndWait(Sink)), "");
        std::string Raw = Sink.FileName() + ".raw";
        EXPECT_EQ(RunCommand("mpg123 -q -s " + ShellQuote(Sink.FileName()) + " > " + ShellQuote(Raw)), 0);
        EXPECT_EQ(std::filesystem::file_size(Raw), 0u);
    }
    TMP3In Missing;
    Missing.SetFileName(Dir.File("missing.mp3"));
    EXPECT_THROW(Missing.Init(), EFileError);
    uint8_t Buffer[4];
    EXPECT_THROW(Missing.GetData(Buffer, 4), EACSException);
}

TEST(MP3ToWav, TagsAroundTheAudioAreNotDecoded) {
    TTempDir Dir;
    auto Samples = MusicLikeSignal(44100 * 2, 2, 44100, 43);
    std::string File = EncodeWithLame(Dir, "tags", Samples, 2, 44100,
                                      "-b 128 --add-id3v2 --pad-id3v2-size 3000 --tt Title --ta Artist");
    auto Bytes = ReadFileBytes(File);
    ASSERT_EQ(std::string(Bytes.end() - 128, Bytes.end() - 125), "TAG");
    TMP3ToWav Decoder;
    TDecoderRun Run;
    ASSERT_TRUE(Run.Decode(Decoder, File, Dir.File("tags.wav")));
    EXPECT_TRUE(Run.Success);
    auto Expected = DecodeWithMpg123(File);
    auto Decoded = ReadWav(Dir.File("tags.wav"));
    EXPECT_EQ(Decoded.size(), Samples.size());
    EXPECT_GT(SignalToNoiseDb(Expected, Decoded), 60.0);
}

TEST(MP3ToWav, FailedRunsReportOnceAndLeaveNoFile) {
    TTempDir Dir;
    std::vector<uint8_t> Garbage(50000);
    for (size_t I = 0; I < Garbage.size(); ++I) Garbage[I] = uint8_t((I * 7919) >> 3 ^ I);
    WriteFileBytes(Dir.File("garbage.mp3"), Garbage);
    auto Samples = MusicLikeSignal(44100 * 20, 2, 44100, 31);
    std::string Long = EncodeWithLame(Dir, "long", Samples, 2, 44100, "-b 128");

    TMP3ToWav Decoder;
    TDecoderRun Run;
    ASSERT_TRUE(Run.Decode(Decoder, Dir.File("garbage.mp3"), Dir.File("garbage.wav")));
    EXPECT_FALSE(Run.Success);
    EXPECT_FALSE(std::filesystem::exists(Dir.File("garbage.wav")));

    // Writing over the input is refused and the input stays whole.
    ASSERT_TRUE(Run.Decode(Decoder, Long, Long));
    EXPECT_FALSE(Run.Success);
    EXPECT_EQ(DecodeWithMpg123(Long).size(), Samples.size());

    // A stopped run is a failed one, reported once: counted after its thread has ended.
    TDecoderRun Stopped;
    {
        TMP3ToWav Held;
        Stopped.Attach(Held);
        Stopped.Hold = true;
        Held.SetInputFile(Long);
        Held.SetOutputFile(Dir.File("stopped.wav"));
        Held.Run();
        EXPECT_THROW(Held.Run(), EACSException);
        Held.Stop();
        Stopped.Release();
        ASSERT_TRUE(Stopped.Wait());
    }
    EXPECT_FALSE(Stopped.Success);
    EXPECT_FALSE(std::filesystem::exists(Dir.File("stopped.wav")));
    EXPECT_EQ(Stopped.Dones(), 1);
}

TEST(MP3ToWav, DestroyingWithoutARunOrDuringOneIsSafe) {
    TTempDir Dir;
    {
        TMP3ToWav Idle;
        Idle.SetInputFile("whatever.mp3");
        EXPECT_EQ(Idle.Progress(), 0);
        EXPECT_FALSE(Idle.Running());
    }
    auto Samples = MusicLikeSignal(44100 * 10, 2, 44100, 37);
    std::string File = EncodeWithLame(Dir, "busy", Samples, 2, 44100, "-b 128");
    {
        TMP3ToWav Busy;
        Busy.SetInputFile(File);
        Busy.SetOutputFile(Dir.File("busy.wav"));
        Busy.Run();
    }
    EXPECT_FALSE(std::filesystem::exists(Dir.File("busy.wav")));
}

} // namespace
} // namespace deraz::test
