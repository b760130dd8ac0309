// Helpers of the Monkey's Audio component tests: an in-memory PCM source and a way to run a
// sink to its end.
#pragma once

#include <algorithm>
#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/ACS_Classes.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {

// Serves PCM from memory in pieces of an awkward size that splits sample frames.
class TPcmSource : public TACSInput {
public:
    TPcmSource(std::vector<uint8_t> Data, int32_t Bits, int32_t ChannelCount, int32_t Rate = 44100)
        : FData(std::move(Data)), FBits(Bits), FChannels(ChannelCount), FRate(Rate) {}

    int32_t BitsPerSample() override { return FBits; }
    int32_t Channels() override { return FChannels; }
    int32_t SampleRate() override { return FRate; }
    void Init() override {
        if (FBusy) throw EACSException("The component is buisy");
        FBusy = true;
        FPosition = 0;
        FSize = int32_t(FData.size());
    }
    void Flush() override { FBusy = false; }
    int32_t GetData(void* Buffer, int32_t BufferSize) override {
        int32_t Count = std::min({BufferSize, 10007, int32_t(FData.size()) - FPosition.load()});
        if (Count > 0) std::memcpy(Buffer, FData.data() + FPosition, size_t(Count));
        FPosition += Count;
        return Count;
    }

private:
    std::vector<uint8_t> FData;
    int32_t FBits, FChannels, FRate;
};

// Music-like PCM as bytes: 16-bit signed or 8-bit unsigned.
inline std::vector<uint8_t> MusicBytes(int32_t Frames, int32_t Channels, int32_t Bits, uint32_t Seed = 1) {
    auto Samples = MusicLikeSignal(Frames, Channels, 44100, Seed);
    if (Bits == 8) return ToUnsigned8(Samples);
    std::vector<uint8_t> Bytes(Samples.size() * 2);
    std::memcpy(Bytes.data(), Samples.data(), Bytes.size());
    return Bytes;
}

// Runs Sink to its end; the error message when it ended through OnThreadException.
inline std::optional<std::string> RunToEnd(TACSOutput& Sink) {
    // Shared with the handlers, which outlive this call on the sink.
    auto Ended = std::make_shared<std::promise<std::optional<std::string>>>();
    Sink.OnDone = [Ended](TComponent*) { Ended->set_value(std::nullopt); };
    Sink.OnThreadException = [Ended](TComponent*, const std::exception& E) { Ended->set_value(E.what()); };
    Sink.Run();
    return Ended->get_future().get();
}

// Everything a source delivers from Init to the end of its data, read on this thread.
inline std::vector<uint8_t> ReadAll(TACSInput& Source) {
    std::vector<uint8_t> Result;
    std::vector<uint8_t> Chunk(5000);
    Source.Init();
    while (int32_t Count = Source.GetData(Chunk.data(), int32_t(Chunk.size())))
        Result.insert(Result.end(), Chunk.begin(), Chunk.begin() + Count);
    Source.Flush();
    return Result;
}

} // namespace deraz::test
