// In-memory sources and sinks that exercise the pipeline without files.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "pipeline/ACS_Classes.h"

namespace deraz::test {

// Delivers Data in chunks of at most ChunkSize bytes; can be told to fail after some bytes.
class TMemorySource : public TACSInput {
public:
    explicit TMemorySource(std::vector<uint8_t> Data, int32_t ChunkSize = 1000, bool KnownSize = true)
        : FData(std::move(Data)), FChunkSize(ChunkSize), FKnownSize(KnownSize) {}

    int32_t BitsPerSample() override { return 16; }
    int32_t Channels() override { return 2; }
    int32_t SampleRate() override { return 44100; }
    void Init() override {
        if (FBusy) throw EACSException("The component is buisy");
        FBusy = true;
        FPosition = 0;
        FSize = FKnownSize ? int32_t(FData.size()) : -1;
        ++InitCount;
    }
    void Flush() override {
        FBusy = false;
        ++FlushCount;
        if (FailFlush) throw EACSException("cannot flush");
    }
    int32_t GetData(void* Buffer, int32_t BufferSize) override {
        if (!FBusy) throw EACSException("not initialised");
        if (FailAt >= 0 && FPosition >= FailAt) throw EACSException("read failure");
        int32_t Count = std::min({BufferSize, FChunkSize, int32_t(FData.size()) - FPosition.load()});
        std::copy_n(FData.begin() + FPosition, Count, static_cast<uint8_t*>(Buffer));
        FPosition += Count;
        return Count;
    }

    std::atomic<int32_t> FailAt{-1};
    std::atomic<bool> FailFlush{false};
    std::atomic<int> InitCount{0};
    std::atomic<int> FlushCount{0};

private:
    std::vector<uint8_t> FData;
    int32_t FChunkSize;
    bool FKnownSize;
};

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
