#include "codecs/ResampleFilter.h"

#include <algorithm>
#include <cmath>

#include "codecs/CodecLibraries.h"
#include "codecs/vorbis/LinkConverter.h"
#include "codecs/vorbis/SoxrLibrary.h"

namespace deraz {

TResampleFilter::~TResampleFilter() = default;

void TResampleFilter::TResamplerDelete::operator()(soxr_t Resampler) const {
    SoxrLibrary()->soxr_delete(Resampler);
}

int32_t TResampleFilter::OutputRate(int32_t /*InRate*/) {
    return FTargetRate;
}

int64_t TResampleFilter::OutputFrames(int64_t InFrames) {
    return ConvertedLength(InFrames, Input() ? Input()->SampleRate() : FTargetRate, FTargetRate);
}

void TResampleFilter::Start(int32_t InChannels, int32_t InRate) {
    RequireLibrary(SoxrLibrary());
    FInRate = InRate;
    FChannels = InChannels;
    FInFrames = FOutFrames = 0;
    const soxr_quality_spec_t Quality = SoxrLibrary()->soxr_quality_spec(SOXR_VHQ, 0);
    soxr_error_t Error = nullptr;
    FResampler.reset(SoxrLibrary()->soxr_create(InRate, FTargetRate, unsigned(std::max(InChannels, 1)),
                                                &Error, nullptr, &Quality, nullptr));
    if (Error || InChannels < 1)
        throw EACSException("The resampler refuses " + std::to_string(InRate) + " Hz to " +
                            std::to_string(FTargetRate) + " Hz" + (Error ? std::string(": ") + Error : "") +
                            ".");
}

void TResampleFilter::Process(const float* In, size_t Frames, std::vector<float>& Out) {
    FInFrames += int64_t(Frames);
    const size_t Channels = size_t(FChannels);
    const size_t Capacity = size_t(std::ceil(double(Frames) * FTargetRate / FInRate)) + 4096;
    size_t Used = 0;
    for (;;) {
        const size_t Start = Out.size();
        Out.resize(Start + Capacity * Channels);
        size_t Taken = 0, Produced = 0;
        soxr_error_t Error =
            SoxrLibrary()->soxr_process(FResampler.get(), In ? In + Used * Channels : nullptr, Frames - Used,
                                        &Taken, Out.data() + Start, Capacity, &Produced);
        Out.resize(Start + Produced * Channels);
        if (Error) throw EACSException(std::string("The resampler failed: ") + Error + ".");
        Used += Taken;
        // A full output buffer may leave more behind; at the end the resampler is drained until
        // it gives nothing more.
        if (Used >= Frames && (In ? Produced < Capacity : Produced == 0)) break;
        if (Taken == 0 && Produced == 0) break;
    }
    // The output's length is the input's at the new rate: the end is cut or filled with silence.
    const int64_t Owed = ConvertedLength(FInFrames, FInRate, FTargetRate) - FOutFrames;
    const int64_t Given = int64_t(Out.size() / Channels);
    if (Given > Owed && !In) Out.resize(size_t(std::max<int64_t>(Owed, 0)) * Channels);
    if (Given < Owed && !In) Out.resize(size_t(Owed) * Channels, 0.0f);
    FOutFrames += int64_t(Out.size() / Channels);
}

} // namespace deraz
