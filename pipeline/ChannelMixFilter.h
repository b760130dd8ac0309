// Mixes PCM down to fewer channels: a wider layout to stereo with the standard downmix, and to mono
// as the mean of that stereo mix (pipeline/ChannelLayout.h).
#pragma once

#include <cstdint>

#include "pipeline/PcmFilter.h"

namespace deraz {

class TChannelMixFilter : public TPcmFilter {
public:
    using TPcmFilter::TPcmFilter;

    // 1 or 2; an input with no more channels than this passes unchanged.
    int32_t TargetChannels() const { return FTargetChannels; }
    void SetTargetChannels(int32_t Value) { FTargetChannels = Value; }

protected:
    int32_t OutputChannels(int32_t InChannels) override;
    void Start(int32_t InChannels, int32_t InRate) override;
    void Process(const float* In, size_t Frames, std::vector<float>& Out) override;

private:
    int32_t FTargetChannels = 2;
    int32_t FInChannels = 0;
};

} // namespace deraz
