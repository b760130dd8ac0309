#include <gtest/gtest.h>

#include "tests/pipeline/PipelineDoubles.h"

namespace deraz::test {
namespace {

using namespace std::chrono_literals;

TEST(Progress, FollowsThePositionOfTheInputRoundingTiesToEven) {
    TMemorySink Sink;
    EXPECT_EQ(Sink.Progress(), 0) << "no input";

    TMemorySource Unknown(CountingBytes(8), 1, false);
    Sink.SetInput(&Unknown);
    Unknown.Init();
    EXPECT_EQ(Sink.Progress(), -1);

    TMemorySource Empty({});
    Sink.SetInput(&Empty);
    Empty.Init();
    EXPECT_EQ(Sink.Progress(), 0);

    TMemorySource Eight(CountingBytes(8), 1);
    Sink.SetInput(&Eight);
    Eight.Init();
    uint8_t Byte;
    std::vector<int32_t> Seen;
    for (int I = 0; I < 8; ++I) {
        Eight.GetData(&Byte, 1);
        Seen.push_back(Sink.Progress());
    }
    EXPECT_EQ(Seen, (std::vector<int32_t>{12, 25, 38, 50, 62, 75, 88, 100}));
}

TEST(Run, RefusesWithoutInputAndWhileBusy) {
    TMemorySink Sink;
    try {
        Sink.Run();
        FAIL() << "Run without input";
    } catch (const EACSException& E) {
        EXPECT_STREQ(E.what(), "Input is not assigned");
    }

    TGate Gate;
    TMemorySource Source(CountingBytes(200000), 100);
    Sink.SetInput(&Source);
    Source.Hook = Gate.At(100000);
    ASSERT_EQ(RunAndWait(Sink,
                         [&] {
                             ASSERT_TRUE(Gate.WaitReached());
                             try {
                                 Sink.Run();
                                 ADD_FAILURE() << "second Run";
                             } catch (const EACSException& E) {
                                 EXPECT_STREQ(E.what(), "Component is buisy");
                             }
                             Gate.Open();
                         }),
              "");
    EXPECT_EQ(Sink.Written, CountingBytes(200000)) << "the running conversion is left alone";
    EXPECT_EQ(Sink.PrepareCount, 1);
}

TEST(Run, ConvertsEverythingAndReportsEachPercentOnce) {
    TMemorySink Sink;
    TMemorySource Source(CountingBytes(100000), 333);
    Sink.SetInput(&Source);
    std::vector<int32_t> Reported;
    Sink.OnProgress = [&](TComponent* Sender) {
        Reported.push_back(static_cast<TACSOutput*>(Sender)->Progress());
    };
    ASSERT_EQ(RunAndWait(Sink), "");
    EXPECT_EQ(Sink.Written, CountingBytes(100000));
    EXPECT_EQ(Sink.DoneCount, 1);
    EXPECT_EQ(Source.FlushCount, 1);
    EXPECT_EQ(Sink.Status(), osIdle);
    ASSERT_FALSE(Reported.empty());
    EXPECT_EQ(Reported.back(), 100);
    for (size_t I = 1; I < Reported.size(); ++I) EXPECT_LT(Reported[I - 1], Reported[I]);
}

TEST(Stop, FinishesTheOutputEarlyAndFiresOnDone) {
    TGate Gate;
    TMemorySink Sink;
    TMemorySource Source(CountingBytes(1000000), 100);
    Sink.SetInput(&Source);
    Source.Hook = Gate.At(10000);
    ASSERT_EQ(RunAndWait(Sink,
                         [&] {
                             ASSERT_TRUE(Gate.WaitReached());
                             EXPECT_NE(Sink.Status(), osIdle);
                             Sink.Stop();
                             Gate.Open();
                         }),
              "");
    EXPECT_EQ(Sink.DoneCount, 1);
    EXPECT_EQ(Sink.Status(), osIdle);
    ASSERT_LT(Sink.Written.size(), 1000000u);
    std::vector<uint8_t> Expected = CountingBytes(Sink.Written.size());
    EXPECT_EQ(Sink.Written, Expected) << "what was written is a prefix of the input";

    // The abort flag does not carry over into the next conversion.
    Source.Hook = nullptr;
    ASSERT_EQ(RunAndWait(Sink), "");
    EXPECT_EQ(Sink.Written, CountingBytes(1000000));
}

TEST(Errors, AnErrorInAStepReachesTheOwnerAndTheSinkStaysUsable) {
    TMemorySink Sink;
    TMemorySource Source(CountingBytes(50000), 500);
    Sink.SetInput(&Source);
    Source.FailAt = 20000;
    ASSERT_EQ(RunAndWait(Sink), "read failure");
    EXPECT_EQ(Sink.DoneCount, 1) << "the output is finished after an error";
    EXPECT_EQ(Sink.Status(), osIdle);

    Source.FailAt = -1;
    ASSERT_EQ(RunAndWait(Sink), "");
    EXPECT_EQ(Sink.Written, CountingBytes(50000));
}

TEST(Errors, AFailingPrepareArrivesOnTheCallersThreadWithoutDone) {
    TMemorySink Sink;
    TMemorySource Source(CountingBytes(100));
    Sink.SetInput(&Source);
    Sink.FailInPrepare = true;
    std::thread::id HandlerThread;
    std::string Message;
    Sink.OnThreadException = [&](TComponent*, const std::exception& E) {
        HandlerThread = std::this_thread::get_id();
        Message = E.what();
    };
    Sink.Run();
    EXPECT_EQ(HandlerThread, std::this_thread::get_id());
    EXPECT_EQ(Message, "cannot prepare");
    EXPECT_EQ(Sink.DoneCount, 0);
    EXPECT_FALSE(Sink.Busy());
}

// A sink whose output cannot be finished (a full disk at the last write, say).
class TFailingDoneSink : public TMemorySink {
public:
    ~TFailingDoneSink() override { TerminateWorker(); }

protected:
    void FinishOutput() override {
        TMemorySink::FinishOutput();
        throw EACSException("cannot finish");
    }
};

TEST(Errors, AnOutputThatCannotBeFinishedIsAFailureNotASuccess) {
    TFailingDoneSink Sink;
    TMemorySource Source(CountingBytes(3000));
    Sink.SetInput(&Source);
    // Also fails on an OnDone besides the error.
    ASSERT_EQ(RunAndWait(Sink), "cannot finish");
    EXPECT_EQ(Sink.Status(), osIdle);
}

// Runs a conversion whose input fails to flush; the error the conversion ends with.
template <class Sink> std::string RunWithFailingFlush() {
    Sink S;
    TMemorySource Source(CountingBytes(3000));
    Source.FailFlush = true;
    S.SetInput(&Source);
    std::string Error = RunAndWait(S);
    EXPECT_EQ(Source.FlushCount, 1);
    EXPECT_FALSE(S.Busy());
    return Error;
}

TEST(Errors, TheFinishingStepRunsWholeAndReportsItsFirstError) {
    EXPECT_EQ(RunWithFailingFlush<TMemorySink>(), "cannot flush");
    EXPECT_EQ(RunWithFailingFlush<TFailingDoneSink>(), "cannot finish");
}

TEST(Input, SwappingTheInputWhileBusyContinuesFromTheNewSource) {
    TMemorySink Sink;
    // The first source never ends, so the swap comes while it is read.
    TMemorySource First(std::vector<uint8_t>(400000, 1), 100);
    First.Loop = true;
    TMemorySource Second(std::vector<uint8_t>(30000, 2), 100);
    Sink.SetInput(&First);
    ASSERT_EQ(RunAndWait(Sink,
                         [&] {
                             ASSERT_TRUE(WaitUntil([&] { return First.Position() >= 20000; }));
                             Sink.SetInput(&Second);
                             EXPECT_EQ(First.FlushCount, 1);
                             EXPECT_EQ(Second.InitCount, 1);
                         }),
              "");
    ASSERT_FALSE(Sink.Written.empty());
    EXPECT_EQ(Sink.Written.back(), 2);
    auto FirstTwo = std::find(Sink.Written.begin(), Sink.Written.end(), 2);
    EXPECT_TRUE(std::all_of(FirstTwo, Sink.Written.end(), [](uint8_t B) { return B == 2; }));
    EXPECT_EQ(std::count(Sink.Written.begin(), Sink.Written.end(), 2), 30000);
}

TEST(Input, ADestroyedSourceIsUnassigned) {
    TMemorySink Sink;
    auto Source = std::make_unique<TMemorySource>(CountingBytes(10));
    Sink.SetInput(Source.get());
    Source.reset();
    EXPECT_EQ(Sink.Input(), nullptr);
}

TEST(Worker, ManyBackToBackRunsAreNeverLost) {
    TMemorySink Sink;
    TMemorySource Source(CountingBytes(700), 700);
    Sink.SetInput(&Source);
    for (int Round = 0; Round < 2000; ++Round) {
        // Run as soon as the previous conversion is done, often while the worker is still on
        // its way to sleep.
        ASSERT_TRUE(WaitUntil([&] { return !Sink.Busy(); }, 10s)) << "round " << Round;
        ASSERT_EQ(RunAndWait(Sink, {}, 10s), "") << "round " << Round;
    }
    EXPECT_EQ(Sink.DoneCount, 2000);
}

TEST(Worker, DestroyingASinkEndsItsWorkerWhetherRunningOrAsleep) {
    TMemorySource Source(CountingBytes(5000), 100);
    Source.Loop = true;
    {
        TMemorySink Running;
        Running.SetInput(&Source);
        Running.Run();
        ASSERT_TRUE(WaitUntil([&] { return Source.Position() >= 1000; }));
    }
    EXPECT_FALSE(Source.Busy()) << "the interrupted conversion is finished and its input flushed";
    {
        TMemorySink Asleep;
        TMemorySource Small(CountingBytes(10));
        Asleep.SetInput(&Small);
        ASSERT_EQ(RunAndWait(Asleep), "");
    }
    SUCCEED();
}

TEST(Worker, WithoutSuspendWhenIdleTheWorkerIdlesUntilTheNextRun) {
    TMemorySink Sink;
    Sink.SetSuspendWhenIdle(false);
    TMemorySource Source(CountingBytes(5000), 100);
    Sink.SetInput(&Source);
    ASSERT_EQ(RunAndWait(Sink), "");
    ASSERT_EQ(RunAndWait(Sink), "");
    EXPECT_EQ(Sink.Written, CountingBytes(5000));
    EXPECT_EQ(Sink.Status(), osIdle);
}

} // namespace
} // namespace deraz::test
