#include "driver/DeviceOutput.h"

#include <algorithm>
#include <vector>

#include "codecs/ResampleFilter.h"
#include "pipeline/ChannelMixFilter.h"
#include "pipeline/DitherFilter.h"

namespace deraz {

namespace {

// The bits a filter hands the next one: enough for every depth the sinks take.
constexpr int32_t IntermediateBits = 32;

} // namespace

int32_t LimitedRate(int32_t Rate, int32_t MaxRate) {
    if (MaxRate <= 0 || Rate <= MaxRate) return Rate;
    for (int32_t Family : {44100, 48000}) {
        if (Rate % Family != 0) continue;
        const int32_t Multiple = MaxRate / Family * Family;
        if (Multiple > 0) return Multiple;
    }
    return MaxRate;
}

std::string TDevicePlan::Note() const {
    std::string Text;
    auto Add = [&Text](const std::string& Sentence) { Text += (Text.empty() ? "" : " ") + Sentence; };
    if (Mix())
        Add(std::string("Mixed down from ") + std::to_string(From.Channels) + " channels to " +
            (To.Channels == 1 ? "mono." : "stereo."));
    if (Resample())
        Add("Resampled from " + std::to_string(From.Rate) + " to " + std::to_string(To.Rate) + " Hz.");
    if (Dither()) Add("Reduced to " + std::to_string(To.Bits) + " bits with dither.");
    return Text;
}

TDevicePlan PlanDeviceOutput(const TDeviceLimits& Limits, const TPcmFormat& From, bool LossyOutput) {
    TDevicePlan Plan{From, From};
    Plan.To.Rate = LimitedRate(From.Rate, Limits.MaxRate);
    if (Limits.Channels > 0) Plan.To.Channels = std::min(From.Channels, Limits.Channels);
    // Lossy encoders take the wide input as it is.
    if (Limits.MaxBits > 0 && !LossyOutput) Plan.To.Bits = std::min(From.Bits, Limits.MaxBits);
    return Plan;
}

TDeviceFilters::TDeviceFilters() = default;
TDeviceFilters::~TDeviceFilters() = default;

TACSInput* TDeviceFilters::Connect(const TDevicePlan& Plan, TACSInput* Source) {
    std::vector<TPcmFilter*> Chain;
    if (Plan.Mix()) {
        if (!FMix) FMix = std::make_unique<TChannelMixFilter>();
        FMix->SetTargetChannels(Plan.To.Channels);
        Chain.push_back(FMix.get());
    }
    if (Plan.Resample()) {
        if (!FResample) FResample = std::make_unique<TResampleFilter>();
        FResample->SetTargetRate(Plan.To.Rate);
        Chain.push_back(FResample.get());
    }
    if (Plan.Dither()) {
        if (!FDither) FDither = std::make_unique<TDitherFilter>();
        Chain.push_back(FDither.get());
    }
    TACSInput* Last = Source;
    for (TPcmFilter* Filter : Chain) {
        Filter->SetInput(Last);
        Filter->SetOutputBits(Filter == Chain.back() ? Plan.To.Bits : IntermediateBits);
        Last = Filter;
    }
    return Last;
}

} // namespace deraz
