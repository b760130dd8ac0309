#include "codecs/vorbis/LinkConverter.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "codecs/vorbis/SoxrLibrary.h"
#include "pipeline/ACS_Classes.h"
#include "pipeline/ChannelLayout.h"
#include "pipeline/PcmSamples.h"

namespace deraz {

int64_t ConvertedLength(int64_t Frames, int32_t FromRate, int32_t ToRate) {
    if (FromRate == ToRate || FromRate <= 0) return Frames;
    // Saturates where the frames would not fit: such a length is refused as damaged.
    const double Converted = double(Frames) * ToRate / FromRate;
    return Converted < 0x1p62 ? std::llround(Converted) : int64_t(1) << 62;
}

TRestartPoint RestartPoint(int64_t Offset, int32_t FromRate, int32_t ToRate) {
    if (FromRate <= 0 || ToRate <= 0) return {Offset, Offset};
    const int32_t Common = std::gcd(FromRate, ToRate);
    const int64_t Blocks = Offset / (ToRate / Common);
    return {Blocks * (FromRate / Common), Blocks * (ToRate / Common)};
}

TLinkConverter::TLinkConverter(int32_t FromChannels, int32_t FromRate, int32_t ToChannels, int32_t ToRate,
                               int64_t Length)
    : FFromChannels(FromChannels), FFromRate(FromRate), FToChannels(ToChannels), FToRate(ToRate),
      FRatio(double(ToRate) / FromRate), FRemaining(Length) {}

void TLinkConverter::TResamplerDelete::operator()(soxr_t Resampler) const {
    SoxrLibrary()->soxr_delete(Resampler);
}

void TLinkConverter::StartResampler() {
    RequireLibrary(SoxrLibrary());
    soxr_error_t Error = nullptr;
    FResampler.reset(SoxrLibrary()->soxr_create(FFromRate, FToRate, unsigned(FToChannels), &Error, nullptr,
                                                nullptr, nullptr));
    if (Error)
        throw EACSException("The resampler refuses " + std::to_string(FFromRate) + " Hz to " +
                            std::to_string(FToRate) + " Hz: " + Error + ".");
}

void TLinkConverter::Convert(const uint8_t* In, size_t Frames, std::vector<uint8_t>& Out) {
    FUnmixed.resize(Frames * size_t(FFromChannels));
    UnpackPcmToFloat(In, 16, FUnmixed.size(), FUnmixed.data());
    FMixed.resize(Frames * size_t(FToChannels));
    MixChannels(FUnmixed.data(), FFromChannels, Frames, FToChannels, FMixed.data());
    if (FFromRate == FToRate) {
        Append(FMixed.data(), Frames, Out);
        return;
    }
    if (!FResampler) StartResampler();
    Resample(FMixed.data(), Frames, Out);
}

void TLinkConverter::Finish(std::vector<uint8_t>& Out) {
    if (FResampler) Resample(nullptr, 0, Out);
    const int64_t Silence = std::max<int64_t>(FRemaining - FSkip, 0);
    Out.insert(Out.end(), size_t(Silence) * size_t(FToChannels) * 2, uint8_t(0));
    FRemaining = FSkip = 0;
}

void TLinkConverter::Resample(const float* In, size_t Frames, std::vector<uint8_t>& Out) {
    const size_t Capacity = size_t(std::ceil(double(Frames) * FRatio)) + 1024;
    FResampled.resize(Capacity * size_t(FToChannels));
    size_t Used = 0;
    for (;;) {
        size_t Taken = 0, Produced = 0;
        const float* Next = In ? In + Used * size_t(FToChannels) : nullptr;
        soxr_error_t Error = SoxrLibrary()->soxr_process(FResampler.get(), Next, Frames - Used, &Taken,
                                                         FResampled.data(), Capacity, &Produced);
        if (Error) throw EACSException(std::string("The resampler failed: ") + Error + ".");
        Append(FResampled.data(), Produced, Out);
        Used += Taken;
        // A full output buffer may leave more behind; at the end of the input the resampler is
        // drained until it gives nothing more.
        if (Used >= Frames && (In ? Produced < Capacity : Produced == 0)) break;
        if (Taken == 0 && Produced == 0) break;
    }
}

void TLinkConverter::Append(const float* Samples, size_t Frames, std::vector<uint8_t>& Out) {
    const size_t Skipped = std::min<size_t>(Frames, size_t(FSkip));
    FSkip -= int64_t(Skipped);
    FRemaining -= int64_t(Skipped);
    Samples += Skipped * size_t(FToChannels);
    Frames -= Skipped;
    const size_t Kept = std::min<size_t>(Frames, size_t(std::max<int64_t>(FRemaining, 0)));
    FRemaining -= int64_t(Kept);
    const size_t Count = Kept * size_t(FToChannels);
    const size_t Start = Out.size();
    Out.resize(Start + Count * 2);
    FValues.resize(Count);
    for (size_t I = 0; I < Count; ++I)
        FValues[I] = int32_t(std::clamp(std::lrint(double(Samples[I]) * 32768.0), -32768L, 32767L));
    PackPcm(FValues.data(), 16, Count, Out.data() + Start);
}

} // namespace deraz
