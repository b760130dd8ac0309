// Shared by the MP3 tests: an in-memory PCM source of any format, running a sink to its end,
// and decoding with the peer tools.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "pipeline/ACS_Classes.h"
#include "tests/pipeline/PipelineDoubles.h"
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
        std::memcpy(Buffer, FData.data() + FPosition, size_t(Count));
        FPosition += Count;
        return Count;
    }

private:
    std::vector<uint8_t> FData;
    int32_t FChannels, FRate, FBits, FChunkSize;
    bool FKnownSize;
};

// Runs Sink on Source and waits for the end; returns the error message, empty on success.
std::string RunToEnd(TACSOutput& Sink, TACSInput& Source);

// Raw 16-bit samples as mpg123 decodes them (gapless); empty when it fails.
std::vector<int16_t> DecodeWithMpg123(const std::string& FileName);

// Everything a tool printed while checking FileName; empty means no complaint.
std::string FfmpegComplaints(const std::string& FileName);

// Makes an MP3 with the lame tool from Samples; Options are lame's.
std::string EncodeWithLame(const TTempDir& Dir, const std::string& Name, const std::vector<int16_t>& Samples,
                           int32_t Channels, int32_t SampleRate, const std::string& Options);

} // namespace deraz::test
