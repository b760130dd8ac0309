// Several drivers over one queue with the real components: each entry converted once, the counts
// and the caption of the whole batch, Abort and the destructor stopping every running file without
// output, and progress thinned on its way to the front end.
#include "driver/ParallelBatch.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>

#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

namespace fs = std::filesystem;

constexpr int32_t Rate = 44100;

struct TRig {
    test::TTempDir Dir;
    TParallelBatch Batch{[] { return TOutputChoice{2, 0}; }};
    std::vector<int32_t> Started;
    std::vector<TEntryResult> Finished;
    std::vector<std::string> Captions;
    std::vector<TBatchSummary> Ends;

    TRig() {
        Batch.OnEntryStarted = [this](TParallelBatch*, int32_t Index, const TMediaEntry&) {
            Started.push_back(Index);
        };
        Batch.OnEntryFinished = [this](TParallelBatch*, const TEntryResult& R) { Finished.push_back(R); };
        Batch.OnCaption = [this](TParallelBatch*, const std::string& C) { Captions.push_back(C); };
        Batch.OnBatchEnd = [this](TParallelBatch*, const TBatchSummary& S) { Ends.push_back(S); };
    }
    std::string Wav(const std::string& Name, int32_t Frames) {
        test::WritePcmWav(Dir.File(Name), test::MusicLikeSignal(Frames, 2, Rate), 2, Rate);
        return Dir.File(Name);
    }
    std::vector<std::string> LeftOvers() const { return test::FilesWithExtension(Dir.Path(), ".part"); }
    // Copies of one long WAV file, to be converted into Ext.
    std::vector<TMediaEntry> LongEntries(int32_t Count, const std::string& Ext) {
        std::string Long = Wav("long0.wav", Rate * 30);
        std::vector<TMediaEntry> Entries;
        for (int I = 0; I < Count; ++I) {
            std::string Name = "long" + std::to_string(I);
            if (I > 0) fs::copy_file(Long, Dir.File(Name + ".wav"));
            Entries.push_back({Dir.File(Name + ".wav"), Dir.File(Name + Ext)});
        }
        return Entries;
    }
};

// Handles the batch's events until Done holds or the batch has ended; a minute at most.
template <class TDone> void WaitFor(TParallelBatch& Batch, TDone Done) {
    auto Limit = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!Done() && Batch.Running() && std::chrono::steady_clock::now() < Limit)
        Batch.WaitForEvents(std::chrono::seconds(1));
}

TEST(ParallelBatch, ConvertsEachEntryOnceAndCountsTheWholeBatch) {
    for (int32_t Jobs : {1, 2, 3}) {
        SCOPED_TRACE(Jobs);
        TRig Rig;
        Rig.Batch.SetJobs(Jobs);
        std::vector<TMediaEntry> Entries;
        for (int I = 0; I < 5; ++I) {
            std::string Name = "in" + std::to_string(I);
            std::string Input = I == 2 ? Rig.Dir.File("broken.wav") : Rig.Wav(Name + ".wav", 20000 + I * 999);
            Entries.push_back({Input, Rig.Dir.File(Name + ".flac")});
        }
        test::WriteFileBytes(Entries[2].InputName, {'R', 'I', 'F', 'F', 0, 0});
        Entries.push_back({Rig.Wav("same.wav", 100), Rig.Dir.File("same.out.wav")});
        Rig.Batch.Start(Entries);
        Rig.Batch.RunToEnd();

        ASSERT_EQ(Rig.Ends.size(), 1u);
        const TBatchSummary& Summary = Rig.Ends[0];
        EXPECT_EQ(Summary.Count, 6);
        EXPECT_EQ(Summary.Converted, 4);
        ASSERT_EQ(Summary.Problems.size(), 2u);
        EXPECT_EQ(Summary.Problems[0].Index, 2);
        EXPECT_EQ(Summary.Problems[0].Outcome, eoFailed);
        EXPECT_EQ(Summary.Problems[1].Outcome, eoSkipped);
        EXPECT_EQ(Rig.Batch.Finished(), 6);
        EXPECT_EQ(Rig.Started, (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
        EXPECT_EQ(std::set<std::string>(Rig.Captions.begin(), Rig.Captions.end()).size(),
                  Rig.Captions.size());
        EXPECT_EQ(Rig.Batch.Caption(), "Converting: 6 out of 6 Done!");
        for (int I : {0, 1, 3, 4}) {
            std::string Err;
            EXPECT_EQ(test::RunCommand("flac -s -t " + test::ShellQuote(Entries[size_t(I)].OutputName), &Err),
                      0)
                << Err;
        }
        EXPECT_FALSE(fs::exists(Rig.Dir.File("in2.flac")));
        EXPECT_TRUE(Rig.LeftOvers().empty());
    }
}

TEST(ParallelBatch, AbortStopsEveryRunningFileWithoutOutput) {
    TRig Rig;
    Rig.Batch.SetJobs(2);
    std::vector<TMediaEntry> Entries = Rig.LongEntries(4, ".ape");
    std::vector<uint8_t> Older{'o', 'l', 'd'};
    test::WriteFileBytes(Entries[1].OutputName, Older);
    auto Input0 = test::ReadFileBytes(Entries[0].InputName);
    int32_t Progressed = 0;
    Rig.Batch.OnProgress = [&](TParallelBatch* Sender, int32_t Percent) {
        if (Percent > 0 && Rig.Started.size() == 2 && ++Progressed == 2) Sender->Abort();
    };
    Rig.Batch.Start(Entries);
    Rig.Batch.RunToEnd();

    ASSERT_EQ(Rig.Ends.size(), 1u);
    const TBatchSummary& Summary = Rig.Ends[0];
    EXPECT_TRUE(Summary.Aborted);
    EXPECT_EQ(Summary.Converted, 0);
    ASSERT_EQ(Summary.Problems.size(), 4u);
    for (int I = 0; I < 4; ++I)
        EXPECT_EQ(Summary.Problems[size_t(I)].Outcome, I < 2 ? eoStopped : eoNotStarted) << I;
    EXPECT_FALSE(fs::exists(Entries[0].OutputName));
    EXPECT_EQ(test::ReadFileBytes(Entries[1].OutputName), Older);
    EXPECT_EQ(test::ReadFileBytes(Entries[0].InputName), Input0);
    EXPECT_TRUE(Rig.LeftOvers().empty());
    EXPECT_EQ(CompletionMessage(Summary).rfind("Convertion completed!", 0), 0u);
    EXPECT_NE(CompletionMessage(Summary).find("long0.wav: stopped: "), std::string::npos);
}

TEST(ParallelBatch, ABatchOfSkippedEntriesEndsInsideStart) {
    TRig Rig;
    Rig.Batch.SetJobs(2);
    Rig.Batch.Start({{Rig.Dir.File("a.xyz"), Rig.Dir.File("a.flac")},
                     {Rig.Wav("b.wav", 100), Rig.Dir.File("b.qqq")},
                     {Rig.Dir.File("b.wav"), Rig.Dir.File("b.out.wav")}});
    EXPECT_FALSE(Rig.Batch.Running());
    ASSERT_EQ(Rig.Ends.size(), 1u);
    EXPECT_EQ(Rig.Ends[0].Count, 3);
    ASSERT_EQ(Rig.Ends[0].Problems.size(), 3u);
    for (const auto& Problem : Rig.Ends[0].Problems) EXPECT_EQ(Problem.Outcome, eoSkipped);
    EXPECT_EQ(Rig.Started, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(Rig.Batch.Finished(), 3);
    EXPECT_EQ(Rig.Batch.Caption(), "Converting: 3 out of 3 Done!");
    Rig.Batch.RunToEnd(); // returns at once
}

TEST(ParallelBatch, JobsAreAtLeastOneAndAddedForALaterBatch) {
    TRig Rig;
    Rig.Batch.SetJobs(0);
    EXPECT_EQ(Rig.Batch.Jobs(), 1);
    std::set<int32_t> Jobs;
    Rig.Batch.OnEntryProgress = [&](TParallelBatch* Sender, int32_t Job, int32_t Index, int32_t) {
        EXPECT_EQ(Job, Sender->EntryJob(Index));
        Jobs.insert(Job);
    };
    for (int32_t Count : {1, 3}) {
        Rig.Batch.SetJobs(Count);
        std::vector<TMediaEntry> Entries;
        for (int I = 0; I < 4; ++I) {
            std::string Name = "in" + std::to_string(Count) + std::to_string(I);
            Entries.push_back({Rig.Wav(Name + ".wav", Rate), Rig.Dir.File(Name + ".flac")});
        }
        Rig.Batch.Start(Entries);
        // Start hands every job its first entry.
        for (int32_t I = 0; I < Count; ++I) EXPECT_EQ(Rig.Batch.EntryJob(I), I);
        Rig.Batch.RunToEnd();
        ASSERT_EQ(Rig.Ends.size(), size_t(Count == 1 ? 1 : 2));
        EXPECT_EQ(Rig.Ends.back().Converted, 4);
        EXPECT_EQ(Jobs, (Count == 1 ? std::set<int32_t>{0} : std::set<int32_t>{0, 1, 2}));
        for (const auto& Entry : Entries) EXPECT_TRUE(fs::exists(Entry.OutputName));
    }
}

TEST(ParallelBatch, DestroyedMidBatchItStopsEveryFileWithoutOutput) {
    TRig Rig;
    std::vector<TMediaEntry> Entries = Rig.LongEntries(3, ".ape");
    std::vector<uint8_t> Older{'o', 'l', 'd'};
    test::WriteFileBytes(Entries[1].OutputName, Older);
    auto Batch = std::make_unique<TParallelBatch>([] { return TOutputChoice{2, 0}; });
    Batch->SetJobs(2);
    std::set<int32_t> Progressing;
    Batch->OnEntryProgress = [&](TParallelBatch*, int32_t, int32_t Index, int32_t Percent) {
        if (Percent > 0) Progressing.insert(Index);
    };
    Batch->Start(Entries);
    WaitFor(*Batch, [&] { return Progressing.size() == 2; });
    ASSERT_EQ(Progressing.size(), 2u);
    Batch.reset();
    EXPECT_FALSE(fs::exists(Entries[0].OutputName));
    EXPECT_EQ(test::ReadFileBytes(Entries[1].OutputName), Older);
    EXPECT_FALSE(fs::exists(Entries[2].OutputName));
    EXPECT_TRUE(Rig.LeftOvers().empty());
}

TEST(ParallelBatch, ProgressComesAtMostOncePerIntervalWithTheLatestPercent) {
    for (auto Interval : {std::chrono::milliseconds(std::chrono::hours(1)), std::chrono::milliseconds(40)}) {
        SCOPED_TRACE(Interval.count());
        TRig Rig;
        Rig.Batch.SetJobs(2);
        Rig.Batch.SetProgressInterval(Interval);
        std::vector<TMediaEntry> Entries = Rig.LongEntries(3, ".flac");
        std::map<int32_t, std::vector<int32_t>> Percents;
        int32_t LastStartedReports = 0;
        Rig.Batch.OnEntryProgress = [&](TParallelBatch*, int32_t, int32_t Index, int32_t Percent) {
            Percents[Index].push_back(Percent);
        };
        Rig.Batch.OnProgress = [&](TParallelBatch*, int32_t) { ++LastStartedReports; };
        auto Begin = std::chrono::steady_clock::now();
        Rig.Batch.Start(Entries);
        Rig.Batch.RunToEnd();
        auto Elapsed = std::chrono::steady_clock::now() - Begin;

        // At most one at the start, one per interval and the one that waited at the end.
        size_t Bound = 2 + size_t(Elapsed / Interval);
        ASSERT_EQ(Percents.size(), Entries.size());
        for (const auto& [Index, List] : Percents) {
            EXPECT_LE(List.size(), Bound) << Index;
            EXPECT_EQ(List.back(), 100) << Index;
            EXPECT_TRUE(std::is_sorted(List.begin(), List.end())) << Index;
        }
        EXPECT_LE(size_t(LastStartedReports), Bound * Entries.size());
        EXPECT_EQ(Rig.Ends.at(0).Converted, 3);
    }
}

} // namespace
} // namespace deraz
