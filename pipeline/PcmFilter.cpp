#include "pipeline/PcmFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "pipeline/PcmSamples.h"

namespace deraz {

namespace {

constexpr size_t ReadFrames = 8192;

} // namespace

int32_t TPcmFilter::BitsPerSample() {
    if (FOutputBits > 0) return FOutputBits;
    return Input() ? Input()->BitsPerSample() : 0;
}

int32_t TPcmFilter::Channels() {
    return Input() ? OutputChannels(Input()->Channels()) : 0;
}

int32_t TPcmFilter::SampleRate() {
    return Input() ? OutputRate(Input()->SampleRate()) : 0;
}

int32_t TPcmFilter::TotalTime() {
    return Input() ? Input()->TotalTime() : 0;
}

int32_t TPcmFilter::InputFrameBytes() {
    return std::max(1, PcmBytes(Input()->BitsPerSample()) * Input()->Channels());
}

int64_t TPcmFilter::EstimatedSize() {
    const int64_t InputSize = Input()->Size();
    if (InputSize < 0) return -1;
    return OutputFrames(InputSize / InputFrameBytes()) * PcmBytes(BitsPerSample()) * Channels();
}

void TPcmFilter::Init() {
    TACSInput* Source = Input();
    if (!Source) throw EACSException("Input is not assigned");
    Source->Init();
    Start(Source->Channels(), Source->SampleRate());
    FEnded = false;
    FRaw.clear();
    FReady.clear();
    FReadyAt = 0;
    FSize = EstimatedSize();
    FPosition = 0;
    FBusy = true;
}

void TPcmFilter::Flush() {
    if (TACSInput* Source = Input()) Source->Flush();
    FRaw.clear();
    FReady.clear();
    FReadyAt = 0;
    FBusy = false;
}

void TPcmFilter::Refill() {
    TACSInput* Source = Input();
    const int32_t InBits = Source->BitsPerSample();
    const size_t Frame = size_t(InputFrameBytes());
    const size_t Had = FRaw.size();
    FRaw.resize(Had + ReadFrames * Frame);
    InputLock.Lock();
    const int32_t Count = Source->GetData(FRaw.data() + Had, int32_t(ReadFrames * Frame));
    InputLock.Unlock();
    FRaw.resize(Had + size_t(std::max(Count, 0)));
    FOut.clear();
    if (Count <= 0) {
        // A partial frame at the end is no audio.
        FRaw.clear();
        FEnded = true;
        Process(nullptr, 0, FOut);
    } else if (const size_t Frames = FRaw.size() / Frame; Frames > 0) {
        FIn.resize(Frames * Frame / size_t(PcmBytes(InBits)));
        UnpackPcmToFloat(FRaw.data(), InBits, FIn.size(), FIn.data());
        FRaw.erase(FRaw.begin(), FRaw.begin() + std::ptrdiff_t(Frames * Frame));
        Process(FIn.data(), Frames, FOut);
        FSize = std::max(EstimatedSize(), FPosition.load());
    }
    const int32_t Bits = BitsPerSample();
    const float Scale = std::ldexp(1.0f, Bits - 1);
    const double Highest = double(Scale) - 1;
    FInts.resize(FOut.size());
    for (size_t I = 0; I < FOut.size(); ++I)
        FInts[I] = int32_t(std::clamp(std::nearbyint(double(FOut[I]) * Scale), -double(Scale), Highest));
    FReady.resize(FInts.size() * size_t(PcmBytes(Bits)));
    PackPcm(FInts.data(), Bits, FInts.size(), FReady.data());
    FReadyAt = 0;
}

int32_t TPcmFilter::GetData(void* Buffer, int32_t BufferSize) {
    if (!Input() || !FBusy) throw EACSException("The Stream is not opened");
    while (FReadyAt == FReady.size()) {
        if (FEnded) {
            FSize = FPosition.load();
            return 0;
        }
        Refill();
    }
    const size_t Count = std::min(FReady.size() - FReadyAt, size_t(std::max(BufferSize, 0)));
    std::memcpy(Buffer, FReady.data() + FReadyAt, Count);
    FReadyAt += Count;
    FPosition += int64_t(Count);
    return int32_t(Count);
}

} // namespace deraz
