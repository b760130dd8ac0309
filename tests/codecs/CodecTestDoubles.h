// Shared by the codec tests: an in-memory PCM source of any format, music-like PCM in the
// pipeline's layout, and running a sink once to its end.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "pipeline/ACS_Classes.h"
#include "tests/pipeline/PipelineDoubles.h"
#include "tests/support/FlacTools.h"
#include "tests/support/PipelineSupport.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {

// Delivers Data as PCM of the given format in chunks of at most ChunkSize bytes.
class TPcmSource : public TACSInput {
public:
    TPcmSource(std::vector<uint8_t> Data, int32_t Channels, int32_t SampleRate, int32_t Bits,
               int32_t ChunkSize = 5000, bool KnownSize = true)
        : FData(std::move(Data)), FChannels(Channels), FRate(SampleRate), FBits(Bits), FChunkSize(ChunkSize),
          FKnownSize(KnownSize) {}
    TPcmSource(const std::vector<int16_t>& Samples, int32_t Channels, int32_t SampleRate)
        : TPcmSource(std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(Samples.data()),
                                          reinterpret_cast<const uint8_t*>(Samples.data() + Samples.size())),
                     Channels, SampleRate, 16) {}
    TPcmSource(std::vector<uint8_t> Data, const TPcmFormat& Format, int32_t ChunkSize = 5000)
        : TPcmSource(std::move(Data), Format.Channels, Format.SampleRate, Format.BitsPerSample, ChunkSize) {}

    int32_t BitsPerSample() override { return FBits; }
    int32_t Channels() override { return FChannels; }
    int32_t SampleRate() override { return FRate; }
    void Init() override {
        FBusy = true;
        FPosition = 0;
        FSize = FKnownSize ? int32_t(FData.size()) : -1;
    }
    void Flush() override { FBusy = false; }
    int32_t GetData(void* Buffer, int32_t BufferSize) override {
        int32_t Count = std::min({BufferSize, FChunkSize, int32_t(FData.size()) - FPosition.load()});
        if (Count > 0) std::memcpy(Buffer, FData.data() + FPosition, size_t(Count));
        FPosition += Count;
        return Count;
    }

private:
    std::vector<uint8_t> FData;
    int32_t FChannels, FRate, FBits, FChunkSize;
    bool FKnownSize;
};

// Raw PCM of music-like audio as the pipeline carries it: 8-bit unsigned or 16-bit signed.
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

// Runs Sink once more and waits for its end, watched by Completion (made once per sink, so
// that no handler is replaced while the worker may be inside it); the error message, empty on
// success.
inline std::string RunAndWait(TACSOutput& Sink, TCompletion& Completion) {
    Sink.Run();
    if (!Completion.Wait(std::chrono::seconds(120))) return "timed out";
    return Completion.Failed() ? Completion.Message() : "";
}

} // namespace deraz::test
