// Pipeline doubles shared by the codec tests: a PCM source held in memory and a helper that runs
// a sink to its end.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/ACS_Classes.h"

namespace deraz::test {

// Delivers the PCM bytes it was given, at most ChunkLimit bytes per GetData.
class TPcmSource : public TACSInput {
public:
    TPcmSource(std::vector<uint8_t> Data, int32_t Channels, int32_t SampleRate, int32_t Bits)
        : FData(std::move(Data)), FChannels(Channels), FSampleRate(SampleRate), FBits(Bits) {}

    int32_t ChunkLimit = 1 << 30;
    int32_t FlushCount = 0;

    int32_t BitsPerSample() override { return FBits; }
    int32_t Channels() override { return FChannels; }
    int32_t SampleRate() override { return FSampleRate; }
    void Init() override {
        FBusy = true;
        FPosition = 0;
        FSize = int32_t(FData.size());
    }
    void Flush() override {
        FBusy = false;
        ++FlushCount;
    }
    int32_t GetData(void* Buffer, int32_t BufferSize) override {
        int32_t Count = std::min({BufferSize, ChunkLimit, int32_t(FData.size()) - FPosition});
        if (Count > 0) std::memcpy(Buffer, FData.data() + FPosition, size_t(Count));
        FPosition += Count;
        return Count;
    }

private:
    std::vector<uint8_t> FData;
    int32_t FChannels, FSampleRate, FBits;
};

// Interleaved 16-bit samples as the little-endian bytes a source delivers.
inline std::vector<uint8_t> SamplesToBytes(const std::vector<int16_t>& Samples) {
    std::vector<uint8_t> Bytes(Samples.size() * 2);
    for (size_t I = 0; I < Samples.size(); ++I) {
        Bytes[2 * I] = uint8_t(Samples[I] & 0xFF);
        Bytes[2 * I + 1] = uint8_t((Samples[I] >> 8) & 0xFF);
    }
    return Bytes;
}

// Runs Sink (its Input and file already set) and waits until OnDone or OnThreadException.
// Returns the exception's text, or nothing when the conversion ended normally. The handlers stay
// installed (they hold their own state) until the next call replaces them.
inline std::optional<std::string> RunSinkToEnd(TACSOutput& Sink,
                                               std::chrono::seconds Timeout = std::chrono::seconds(120)) {
    struct TState {
        std::mutex Mutex;
        std::condition_variable Ended;
        bool Finished = false;
        std::optional<std::string> Error;
        void Finish(std::optional<std::string> Text) {
            std::lock_guard Lock(Mutex);
            Error = std::move(Text);
            Finished = true;
            Ended.notify_all();
        }
    };
    auto State = std::make_shared<TState>();
    Sink.OnDone = [State](TComponent*) { State->Finish(std::nullopt); };
    Sink.OnThreadException = [State](TComponent*, const std::exception& E) { State->Finish(E.what()); };
    Sink.Run();
    std::unique_lock Lock(State->Mutex);
    if (!State->Ended.wait_for(Lock, Timeout, [&] { return State->Finished; })) return "timed out";
    return State->Error;
}

} // namespace deraz::test
