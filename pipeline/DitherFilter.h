// Reduces the bit depth of PCM with TPDF dither: before each sample is rounded to OutputBits,
// the difference of two uniform random values (a triangular distribution of +-1 step of the
// new depth) is added, so that detail below the new step survives as signal plus noise instead of
// being cut away. The random sequence starts from the same seed for every stream, so the same
// input always gives the same output.
#pragma once

#include <cstdint>

#include "pipeline/PcmFilter.h"

namespace deraz {

class TDitherFilter : public TPcmFilter {
public:
    using TPcmFilter::TPcmFilter;

protected:
    void Start(int32_t InChannels, int32_t InRate) override;
    void Process(const float* In, size_t Frames, std::vector<float>& Out) override;

private:
    // The next value of a xorshift64* sequence, uniform in [0, 1).
    float NextUniform();

    uint64_t FState = 0;
    int32_t FInChannels = 0;
};

} // namespace deraz
