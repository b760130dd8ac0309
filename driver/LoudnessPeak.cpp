#include "driver/LoudnessPeak.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace deraz {

namespace {

// libebur128's interpolation filter: 49 taps, split into one phase per output of a frame.
constexpr int Taps = 49;
// The frames before an output that the filter reads: its taps span 25 frames when oversampling
// twice, 13 when 4 times.
constexpr size_t FilterFrames = 24;
// Frames judged at a time: short stretches keep the bound close to the signal.
constexpr size_t Stretch = 64;

int OversamplingFactor(int32_t SampleRate) {
    if (SampleRate < 96000) return 4;
    if (SampleRate < 192000) return 2;
    return 1;
}

// The largest magnitude among a phase's first Count outputs from Input, output N summing the
// taps at Input[N - Delay]. Input holds the frames the filter reads before it and whole blocks of
// 8 after it. Each block of 8 outputs is summed in registers, written for the compiler to
// vectorise; the taps go in the same order for every output.
float PhasePeak(const float* Coefficients, const size_t* Delays, size_t Taps, const float* Input,
                size_t Count) {
    float Peaks[8] = {};
    for (size_t At = 0; At < Count; At += 8) {
        float Sum[8] = {};
        for (size_t Tap = 0; Tap < Taps; ++Tap) {
            const float* In = Input + At - Delays[Tap];
            const float Coefficient = Coefficients[Tap];
            for (size_t K = 0; K < 8; ++K) Sum[K] += Coefficient * In[K];
        }
        if (Count - At >= 8)
            for (size_t K = 0; K < 8; ++K) Peaks[K] = std::max(Peaks[K], std::fabs(Sum[K]));
        else
            for (size_t K = 0; K < Count - At; ++K) Peaks[0] = std::max(Peaks[0], std::fabs(Sum[K]));
    }
    return *std::max_element(Peaks, Peaks + 8);
}

float AbsolutePeak(const float* First, const float* Last) {
    float Peak = 0;
    for (; First != Last; ++First) Peak = std::max(Peak, std::fabs(*First));
    return Peak;
}

} // namespace

TTruePeakMeter::TTruePeakMeter(int32_t Channels, int32_t SampleRate)
    : FChannels(size_t(std::max(Channels, 1))) {
    const int Factor = OversamplingFactor(SampleRate);
    if (Factor > 1) {
        FPhases.resize(size_t(Factor));
        for (int Tap = 0; Tap < Taps; ++Tap) {
            double Offset = (Tap - (Taps - 1) / 2.0) * std::numbers::pi / Factor;
            double Value = Offset == 0 ? 1.0 : std::sin(Offset) / Offset;
            Value *= 0.5 * (1 - std::cos(2 * std::numbers::pi * Tap / (Taps - 1)));
            if (std::fabs(Value) <= 1e-6) continue; // a zero of the sinc
            TPhase& Phase = FPhases[size_t(Tap % Factor)];
            Phase.Coefficients.push_back(float(Value));
            Phase.Delays.push_back(size_t(Tap / Factor));
        }
        // A phase's output is at most the sum of its coefficients' magnitudes times the largest
        // input it reads.
        for (const TPhase& Phase : FPhases) {
            double Sum = 0;
            for (float Coefficient : Phase.Coefficients) Sum += std::fabs(Coefficient);
            FFilterGain = std::max(FFilterGain, Sum * 1.001);
        }
    }
    // Before the first frame the filter holds silence.
    FWork.assign(FilterFrames * FChannels, 0.0f);
}

void TTruePeakMeter::Add(const float* Frames, size_t Count) {
    if (Count == 0) return;
    FWork.insert(FWork.end(), Frames, Frames + Count * FChannels);
    const size_t Total = FWork.size() / FChannels;
    // Outputs of a stretch depend on its frames and the FilterFrames before them; where those,
    // raised by the filter's gain, stay at or below the peak found so far, the stretch cannot
    // raise it. The others are measured, neighbours together.
    size_t RunFirst = 0;
    bool InRun = false;
    for (size_t First = FilterFrames; First < Total; First += Stretch) {
        size_t Last = std::min(First + Stretch, Total);
        float Bound =
            AbsolutePeak(&FWork[(First - FilterFrames) * FChannels], FWork.data() + Last * FChannels);
        bool Needed = Bound * FFilterGain > FPeak;
        if (Needed && !InRun) RunFirst = First;
        if (!Needed && InRun) Measure(RunFirst, First);
        InRun = Needed;
    }
    if (InRun) Measure(RunFirst, Total);
    FWork.erase(FWork.begin(), FWork.end() - std::ptrdiff_t(FilterFrames * FChannels));
}

void TTruePeakMeter::Measure(size_t First, size_t Last) {
    const size_t Count = Last - First;
    // The samples count too: the filter passes them on only some frames later.
    FPeak = std::max(FPeak, double(AbsolutePeak(&FWork[First * FChannels], FWork.data() + Last * FChannels)));
    if (FPhases.empty()) return;
    // Each channel apart, with the frames the filter reads before the stretch, and zeros up to a
    // whole block of 8 after it.
    FChannel.assign(FilterFrames + (Count + 7) / 8 * 8, 0.0f);
    for (size_t Channel = 0; Channel < FChannels; ++Channel) {
        for (size_t Frame = 0; Frame < FilterFrames + Count; ++Frame)
            FChannel[Frame] = FWork[(First - FilterFrames + Frame) * FChannels + Channel];
        for (const TPhase& Phase : FPhases)
            FPeak = std::max(
                FPeak, double(PhasePeak(Phase.Coefficients.data(), Phase.Delays.data(),
                                        Phase.Coefficients.size(), FChannel.data() + FilterFrames, Count)));
    }
}

} // namespace deraz
