// Loudness in a build without libebur128 (the Windows cross build): a conversion that asks for
// ReplayGain fails with a message saying so instead of writing outputs without it.
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "driver/Loudness.h"

namespace deraz {

// Never made: completes the meter's type.
struct TTrackMeter {};

double ReplayGainOf(double Loudness) {
    return -18.0 - Loudness;
}

double AlbumLoudness(const std::vector<const TTrackLoudness*>&) {
    return -std::numeric_limits<double>::infinity();
}

double SafeGain(double Loudness, double Peak) {
    return Peak > 0 ? std::min(ReplayGainOf(Loudness), -20 * std::log10(Peak)) : ReplayGainOf(Loudness);
}

TAppliedGain GainToApply(double Loudness, double Peak, bool) {
    return {SafeGain(Loudness, Peak), {}};
}

std::shared_ptr<TTrackLoudness> MeasureFile(const std::string&) {
    auto Track = std::make_shared<TTrackLoudness>();
    Track->Problem = "this build cannot measure loudness.";
    return Track;
}

// No meter is ever made: these only complete the class.
TLoudnessMeter::~TLoudnessMeter() = default;
int32_t TLoudnessMeter::BitsPerSample() {
    return 0;
}
int32_t TLoudnessMeter::Channels() {
    return 0;
}
int32_t TLoudnessMeter::SampleRate() {
    return 0;
}
int32_t TLoudnessMeter::TotalTime() {
    return 0;
}
int32_t TLoudnessMeter::GetData(void*, int32_t) {
    return 0;
}
void TLoudnessMeter::Init() {}
void TLoudnessMeter::Flush() {}

std::shared_ptr<const TTrackLoudness> WriteTrackGain(const TLoudnessMeter&, const std::string&,
                                                     const std::string&) {
    return nullptr;
}

std::string GainNote(const std::shared_ptr<const TTrackLoudness>&) {
    return {};
}

TLoudnessMeter* ConnectMeter(std::unique_ptr<TLoudnessMeter>&, const TOutputChoice& Choice,
                             const std::string&, TACSInput* Source, TACSOutput& Sink,
                             std::function<TAppliedGain()>) {
    if (Choice.ReplayGain != gmOff || Choice.ApplyGain != gmOff)
        throw std::runtime_error("ReplayGain is not available in this build.");
    Sink.SetInput(Source);
    return nullptr;
}

} // namespace deraz
