// The driver's queue with a raw source and sink: what starts when, what is reported, and which
// files are left behind.
#include "driver/ConvDriver.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "tests/driver/FakeComponents.h"
#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

namespace fs = std::filesystem;
using test::TRawIn;
using test::TRawOut;

std::vector<uint8_t> Bytes(size_t Count, uint8_t Seed) {
    std::vector<uint8_t> Result(Count);
    for (size_t I = 0; I < Count; ++I) Result[I] = uint8_t(I * 7 + Seed);
    return Result;
}

// A driver over the raw components under ".raw" (and ".wav", for the WAV to WAV rule), with
// everything it reports recorded.
struct TRig {
    TRawIn In;
    TRawOut Out;
    TPipelineTable Table = MakeTable();
    int32_t ChoiceReads = 0;
    TConvDriver Driver;
    std::vector<TEntryResult> Finished;
    std::vector<std::string> Captions;
    std::vector<int32_t> Percents;
    std::vector<int32_t> Started;
    std::vector<TBatchSummary> Ends;
    std::thread::id DriverThread = std::this_thread::get_id();
    bool OffThread = false;
    test::TTempDir Dir;

    TPipelineTable MakeTable() {
        TPipelineTable Result;
        for (const char* Ext : {".raw", ".wav"}) {
            Result.AddSource(Ext, &In);
            Result.AddSink(Ext, &Out, scWaveOut, [this](const TOutputChoice& C) { Out.Level = C.Bitrate; });
        }
        return Result;
    }

    TRig()
        : Driver(Table, [this] {
              ++ChoiceReads;
              return TOutputChoice{0, 7};
          }) {
        Driver.OnEntryStarted = [this](TConvDriver*, int32_t Index, const TMediaEntry&) {
            Started.push_back(Index);
            CheckThread();
        };
        Driver.OnEntryFinished = [this](TConvDriver*, const TEntryResult& R) { Finished.push_back(R); };
        Driver.OnCaption = [this](TConvDriver*, const std::string& C) { Captions.push_back(C); };
        Driver.OnProgress = [this](TConvDriver*, int32_t P) {
            Percents.push_back(P);
            CheckThread();
        };
        Driver.OnBatchEnd = [this](TConvDriver*, const TBatchSummary& S) { Ends.push_back(S); };
    }
    void CheckThread() {
        if (std::this_thread::get_id() != DriverThread) OffThread = true;
    }
    std::string Input(const std::string& Name, const std::vector<uint8_t>& Content) {
        test::WriteFileBytes(Dir.File(Name), Content);
        return Dir.File(Name);
    }
    void Run(std::vector<TMediaEntry> Entries) {
        Driver.Start(std::make_shared<TEntryQueue>(std::move(Entries)));
        Driver.RunToEnd();
    }
    // Names in the folder that are no finished files.
    std::vector<std::string> LeftOvers() const { return test::FilesWithExtension(Dir.Path(), ".part"); }
};

TEST(ConvDriver, ABatchOfOneConvertsItOnceAndEnds) {
    TRig Rig;
    auto Content = Bytes(10000, 1);
    std::string In = Rig.Input("a.raw", Content);
    Rig.Run({{In, Rig.Dir.File("a.wav")}});
    EXPECT_EQ(Rig.Out.Prepares, 1);
    EXPECT_EQ(test::ReadFileBytes(Rig.Dir.File("a.wav")), Content);
    ASSERT_EQ(Rig.Ends.size(), 1u);
    EXPECT_EQ(Rig.Ends[0].Converted, 1);
    EXPECT_TRUE(Rig.Ends[0].Problems.empty());
    EXPECT_EQ(Rig.Captions.back(), "Converting: 1 out of 1 Done!");
    EXPECT_EQ(Rig.Percents.front(), 0);
    EXPECT_EQ(Rig.Percents.back(), 100);
    EXPECT_EQ(CompletionMessage(Rig.Ends[0]),
              "Convertion completed!\n1 converted, 0 up to date, 0 failed, 0 skipped.");
    EXPECT_EQ(Rig.Driver.QueueIndex(), 0);
    EXPECT_FALSE(Rig.OffThread) << "an event was raised on a worker thread";
    EXPECT_TRUE(Rig.LeftOvers().empty());
}

TEST(ConvDriver, AFailingFileIsReportedAndTheRestConvert) {
    TRig Rig;
    auto Bad = Bytes(20000, 2);
    std::memcpy(Bad.data() + 8192, "FAIL", 4);
    std::vector<TMediaEntry> Entries{{Rig.Input("1.raw", Bytes(5000, 1)), Rig.Dir.File("1.out.raw")},
                                     {Rig.Input("2.raw", Bad), Rig.Dir.File("2.out.raw")},
                                     {Rig.Input("3.raw", Bytes(7000, 3)), Rig.Dir.File("3.out.raw")}};
    Entries.push_back({Rig.Input("4.raw", {'J', 'U', 'N', 'K', 1, 2, 3, 4}), Rig.Dir.File("4.out.raw")});
    // An older file of the failing entry's output name is left as it was.
    test::WriteFileBytes(Rig.Dir.File("2.out.raw"), {'o', 'l', 'd'});
    Rig.Run(Entries);

    EXPECT_EQ(Rig.Started, (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(test::ReadFileBytes(Rig.Dir.File("1.out.raw")), Bytes(5000, 1));
    EXPECT_EQ(test::ReadFileBytes(Rig.Dir.File("2.out.raw")), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(test::ReadFileBytes(Rig.Dir.File("3.out.raw")), Bytes(7000, 3));
    EXPECT_TRUE(Rig.LeftOvers().empty());
    ASSERT_EQ(Rig.Ends.size(), 1u);
    const auto& Summary = Rig.Ends[0];
    EXPECT_EQ(Summary.Converted, 2);
    ASSERT_EQ(Summary.Problems.size(), 2u);
    EXPECT_EQ(Summary.Problems[0].Index, 1);
    EXPECT_EQ(Summary.Problems[0].Outcome, eoFailed);
    EXPECT_EQ(Summary.Problems[0].Message, "corrupt data");
    // A file the source cannot decode is a failure with the source's reason, not an empty output.
    EXPECT_EQ(Summary.Problems[1].Message, "The input file could not be decoded. The header says JUNK.");
    EXPECT_FALSE(fs::exists(Rig.Dir.File("4.out.raw")));
    std::string Message = CompletionMessage(Summary);
    EXPECT_EQ(Message.rfind("Convertion completed!\n2 converted, 0 up to date, 2 failed, 0 skipped.\n", 0),
              0u)
        << Message;
    EXPECT_NE(Message.find(Entries[1].InputName + ": failed: corrupt data"), std::string::npos);
}

TEST(ConvDriver, NotesOfSourceAndSinkFollowTheirConvertedEntry) {
    TRig Rig;
    std::vector<TMediaEntry> Entries{
        {Rig.Input("1.raw", {'N', 'O', 'T', 'E', 1, 2, 3, 4}), Rig.Dir.File("1.out.raw")},
        {Rig.Input("2.raw", {'J', 'U', 'N', 'K', 1, 2, 3, 4}), Rig.Dir.File("2.out.raw")},
        {Rig.Input("3.raw", Bytes(4000, 3)), Rig.Dir.File("3.out.raw")}};
    Rig.Run(Entries);
    ASSERT_EQ(Rig.Ends.size(), 1u);
    ASSERT_EQ(Rig.Ends[0].Notes.size(), 1u) << "an entry without a note has no line";
    EXPECT_EQ(Rig.Ends[0].Notes[0].Message, "The input had a note.");

    Rig.Out.NoteToMake = "Written at 48000 Hz.";
    Rig.Run(Entries);
    EXPECT_EQ(CompletionMessage(Rig.Ends[1]),
              "Convertion completed!\n2 converted, 0 up to date, 1 failed, 0 skipped.\n" +
                  Entries[0].InputName + ": converted: The input had a note. Written at 48000 Hz.\n" +
                  Entries[1].InputName +
                  ": failed: The input file could not be decoded. The header says JUNK.\n" +
                  Entries[2].InputName + ": converted: Written at 48000 Hz.");
}

TEST(ConvDriver, PairsWithoutAPipelineAreSkippedAndStillCounted) {
    TRig Rig;
    std::string Wav = Rig.Input("w.wav", Bytes(3000, 1));
    Rig.Run({{Wav, Rig.Dir.File("w2.wav")},
             {Rig.Input("x.xyz", Bytes(10, 1)), Rig.Dir.File("x.raw")},
             {Rig.Input("noext", Bytes(10, 1)), Rig.Dir.File("y.raw")},
             {Rig.Input("z.RAW", Bytes(3000, 4)), Rig.Dir.File("z.out.Raw")}});
    EXPECT_EQ(Rig.Captions[1], "Converting: 2 out of 4");
    ASSERT_EQ(Rig.Ends.size(), 1u);
    EXPECT_EQ(Rig.Ends[0].Converted, 1);
    ASSERT_EQ(Rig.Ends[0].Problems.size(), 3u);
    for (const auto& Problem : Rig.Ends[0].Problems) EXPECT_EQ(Problem.Outcome, eoSkipped);
    EXPECT_EQ(Rig.Ends[0].Problems[0].Message, "WAV files are not converted to WAV.");
    EXPECT_EQ(Rig.Ends[0].Problems[1].Message, "Input files of type .xyz cannot be converted.");
    EXPECT_FALSE(fs::exists(Rig.Dir.File("w2.wav")));
    EXPECT_FALSE(fs::exists(Rig.Dir.File("x.raw")));
    // Upper-case extensions choose the same pipeline.
    EXPECT_EQ(test::ReadFileBytes(Rig.Dir.File("z.out.Raw")), Bytes(3000, 4));
    EXPECT_EQ(Rig.Out.Prepares, 1);

    // The command line converts WAV to WAV.
    Rig.Driver.SetAllowWavToWav(true);
    Rig.Run({{Wav, Rig.Dir.File("w2.wav")}});
    EXPECT_EQ(test::ReadFileBytes(Rig.Dir.File("w2.wav")), Bytes(3000, 1));
}

TEST(ConvDriver, AnOutputThatIsItsInputFailsBeforeAnyFileIsOpened) {
    TRig Rig;
    auto Content = Bytes(4000, 9);
    std::string In = Rig.Input("same.raw", Content);
    fs::create_symlink(In, Rig.Dir.File("link.raw"));
    Rig.Run({{In, In}, {In, Rig.Dir.Path().string() + "/./same.raw"}, {In, Rig.Dir.File("link.raw")}});
    EXPECT_EQ(Rig.Out.Prepares, 0);
    EXPECT_EQ(test::ReadFileBytes(In), Content);
    ASSERT_EQ(Rig.Ends[0].Problems.size(), 3u);
    for (const auto& Problem : Rig.Ends[0].Problems) {
        EXPECT_EQ(Problem.Outcome, eoFailed);
        EXPECT_EQ(Problem.Message, "The output file is the input file; it was left untouched.");
    }
    EXPECT_TRUE(Rig.LeftOvers().empty());
}

TEST(ConvDriver, ErrorsBeforeTheFirstStepNameTheFinalFile) {
    TRig Rig;
    // A missing output folder is made; one that a file stands in the way of fails.
    test::WriteFileBytes(Rig.Dir.File("blocked"), {'x'});
    std::string Out = Rig.Dir.File("blocked/dir/a.raw");
    std::string In = Rig.Input("a.raw", Bytes(10, 1));
    Rig.Run({{Rig.Dir.File("absent.raw"), Rig.Dir.File("b.raw")},
             {In, Out},
             {In, Rig.Dir.File("new/dir/a.raw")}});
    EXPECT_EQ(test::ReadFileBytes(Rig.Dir.File("new/dir/a.raw")), Bytes(10, 1));
    ASSERT_EQ(Rig.Ends[0].Problems.size(), 2u);
    EXPECT_NE(Rig.Ends[0].Problems[0].Message.find("absent.raw"), std::string::npos);
    EXPECT_NE(Rig.Ends[0].Problems[1].Message.find(Out), std::string::npos)
        << Rig.Ends[0].Problems[1].Message;
    EXPECT_EQ(Rig.Ends[0].Problems[1].Message.find(".part"), std::string::npos);
    EXPECT_FALSE(fs::exists(Rig.Dir.File("b.raw")));
}

TEST(ConvDriver, ASourceOfUnknownSizeDoesNotStallTheQueue) {
    TRig Rig;
    Rig.In.UnknownSize = true;
    Rig.Run({{Rig.Input("1.raw", Bytes(6000, 1)), Rig.Dir.File("1.o.raw")},
             {Rig.Input("2.raw", Bytes(6000, 2)), Rig.Dir.File("2.o.raw")}});
    EXPECT_EQ(Rig.Ends[0].Converted, 2);
    for (int32_t Percent : Rig.Percents) EXPECT_TRUE(Percent >= 0 && Percent <= 100);
    EXPECT_EQ(Rig.Percents.back(), 100);
}

TEST(ConvDriver, TheLevelIsReadAndAppliedForEachEntry) {
    TRig Rig;
    Rig.Run({{Rig.Input("1.raw", Bytes(100, 1)), Rig.Dir.File("1.o.raw")},
             {Rig.Input("2.raw", Bytes(100, 2)), Rig.Dir.File("2.o.raw")}});
    EXPECT_EQ(Rig.ChoiceReads, 2);
    EXPECT_EQ(Rig.Out.Level, 7);
    EXPECT_EQ(Rig.Driver.ActiveSink(), scWaveOut);
}

TEST(ConvDriver, AbortStopsTheRunningFileLeavesNoOutputAndStartsNothingMore) {
    // A sink that refuses to finish the cut file still counts as stopped, not failed.
    for (bool RefusesAShortFinish : {false, true}) {
        TRig Rig;
        Rig.Out.StallForAbort = true;
        Rig.Out.RefusesAShortFinish = RefusesAShortFinish;
        auto Content = Bytes(400000, 5);
        auto Older = Bytes(1000, 9);
        test::WriteFileBytes(Rig.Dir.File("1.o.raw"), Older);
        std::vector<TMediaEntry> Entries{{Rig.Input("1.raw", Content), Rig.Dir.File("1.o.raw")},
                                         {Rig.Input("2.raw", Content), Rig.Dir.File("2.o.raw")},
                                         {Rig.Input("3.raw", Content), Rig.Dir.File("3.o.raw")}};
        Rig.Driver.OnProgress = [&](TConvDriver* Sender, int32_t Percent) {
            if (Percent >= 5) Sender->Abort();
        };
        Rig.Run(Entries);
        ASSERT_EQ(Rig.Ends.size(), 1u);
        const auto& Summary = Rig.Ends[0];
        EXPECT_TRUE(Summary.Aborted);
        EXPECT_EQ(Summary.Converted, 0);
        ASSERT_EQ(Summary.Problems.size(), 3u);
        EXPECT_EQ(Summary.Problems[0].Outcome, eoStopped) << Summary.Problems[0].Message;
        EXPECT_EQ(Summary.Problems[1].Outcome, eoNotStarted);
        EXPECT_EQ(Summary.Problems[2].Outcome, eoNotStarted);
        EXPECT_EQ(test::ReadFileBytes(Rig.Dir.File("1.o.raw")), Older);
        EXPECT_EQ(test::ReadFileBytes(Rig.Dir.File("1.raw")), Content);
        EXPECT_FALSE(fs::exists(Rig.Dir.File("2.o.raw")));
        EXPECT_TRUE(Rig.LeftOvers().empty());
        EXPECT_EQ(Rig.Driver.QueueIndex(), 0);

        // The next batch starts from its first entry.
        Rig.Driver.OnProgress = nullptr;
        Rig.Out.StallForAbort = false;
        Rig.Run(Entries);
        EXPECT_EQ(Rig.Ends.back().Converted, 3);
        EXPECT_EQ(test::ReadFileBytes(Rig.Dir.File("1.o.raw")), Content);
    }
}

TEST(ConvDriver, AbortFromTheDriversOwnEventsEndsTheBatchOnce) {
    for (int Where = 0; Where < 2; ++Where) {
        TRig Rig;
        std::vector<TMediaEntry> Entries{{Rig.Input("x.xyz", Bytes(10, 1)), Rig.Dir.File("x.raw")},
                                         {Rig.Input("1.raw", Bytes(100, 1)), Rig.Dir.File("1.o.raw")},
                                         {Rig.Input("2.raw", Bytes(100, 2)), Rig.Dir.File("2.o.raw")}};
        if (Where == 0)
            Rig.Driver.OnEntryFinished = [](TConvDriver* Sender, const TEntryResult&) { Sender->Abort(); };
        else
            Rig.Driver.OnEntryStarted = [](TConvDriver* Sender, int32_t Index, const TMediaEntry&) {
                if (Index == 1) Sender->Abort();
            };
        Rig.Run(Entries);
        ASSERT_EQ(Rig.Ends.size(), 1u) << Where;
        EXPECT_EQ(Rig.Out.Prepares, 0) << Where;
        EXPECT_EQ(Rig.Captions.back(), "Converting: " + std::to_string(Where + 1) + " out of 3 Done!");
        ASSERT_EQ(Rig.Ends[0].Problems.size(), 3u) << Where;
        EXPECT_EQ(Rig.Ends[0].Problems[2].Outcome, eoNotStarted);
    }
}

TEST(ConvDriver, DestroyingADriverMidConversionStopsItWithoutOutput) {
    TRig Rig;
    Rig.Out.StallForAbort = true;
    auto Content = Bytes(200000, 6);
    {
        TConvDriver Driver(Rig.Table, [] { return TOutputChoice{}; });
        Driver.Start(std::make_shared<TEntryQueue>(
            std::vector<TMediaEntry>{{Rig.Input("1.raw", Content), Rig.Dir.File("1.o.raw")}}));
    }
    EXPECT_EQ(Rig.Out.Status(), osIdle);
    EXPECT_TRUE(Rig.LeftOvers().empty());
    EXPECT_FALSE(fs::exists(Rig.Dir.File("1.o.raw")));
}

TEST(ConvDriver, StartRefusesAnEmptyBatch) {
    TRig Rig;
    try {
        Rig.Driver.Start(std::make_shared<TEntryQueue>(std::vector<TMediaEntry>{}));
        ADD_FAILURE();
    } catch (const std::exception& E) {
        EXPECT_STREQ(E.what(), "No files added to media bin!");
    }
    EXPECT_FALSE(Rig.Driver.Running());
}

} // namespace
} // namespace deraz
