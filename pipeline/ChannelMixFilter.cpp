#include "pipeline/ChannelMixFilter.h"

#include <algorithm>

#include "pipeline/ChannelLayout.h"

namespace deraz {

int32_t TChannelMixFilter::OutputChannels(int32_t InChannels) {
    return std::min(InChannels, FTargetChannels);
}

void TChannelMixFilter::Start(int32_t InChannels, int32_t /*InRate*/) {
    FInChannels = InChannels;
}

void TChannelMixFilter::Process(const float* In, size_t Frames, std::vector<float>& Out) {
    if (!In) return;
    const int32_t To = OutputChannels(FInChannels);
    Out.resize(Frames * size_t(To));
    MixChannels(In, FInChannels, Frames, To, Out.data());
}

} // namespace deraz
