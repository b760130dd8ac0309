// The true peak of interleaved float PCM as libebur128 measures it (oversampled through its
// interpolation filter), with the oversampling, by far the dearest part of a measurement, run
// only on the stretches that can raise the peak found so far. The result equals a measurement of
// every frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace deraz {

struct TLoudnessState;

class TTruePeakMeter {
public:
    // Not Valid when libebur128 refuses the format.
    TTruePeakMeter(int32_t Channels, int32_t SampleRate);
    ~TTruePeakMeter();
    TTruePeakMeter(const TTruePeakMeter&) = delete;
    TTruePeakMeter& operator=(const TTruePeakMeter&) = delete;

    bool Valid() const { return FMeter != nullptr; }
    // Adds Count frames that follow those added before.
    void Add(const float* Frames, size_t Count);
    // The highest true peak of any channel so far, full scale 1.0.
    double Peak() const { return FPeak; }

private:
    // Oversamples the frames of FWork from First to Last, after the frames before them that the
    // filter needs, and raises FPeak to what it finds.
    void Measure(size_t First, size_t Last);

    std::unique_ptr<TLoudnessState> FMeter;
    size_t FChannels = 0;
    double FFilterGain = 1; // the most the interpolation filter can raise a sample peak
    double FPeak = 0;
    std::vector<float> FWork; // the last frames the filter needs, then the frames being added
};

} // namespace deraz
