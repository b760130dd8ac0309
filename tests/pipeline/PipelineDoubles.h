// In-memory sources and sinks that exercise the pipeline without files.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "pipeline/ACS_Classes.h"
#include "tests/support/PipelineSupport.h"

namespace deraz::test {

// Collects what it reads; counts Prepare and Done; can be told to fail in Prepare.
class TMemorySink : public TACSOutput {
public:
    ~TMemorySink() override { TerminateWorker(); }

    std::vector<uint8_t> Written;
    std::atomic<int> PrepareCount{0};
    std::atomic<int> DoneCount{0};
    std::atomic<bool> FailInPrepare{false};
    // Slows each step down so that a test can act while a conversion runs.
    std::chrono::microseconds StepDelay{0};

protected:
    void Prepare() override {
        ++PrepareCount;
        if (FailInPrepare) throw EACSException("cannot prepare");
        Written.clear();
        StartInput();
    }
    bool DoOutput(bool Abort) override {
        if (auto Result = BeginStep(Abort)) return *Result;
        uint8_t Buffer[512];
        int32_t Count = ReadInput(Buffer, sizeof Buffer);
        Written.insert(Written.end(), Buffer, Buffer + Count);
        if (StepDelay.count()) std::this_thread::sleep_for(StepDelay);
        return Count > 0;
    }
    void FinishOutput() override { ++DoneCount; }
};

// Waits for a sink's OnDone or OnThreadException, whichever comes.
class TCompletion {
public:
    explicit TCompletion(TACSOutput& Sink) {
        Sink.OnDone = [this](TComponent*) { Signal(false, ""); };
        Sink.OnThreadException = [this](TComponent*, const std::exception& E) { Signal(true, E.what()); };
    }
    // True when the conversion ended within the time.
    bool Wait(std::chrono::seconds Limit = std::chrono::seconds(20)) {
        std::unique_lock Lock(FMutex);
        bool Ended = FEnded.wait_for(Lock, Limit, [this] { return FCount > 0; });
        if (Ended) --FCount;
        return Ended;
    }
    int Count() {
        std::lock_guard Lock(FMutex);
        return FTotal;
    }
    bool Failed() {
        std::lock_guard Lock(FMutex);
        return FFailed;
    }
    std::string Message() {
        std::lock_guard Lock(FMutex);
        return FMessage;
    }

private:
    void Signal(bool Failed, const std::string& Message) {
        // Notified under the lock, so a waiter cannot destroy this object while the notification
        // is still in progress.
        std::lock_guard Lock(FMutex);
        FFailed = Failed;
        FMessage = Message;
        ++FCount;
        ++FTotal;
        FEnded.notify_all();
    }
    std::mutex FMutex;
    std::condition_variable FEnded;
    int FCount = 0;
    int FTotal = 0;
    bool FFailed = false;
    std::string FMessage;
};

inline std::vector<uint8_t> CountingBytes(size_t Count) {
    std::vector<uint8_t> Data(Count);
    for (size_t I = 0; I < Count; ++I) Data[I] = uint8_t(I * 7 + I / 251);
    return Data;
}

} // namespace deraz::test
