// Helpers for tests that drive pipeline components: a source of PCM held in memory, draining a
// source, and running a sink to the end of its conversion on its worker thread.
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
#include <optional>
#include <string>
#include <vector>

#include "pipeline/ACS_Classes.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {

// Delivers Data as PCM of the given format in pieces of at most ChunkSize bytes, with a size
// known up front or not. Hook runs before each GetData with the bytes delivered so far (and may
// throw to fake a failing input); FailAt and FailFlush make reading or flushing fail.
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
        : TMemorySource(
              std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(Samples.data()),
                                   reinterpret_cast<const uint8_t*>(Samples.data() + Samples.size())),
              TPcmFormat{Channels, 16, SampleRate}, 10000, KnownSize) {}

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
        int32_t Count = int32_t(std::min<int64_t>({BufferSize, ChunkSize, int64_t(FData.size()) - FPosition.load()}));
        if (Count > 0) std::memcpy(Buffer, FData.data() + FPosition, size_t(Count));
        FPosition += Count;
        return Count;
    }

    int32_t ChunkSize;
    std::function<void(int32_t)> Hook;
    std::atomic<int32_t> FailAt{-1};
    std::atomic<bool> FailFlush{false};
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

// How a conversion ended: Error holds the message that OnThreadException brought.
struct TRunResult {
    bool Finished = false;
    std::optional<std::string> Error;
};

// Runs Sink (its Input and file name set) and waits until OnDone or OnThreadException fires,
// at most Timeout. The sink's events are replaced by handlers that own what they share with
// this call, so they stay safe to call after it returns.
inline TRunResult RunConversion(TACSOutput& Sink, std::chrono::seconds Timeout = std::chrono::seconds(60)) {
    struct TShared {
        std::mutex Mutex;
        std::condition_variable Ended;
        TRunResult Result;
        void Finish(std::optional<std::string> Error) {
            std::lock_guard Lock(Mutex);
            Result.Finished = true;
            Result.Error = std::move(Error);
            Ended.notify_all();
        }
    };
    auto Shared = std::make_shared<TShared>();
    Sink.OnDone = [Shared](TComponent*) { Shared->Finish(std::nullopt); };
    Sink.OnThreadException = [Shared](TComponent*, const std::exception& E) { Shared->Finish(E.what()); };
    Sink.Run();
    std::unique_lock Lock(Shared->Mutex);
    Shared->Ended.wait_for(Lock, Timeout, [&] { return Shared->Result.Finished; });
    return Shared->Result;
}

} // namespace deraz::test
