// A filter between a source and a sink that works on whole frames of floating-point samples (full
// scale 1.0): it reads its input's PCM, hands it to Process, and delivers what Process gives back
// as integers of OutputBits bits, rounded to the nearest value and clipped at full scale.
#pragma once

#include <cstdint>
#include <vector>

#include "pipeline/ACS_Classes.h"

namespace deraz {

class TPcmFilter : public TACSConverter {
public:
    using TACSConverter::TACSConverter;

    // Depth of the PCM delivered, 8 to 32 bits; 0 (the default) keeps the input's depth.
    int32_t OutputBits() const { return FOutputBits; }
    void SetOutputBits(int32_t Value) { FOutputBits = Value; }

    int32_t BitsPerSample() override;
    int32_t Channels() override;
    int32_t SampleRate() override;
    int32_t TotalTime() override;
    int32_t GetData(void* Buffer, int32_t BufferSize) override;
    void Init() override;
    void Flush() override;

protected:
    // The channels and rate of what Process delivers for an input of InChannels at InRate.
    virtual int32_t OutputChannels(int32_t InChannels) { return InChannels; }
    virtual int32_t OutputRate(int32_t InRate) { return InRate; }
    // Frames delivered for InFrames frames of input.
    virtual int64_t OutputFrames(int64_t InFrames) { return InFrames; }
    // Readies the filter for a new stream of InChannels channels at InRate; called by Init.
    virtual void Start(int32_t /*InChannels*/, int32_t /*InRate*/) {}
    // Fills Out, empty on entry, with what Frames interleaved frames of In become. In is null
    // once, at the end of the input, for what the filter still holds.
    virtual void Process(const float* In, size_t Frames, std::vector<float>& Out) = 0;

private:
    int32_t InputFrameBytes();
    // Reads the next piece of input and processes it into FReady; at the end of the input, drains
    // the filter into it.
    void Refill();
    // The bytes the whole output takes, from the input's size; -1 when that is unknown.
    int64_t EstimatedSize();

    int32_t FOutputBits = 0;
    bool FEnded = false;
    std::vector<uint8_t> FRaw;   // input read, a partial frame left at its end
    std::vector<float> FIn;      // whole frames of FRaw as samples
    std::vector<float> FOut;     // what Process gave
    std::vector<int32_t> FInts;  // FOut rounded
    std::vector<uint8_t> FReady; // packed, not delivered yet
    size_t FReadyAt = 0;
};

} // namespace deraz
