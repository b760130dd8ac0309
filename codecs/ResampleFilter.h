// Lowers the sample rate of PCM with libsoxr at its very-high quality. The output lasts exactly
// as long as the input: its length is the input's frames at the new rate, rounded.
#pragma once

#include <cstdint>
#include <memory>

#include <soxr.h>

#include "pipeline/PcmFilter.h"

namespace deraz {

class TResampleFilter : public TPcmFilter {
public:
    using TPcmFilter::TPcmFilter;
    ~TResampleFilter() override;

    int32_t TargetRate() const { return FTargetRate; }
    void SetTargetRate(int32_t Value) { FTargetRate = Value; }

protected:
    int32_t OutputRate(int32_t InRate) override;
    int64_t OutputFrames(int64_t InFrames) override;
    // Creates the resampler, or raises why it cannot be (the library's message when it is missing).
    void Start(int32_t InChannels, int32_t InRate) override;
    void Process(const float* In, size_t Frames, std::vector<float>& Out) override;

private:
    struct TResamplerDelete {
        void operator()(soxr_t Resampler) const;
    };

    int32_t FTargetRate = 48000;
    int32_t FInRate = 0;
    int32_t FChannels = 0;
    int64_t FInFrames = 0;  // input frames taken since Start
    int64_t FOutFrames = 0; // output frames given since Start
    std::unique_ptr<soxr, TResamplerDelete> FResampler;
};

} // namespace deraz
