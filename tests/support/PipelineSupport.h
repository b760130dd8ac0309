// Helpers for tests that drive pipeline components: a source of PCM held in memory, draining a
// source, running a sink to the end of its conversion on its worker thread, and waiting with a
// time limit.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/ACS_Classes.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {

// Delivers Data as PCM of the given format in pieces of at most ChunkSize bytes, with a size
// known up front or not, once or in a loop. Hook runs before each GetData with the bytes delivered so far
// (and may throw to fake a failing input); FailAt and FailFlush make reading or flushing fail.
class TMemorySource : public TACSInput {
public:
    // 16-bit stereo at 44100 Hz.
    explicit TMemorySource(std::vector<uint8_t> Data, int32_t ChunkSize = 1000, bool KnownSize = true)
        : TMemorySource(std::move(Data), TPcmFormat{}, ChunkSize, KnownSize) {}
    TMemorySource(std::vector<uint8_t> Data, const TPcmFormat& Format, int32_t ChunkSize = 5000,
                  bool KnownSize = true)
        : ChunkSize(ChunkSize), FData(std::move(Data)), FFormat(Format), FKnownSize(KnownSize) {}
    TMemorySource(std::vector<uint8_t> Data, int32_t Channels, int32_t SampleRate, int32_t Bits,
                  int32_t ChunkSize = 5000, bool KnownSize = true)
        : TMemorySource(std::move(Data), TPcmFormat{Channels, Bits, SampleRate}, ChunkSize, KnownSize) {}
    TMemorySource(const std::vector<int16_t>& Samples, int32_t Channels, int32_t SampleRate = 44100,
                  bool KnownSize = true)
        : TMemorySource(SamplesToBytes(Samples), TPcmFormat{Channels, 16, SampleRate}, 10000, KnownSize) {}

    int32_t BitsPerSample() override { return FFormat.BitsPerSample; }
    int32_t Channels() override { return FFormat.Channels; }
    int32_t SampleRate() override { return FFormat.SampleRate; }
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
        if (Hook) Hook(FPosition);
        if (FailAt >= 0 && FPosition >= FailAt) throw EACSException("read failure");
        if (Loop && FPosition >= int64_t(FData.size())) FPosition = 0;
        int32_t Count =
            int32_t(std::min<int64_t>({BufferSize, ChunkSize, int64_t(FData.size()) - FPosition.load()}));
        if (Count > 0) std::memcpy(Buffer, FData.data() + FPosition, size_t(Count));
        FPosition += Count;
        return Count;
    }

    int32_t ChunkSize;
    std::function<void(int32_t)> Hook;
    std::atomic<int32_t> FailAt{-1};
    std::atomic<bool> FailFlush{false};
    // Starts again from the beginning at the end: a source that never ends.
    std::atomic<bool> Loop{false};
    std::atomic<int> InitCount{0};
    std::atomic<int> FlushCount{0};

private:
    std::vector<uint8_t> FData;
    TPcmFormat FFormat;
    bool FKnownSize;
};

// Init, GetData in pieces of PieceSize bytes until it returns 0 or Limit bytes came (a looping
// source never ends), Flush.
inline std::vector<uint8_t> ReadAllData(TACSInput& Source, int32_t PieceSize = 16384,
                                        size_t Limit = size_t(1) << 30) {
    std::vector<uint8_t> Data;
    std::vector<uint8_t> Piece(static_cast<size_t>(PieceSize));
    Source.Init();
    while (Data.size() < Limit) {
        int32_t Count = Source.GetData(Piece.data(), PieceSize);
        if (Count <= 0) break;
        Data.insert(Data.end(), Piece.data(), Piece.data() + Count);
    }
    Source.Flush();
    return Data;
}

// Runs Sink (its Input and file name set), calls WhileRunning (which may act on the running
// conversion) and waits until this run's OnDone or OnThreadException, at most Limit. Returns ""
// on success, else the error message, "timed out" or "ended twice".
//
// The first call on a sink installs end handlers that share their state with it and later
// calls reuse them, so a worker still inside a handler of an earlier run never sees it
// replaced, and a handler that fires after the limit touches nothing this call owned.
inline std::string RunAndWait(TACSOutput& Sink, const std::function<void()>& WhileRunning = {},
                              std::chrono::seconds Limit = std::chrono::seconds(120)) {
    struct TEnds {
        std::mutex Mutex;
        std::condition_variable Changed;
        int Count = 0;
        std::string Error;
        void Add(std::string Message) {
            std::lock_guard Lock(Mutex);
            ++Count;
            Error = std::move(Message);
            Changed.notify_all();
        }
    };
    struct TOnDone {
        std::shared_ptr<TEnds> Ends;
        void operator()(TComponent*) const { Ends->Add(""); }
    };
    struct TOnError {
        std::shared_ptr<TEnds> Ends;
        void operator()(TComponent*, const std::exception& E) const { Ends->Add(E.what()); }
    };
    std::shared_ptr<TEnds> Ends;
    if (const auto* Installed = Sink.OnDone.target<TOnDone>()) {
        Ends = Installed->Ends;
    } else {
        Ends = std::make_shared<TEnds>();
        Sink.OnDone = TOnDone{Ends};
        Sink.OnThreadException = TOnError{Ends};
    }
    const int Before = [&] {
        std::lock_guard Lock(Ends->Mutex);
        return Ends->Count;
    }();
    Sink.Run();
    if (WhileRunning) WhileRunning();
    std::unique_lock Lock(Ends->Mutex);
    if (!Ends->Changed.wait_for(Lock, Limit, [&] { return Ends->Count > Before; })) return "timed out";
    return Ends->Count == Before + 1 ? Ends->Error : "ended twice";
}

// Holds a source's reader once it reaches a position, so that a test acts on a conversion that
// is certainly still under way: Source.Hook = Gate.At(Position), Gate.WaitReached(), act,
// Gate.Open(). The reader waits at most two minutes, a safety net for a failed test.
class TGate {
public:
    std::function<void(int32_t)> At(int32_t Position) {
        return [this, Position](int32_t Now) {
            if (Now < Position) return;
            std::unique_lock Lock(FMutex);
            FReached = true;
            FChanged.notify_all();
            FChanged.wait_for(Lock, std::chrono::minutes(2), [this] { return FOpen; });
        };
    }
    bool WaitReached() {
        std::unique_lock Lock(FMutex);
        return FChanged.wait_for(Lock, std::chrono::minutes(2), [this] { return FReached; });
    }
    void Open() {
        std::lock_guard Lock(FMutex);
        FOpen = true;
        FChanged.notify_all();
    }

private:
    std::mutex FMutex;
    std::condition_variable FChanged;
    bool FReached = false;
    bool FOpen = false;
};

// Polls Condition until it holds or Limit passes; whether it held.
inline bool WaitUntil(const std::function<bool()>& Condition,
                      std::chrono::seconds Limit = std::chrono::seconds(20)) {
    const auto Deadline = std::chrono::steady_clock::now() + Limit;
    while (!Condition()) {
        if (std::chrono::steady_clock::now() >= Deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace deraz::test
