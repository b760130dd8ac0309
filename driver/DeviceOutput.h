// Outputs made for a device: what the limits of the output choice change in an input's PCM (a
// lower sample rate, a smaller bit depth with dither, fewer channels), and the filters that do it
// between the source and the sink.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "driver/OutputFormats.h"
#include "pipeline/ACS_Classes.h"

namespace deraz {

class TChannelMixFilter;
class TResampleFilter;
class TDitherFilter;

struct TPcmFormat {
    int32_t Rate = 0;
    int32_t Bits = 0;
    int32_t Channels = 0;
};

// The rate an input at Rate is written at under a highest rate of MaxRate (0: none): the input's
// when it is not above the limit, else the largest multiple of the input's family (44100 Hz for
// 88200 and 176400, 48000 Hz for 96000 and 192000) at or below it, else the limit itself.
int32_t LimitedRate(int32_t Rate, int32_t MaxRate);

// What the limits do to an input of format From written as a lossless (or lossy) output.
struct TDevicePlan {
    TPcmFormat From;
    TPcmFormat To;
    bool Mix() const { return To.Channels != From.Channels; }
    bool Resample() const { return To.Rate != From.Rate; }
    bool Dither() const { return To.Bits != From.Bits; }
    bool Changes() const { return Mix() || Resample() || Dither(); }
    // "Resampled from 96000 to 48000 Hz. Reduced to 16 bits with dither."; empty for no change.
    std::string Note() const;
};
TDevicePlan PlanDeviceOutput(const TDeviceLimits& Limits, const TPcmFormat& From, bool LossyOutput);

// The filters of one driver, reused for every file.
class TDeviceFilters {
public:
    TDeviceFilters();
    ~TDeviceFilters();
    TDeviceFilters(const TDeviceFilters&) = delete;
    TDeviceFilters& operator=(const TDeviceFilters&) = delete;

    // Chains the filters Plan needs after Source (mix, resample, dither) and returns the last
    // one, or Source when the plan changes nothing. A filter followed by another hands it 32-bit
    // samples, so the output is rounded once.
    TACSInput* Connect(const TDevicePlan& Plan, TACSInput* Source);

private:
    std::unique_ptr<TChannelMixFilter> FMix;
    std::unique_ptr<TResampleFilter> FResample;
    std::unique_ptr<TDitherFilter> FDither;
};

} // namespace deraz
