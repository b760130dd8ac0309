#include "driver/LoudnessPeak.h"

#include <algorithm>
#include <cmath>

#include "driver/LoudnessState.h"

namespace deraz {

namespace {

// libebur128 oversamples 4 times below 96 kHz and twice below 192 kHz, through a 49-tap
// Hann-windowed sinc split into one branch per output phase; at 192 kHz and above the true peak
// is the sample peak. A branch's output is at most the sum of the absolute values of its
// coefficients times the largest input it sees: 1.8642 for 4 times, 2.3068 for twice (both
// computed from the filter's definition), rounded up here.
double FilterGain(int32_t SampleRate) {
    if (SampleRate < 96000) return 1.87;
    if (SampleRate < 192000) return 2.31;
    return 1.0;
}

// The frames before an output that the filter reads: its 49 taps span 25 input frames when
// oversampling twice, 13 when 4 times.
constexpr size_t FilterFrames = 24;
// Frames judged at a time: short stretches keep the bound close to the signal.
constexpr size_t Stretch = 64;

float AbsolutePeak(const float* First, const float* Last) {
    float Peak = 0;
    for (; First != Last; ++First) Peak = std::max(Peak, std::fabs(*First));
    return Peak;
}

} // namespace

TTruePeakMeter::TTruePeakMeter(int32_t Channels, int32_t SampleRate) {
    if (Channels <= 0 || SampleRate <= 0) return;
    if (ebur128_state* Meter = ebur128_init(unsigned(Channels), unsigned(SampleRate), EBUR128_MODE_TRUE_PEAK))
        FMeter = std::make_unique<TLoudnessState>(Meter);
    FChannels = size_t(Channels);
    FFilterGain = FilterGain(SampleRate);
    // Before the first frame the filter holds silence.
    FWork.assign(FilterFrames * FChannels, 0.0f);
}

TTruePeakMeter::~TTruePeakMeter() = default;

void TTruePeakMeter::Add(const float* Frames, size_t Count) {
    if (!FMeter || Count == 0) return;
    FWork.insert(FWork.end(), Frames, Frames + Count * FChannels);
    const size_t Total = FWork.size() / FChannels;
    // Outputs of a stretch depend on its frames and the FilterFrames before them; where those,
    // raised by the filter's gain, stay at or below the peak found so far, the stretch cannot
    // raise it. The others are measured, neighbours together.
    size_t RunFirst = 0;
    bool InRun = false;
    for (size_t First = FilterFrames; First < Total; First += Stretch) {
        size_t Last = std::min(First + Stretch, Total);
        float Bound = AbsolutePeak(&FWork[(First - FilterFrames) * FChannels], &FWork[0] + Last * FChannels);
        bool Needed = Bound * FFilterGain > FPeak;
        if (Needed && !InRun) RunFirst = First;
        if (!Needed && InRun) Measure(RunFirst, First);
        InRun = Needed;
    }
    if (InRun) Measure(RunFirst, Total);
    FWork.erase(FWork.begin(), FWork.end() - std::ptrdiff_t(FilterFrames * FChannels));
}

void TTruePeakMeter::Measure(size_t First, size_t Last) {
    ebur128_state* Meter = FMeter->Meter;
    // The frames before the stretch only fill the filter; what they give is not read.
    ebur128_add_frames_float(Meter, &FWork[(First - FilterFrames) * FChannels], FilterFrames);
    ebur128_add_frames_float(Meter, &FWork[First * FChannels], Last - First);
    for (unsigned Channel = 0; Channel < FChannels; ++Channel) {
        double Peak = 0;
        if (ebur128_prev_true_peak(Meter, Channel, &Peak) == EBUR128_SUCCESS) FPeak = std::max(FPeak, Peak);
    }
}

} // namespace deraz
