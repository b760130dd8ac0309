#include "pipeline/DitherFilter.h"

#include <cmath>

namespace deraz {

namespace {

constexpr uint64_t Seed = 0x9E3779B97F4A7C15ull;

} // namespace

void TDitherFilter::Start(int32_t InChannels, int32_t /*InRate*/) {
    FState = Seed;
    FInChannels = InChannels;
}

float TDitherFilter::NextUniform() {
    FState ^= FState >> 12;
    FState ^= FState << 25;
    FState ^= FState >> 27;
    // The top 24 bits of the scrambled state: every value is exact in a float.
    return float((FState * 0x2545F4914F6CDD1Dull) >> 40) * 0x1p-24f;
}

void TDitherFilter::Process(const float* In, size_t Frames, std::vector<float>& Out) {
    if (!In) return;
    const float Step = std::ldexp(1.0f, 1 - BitsPerSample());
    const size_t Count = Frames * size_t(FInChannels);
    Out.resize(Count);
    for (size_t I = 0; I < Count; ++I) Out[I] = In[I] + (NextUniform() - NextUniform()) * Step;
}

} // namespace deraz
