// Later links of a chained Ogg stream may change the sample rate or the channel count; the
// pipeline carries one format per file, so such a link is brought to the first link's format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <soxr.h>

namespace deraz {

// Frames a link of Frames frames at FromRate lasts at ToRate.
int64_t ConvertedLength(int64_t Frames, int32_t FromRate, int32_t ToRate);
// Where a converted link restarts to deliver its output frame Offset: the last input frame at
// or before it that meets an output frame exactly, and that output frame.
struct TRestartPoint {
    int64_t Input;
    int64_t Output;
};
TRestartPoint RestartPoint(int64_t Offset, int32_t FromRate, int32_t ToRate);

// Converts one link: 16-bit little-endian PCM in WAV order at the link's format in, the same at
// the target format out, exactly Length frames in all, resampled by libsoxr. The resampler is
// created with the first frames that need it, so a stream that is only opened or seeked never
// asks for the library; a missing one fails the conversion with the library's message.
class TLinkConverter {
public:
    TLinkConverter(int32_t FromChannels, int32_t FromRate, int32_t ToChannels, int32_t ToRate,
                   int64_t Length);

    // Drops the first Frames frames converted, which the length counts: a seek starts the
    // resampler where its output frames meet input frames exactly and skips to the frame asked.
    void Skip(int64_t Frames) { FSkip = Frames; }
    // Converts Frames interleaved frames and appends the result to Out as little-endian bytes.
    void Convert(const uint8_t* In, size_t Frames, std::vector<uint8_t>& Out);
    // Appends what the resampler still holds, then silence up to the link's length.
    void Finish(std::vector<uint8_t>& Out);

private:
    struct TResamplerDelete {
        void operator()(soxr_t Resampler) const;
    };

    // Creates the resampler, or raises why it cannot be.
    void StartResampler();
    // Resamples In (nullptr: the end of the input) and appends what comes out.
    void Resample(const float* In, size_t Frames, std::vector<uint8_t>& Out);
    // Appends up to the frames still owed of Frames resampled frames.
    void Append(const float* Samples, size_t Frames, std::vector<uint8_t>& Out);

    int32_t FFromChannels;
    int32_t FFromRate;
    int32_t FToChannels;
    int32_t FToRate;
    double FRatio;
    int64_t FRemaining; // frames still owed to the link's length
    int64_t FSkip = 0;
    std::unique_ptr<soxr, TResamplerDelete> FResampler;
    std::vector<float> FUnmixed;
    std::vector<float> FMixed;
    std::vector<float> FResampled;
    std::vector<int32_t> FValues;
};

} // namespace deraz
