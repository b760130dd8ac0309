// Several drivers over one queue with the real components: each entry converted once, the counts
// and the caption of the whole batch, and Abort stopping every running file without output.
#include "driver/ParallelBatch.h"

#include <filesystem>
#include <gtest/gtest.h>
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
};

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
    std::vector<TMediaEntry> Entries;
    std::string Long = Rig.Wav("long0.wav", Rate * 30);
    for (int I = 0; I < 4; ++I) {
        std::string Name = "long" + std::to_string(I);
        if (I > 0) fs::copy_file(Long, Rig.Dir.File(Name + ".wav"));
        Entries.push_back({Rig.Dir.File(Name + ".wav"), Rig.Dir.File(Name + ".ape")});
    }
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

} // namespace
} // namespace deraz
