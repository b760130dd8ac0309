// A PCM source in memory, a sink that collects PCM, and running a sink to its end: enough
// pipeline around one codec component to test it.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/ACS_Classes.h"
#include "tests/support/FlacTools.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {

// Delivers Pcm in the given format, at most ChunkSize bytes per GetData.
class TPcmSource : public TACSInput {
public:
    TPcmSource(std::vector<uint8_t> Pcm, TPcmFormat Format, int32_t ChunkSize = 16384)
        : FPcm(std::move(Pcm)), FFormat(Format), FChunkSize(ChunkSize) {}

    int32_t BitsPerSample() override { return FFormat.BitsPerSample; }
    int32_t Channels() override { return FFormat.Channels; }
    int32_t SampleRate() override { return FFormat.SampleRate; }
    void Init() override {
        FBusy = true;
        FPosition = 0;
        FSize = int32_t(FPcm.size());
    }
    void Flush() override { FBusy = false; }
    int32_t GetData(void* Buffer, int32_t BufferSize) override {
        int32_t Count = std::min({BufferSize, FChunkSize, int32_t(FPcm.size()) - FPosition.load()});
        std::copy_n(FPcm.begin() + FPosition, Count, static_cast<uint8_t*>(Buffer));
        FPosition += Count;
        return Count;
    }

private:
    std::vector<uint8_t> FPcm;
    TPcmFormat FFormat;
    int32_t FChunkSize;
};

// Collects everything its input delivers.
class TPcmSink : public TACSOutput {
public:
    ~TPcmSink() override { TerminateWorker(); }
    std::vector<uint8_t> Pcm;

protected:
    void Prepare() override {
        Pcm.clear();
        Input()->Init();
    }
    bool DoOutput(bool Abort) override {
        if (auto Result = BeginStep(Abort)) return *Result;
        uint8_t Buffer[16384];
        int32_t Count = ReadInput(Buffer, sizeof Buffer);
        Pcm.insert(Pcm.end(), Buffer, Buffer + Count);
        return Count > 0;
    }
    void Done() override { Input()->Flush(); }
};

// Runs a sink to its end as often as asked. It installs the sink's end events once, so that no
// handler is replaced while the worker may still be inside it; it must outlive the sink's runs.
class TSinkRunner {
public:
    explicit TSinkRunner(TACSOutput& Sink) : FSink(Sink) {
        Sink.OnDone = [this](TComponent*) { End(std::nullopt); };
        Sink.OnThreadException = [this](TComponent*, const std::exception& E) { End(E.what()); };
    }
    // The message of the error that ended the run, or nothing when OnDone fired.
    std::optional<std::string> Run() {
        {
            std::lock_guard Lock(FMutex);
            FEnded = false;
        }
        FSink.Run();
        std::unique_lock Lock(FMutex);
        if (!FWake.wait_for(Lock, std::chrono::seconds(120), [this] { return FEnded; })) return "timed out";
        return FOutcome;
    }

private:
    void End(std::optional<std::string> Outcome) {
        std::lock_guard Lock(FMutex);
        FOutcome = std::move(Outcome);
        FEnded = true;
        FWake.notify_all();
    }

    TACSOutput& FSink;
    std::mutex FMutex;
    std::condition_variable FWake;
    bool FEnded = false;
    std::optional<std::string> FOutcome;
};

// Raw PCM of music-like audio in the given format (8-bit unsigned, 16-bit signed).
inline std::vector<uint8_t> MusicPcm(int32_t Frames, const TPcmFormat& Format, uint32_t Seed = 1) {
    auto Samples = MusicLikeSignal(Frames, Format.Channels, Format.SampleRate, Seed);
    if (Format.BitsPerSample == 8) return ToUnsigned8(Samples);
    std::vector<uint8_t> Bytes(Samples.size() * 2);
    for (size_t I = 0; I < Samples.size(); ++I) {
        Bytes[2 * I] = uint8_t(Samples[I]);
        Bytes[2 * I + 1] = uint8_t(uint16_t(Samples[I]) >> 8);
    }
    return Bytes;
}

} // namespace deraz::test
