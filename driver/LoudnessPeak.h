// The true peak of interleaved float PCM as libebur128 measures it: oversampled 4 times below
// 96 kHz and twice below 192 kHz through its 49-tap Hann-windowed sinc, the sample peak above.
// The oversampling, by far the dearest part of a loudness measurement, runs only on the
// stretches that can raise the peak found so far, through a filter laid out for the compiler to
// vectorise; the result equals libebur128's measurement of every frame to float precision.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace deraz {

class TTruePeakMeter {
public:
    TTruePeakMeter(int32_t Channels, int32_t SampleRate);

    // Adds Count frames that follow those added before.
    void Add(const float* Frames, size_t Count);
    // The highest true peak of any channel so far, full scale 1.0.
    double Peak() const { return FPeak; }

private:
    // One output phase of the filter: its taps, each a coefficient and how many frames back it
    // reads.
    struct TPhase {
        std::vector<float> Coefficients;
        std::vector<size_t> Delays;
    };
    // Oversamples the frames of FWork from First to Last and raises FPeak to what it finds.
    void Measure(size_t First, size_t Last);

    size_t FChannels = 0;
    std::vector<TPhase> FPhases; // none: the true peak is the sample peak
    double FFilterGain = 1;      // the most the filter can raise a sample peak
    double FPeak = 0;
    std::vector<float> FWork;    // the last frames the filter reads, then the frames being added
    std::vector<float> FChannel; // one channel of a stretch being measured
};

} // namespace deraz
