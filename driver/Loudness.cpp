#include "driver/Loudness.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include <ebur128.h>

#include "codecs/FormatTable.h"
#include "driver/FileNames.h"
#include "driver/ReplayGainTags.h"
#include "pipeline/PcmSamples.h"

namespace deraz {

struct TLoudnessState {
    ebur128_state* Meter;
    ~TLoudnessState() { ebur128_destroy(&Meter); }
};

namespace {

constexpr double ReferenceLoudness = -18.0;
constexpr size_t ReadSize = 64 * 1024;

std::shared_ptr<TLoudnessState> NewMeter(int32_t Channels, int32_t SampleRate) {
    if (Channels <= 0 || SampleRate <= 0) return nullptr;
    ebur128_state* Meter =
        ebur128_init(unsigned(Channels), unsigned(SampleRate), EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    if (!Meter) return nullptr;
    return std::make_shared<TLoudnessState>(Meter);
}

// The highest true peak of any channel.
double TruePeak(ebur128_state* Meter) {
    double Peak = 0;
    for (unsigned Channel = 0; Channel < Meter->channels; ++Channel) {
        double ChannelPeak = 0;
        if (ebur128_true_peak(Meter, Channel, &ChannelPeak) == EBUR128_SUCCESS)
            Peak = std::max(Peak, ChannelPeak);
    }
    return Peak;
}

std::string JoinedText(const std::string& First, const std::string& Second) {
    return First.empty() ? Second : First + " " + Second;
}

// Lossy outputs are the ones whose levels are bit rates.
bool IsLossy(const std::string& Ext) {
    int32_t DestExt = FindOutputFormat(Ext);
    const TOutputFormat* Entry = OutputEntry(DestExt);
    return Entry && !Entry->LevelKbps.empty();
}

} // namespace

double ReplayGainOf(double Loudness) {
    return ReferenceLoudness - Loudness;
}

double AlbumLoudness(const std::vector<const TTrackLoudness*>& Tracks) {
    std::vector<ebur128_state*> States;
    for (const auto* Track : Tracks)
        if (Track->State) States.push_back(Track->State->Meter);
    double Loudness = -std::numeric_limits<double>::infinity();
    if (States.empty() ||
        ebur128_loudness_global_multiple(States.data(), States.size(), &Loudness) != EBUR128_SUCCESS)
        return -std::numeric_limits<double>::infinity();
    return Loudness;
}

double SafeGain(double Loudness, double Peak) {
    double Gain = ReplayGainOf(Loudness);
    if (Peak > 0) Gain = std::min(Gain, -20 * std::log10(Peak));
    return Gain;
}

TLoudnessMeter::~TLoudnessMeter() = default;

int32_t TLoudnessMeter::BitsPerSample() {
    return Input() ? Input()->BitsPerSample() : 0;
}

int32_t TLoudnessMeter::Channels() {
    return Input() ? Input()->Channels() : 0;
}

int32_t TLoudnessMeter::SampleRate() {
    return Input() ? Input()->SampleRate() : 0;
}

int32_t TLoudnessMeter::TotalTime() {
    return Input() ? Input()->TotalTime() : 0;
}

int32_t TLoudnessMeter::FrameBytes() {
    return std::max(1, PcmBytes(BitsPerSample()) * Channels());
}

void TLoudnessMeter::Init() {
    TACSInput* Source = Input();
    if (!Source) throw EACSException("Input is not assigned");
    Source->Init();
    FMeter = NewMeter(Source->Channels(), Source->SampleRate());
    FFrames = 0;
    FScale = 1.0;
    FAhead = false;
    FNote.clear();
    FRaw.clear();
    FReady.clear();
    FReadyAt = 0;
    FSize = Source->Size();
    FPosition = 0;
    FBusy = true;
}

void TLoudnessMeter::Flush() {
    if (TACSInput* Source = Input()) Source->Flush();
    FRaw.clear();
    FReady.clear();
    FReadyAt = 0;
    FBusy = false;
}

void TLoudnessMeter::Process(TLoudnessState* Meter, bool Scale) {
    const int32_t Bits = BitsPerSample();
    const size_t Frame = size_t(FrameBytes());
    const size_t Whole = FRaw.size() / Frame * Frame;
    const size_t Samples = Whole / size_t(PcmBytes(Bits));
    if (Scale && FScale != 1.0) {
        const double Limit = std::ldexp(1.0, Bits - 1);
        FInts.resize(Samples);
        UnpackPcm(FRaw.data(), Bits, Samples, FInts.data());
        for (auto& Sample : FInts)
            Sample = int32_t(std::clamp(std::lround(Sample * FScale), long(-Limit), long(Limit - 1)));
        PackPcm(FInts.data(), Bits, Samples, FRaw.data());
    }
    if (Meter) {
        FFloats.resize(Samples);
        UnpackPcmToFloat(FRaw.data(), Bits, Samples, FFloats.data());
        ebur128_add_frames_float(Meter->Meter, FFloats.data(), Whole / Frame);
    }
    if (Scale) {
        FFrames += int64_t(Whole / Frame);
        FReady.assign(FRaw.begin(), FRaw.begin() + std::ptrdiff_t(Whole));
        FReadyAt = 0;
    }
    FRaw.erase(FRaw.begin(), FRaw.begin() + std::ptrdiff_t(Whole));
}

void TLoudnessMeter::MeasureAhead() {
    FAhead = true;
    TACSInput* Source = Input();
    auto Ahead = NewMeter(Source->Channels(), Source->SampleRate());
    if (!Ahead) return;
    FRaw.clear();
    for (;;) {
        size_t Had = FRaw.size();
        FRaw.resize(Had + ReadSize);
        int32_t Count = Source->GetData(FRaw.data() + Had, int32_t(ReadSize));
        FRaw.resize(Had + size_t(std::max(Count, 0)));
        if (Count <= 0) break;
        Process(Ahead.get(), false);
    }
    FRaw.clear();
    Source->Flush();
    Source->Init();
    FSize = Source->Size();
    double Peak = TruePeak(Ahead->Meter);
    double Loudness = 0;
    if (ebur128_loudness_global(Ahead->Meter, &Loudness) != EBUR128_SUCCESS || !std::isfinite(Loudness))
        return;
    double Gain = SafeGain(Loudness, Peak);
    FScale = std::pow(10.0, Gain / 20);
    FNote = "Gain of " + GainText(Gain) + " applied to the audio";
    FNote += Gain < ReplayGainOf(Loudness) ? ", lowered from " + GainText(ReplayGainOf(Loudness)) +
                                                 " so that the peak stays at full scale."
                                           : ".";
}

int32_t TLoudnessMeter::GetData(void* Buffer, int32_t BufferSize) {
    TACSInput* Source = Input();
    if (!Source || !FBusy) throw EACSException("The Stream is not opened");
    if (FApplyTrackGain && !FAhead) MeasureAhead();
    while (FReadyAt == FReady.size()) {
        size_t Had = FRaw.size();
        size_t Wanted = std::max<size_t>(size_t(std::max(BufferSize, 0)), size_t(FrameBytes()));
        FRaw.resize(Had + Wanted);
        InputLock.Lock();
        int32_t Count = Source->GetData(FRaw.data() + Had, int32_t(Wanted));
        InputLock.Unlock();
        FRaw.resize(Had + size_t(std::max(Count, 0)));
        FSize = Source->Size();
        if (Count <= 0) {
            // A partial frame at the end goes on as it came.
            FReady.swap(FRaw);
            FRaw.clear();
            FReadyAt = 0;
            if (FReady.empty()) return 0;
            break;
        }
        Process(FMeter.get(), true);
    }
    size_t Count = std::min(FReady.size() - FReadyAt, size_t(std::max(BufferSize, 0)));
    std::memcpy(Buffer, FReady.data() + FReadyAt, Count);
    FReadyAt += Count;
    FPosition += int64_t(Count);
    return int32_t(Count);
}

std::shared_ptr<TTrackLoudness> TLoudnessMeter::Measurement() const {
    auto Track = std::make_shared<TTrackLoudness>();
    Track->State = FMeter;
    if (!FMeter) {
        Track->Problem = "the loudness of this audio cannot be measured.";
        return Track;
    }
    Track->Peak = TruePeak(FMeter->Meter);
    Track->Note = FNote;
    if (FFrames * 10 < int64_t(FMeter->Meter->samplerate) * 4)
        Track->Problem = "the audio is shorter than 400 ms.";
    else if (ebur128_loudness_global(FMeter->Meter, &Track->Loudness) != EBUR128_SUCCESS)
        Track->Problem = "the loudness could not be measured.";
    else if (!std::isfinite(Track->Loudness))
        Track->Problem = "the audio is silent.";
    return Track;
}

std::shared_ptr<const TTrackLoudness> WriteTrackGain(const TLoudnessMeter& Meter, const std::string& FileName,
                                                     const std::string& Ext) {
    auto Track = Meter.Measurement();
    if (!Track->Problem.empty()) Track->Note = JoinedText(Track->Note, "No ReplayGain: " + Track->Problem);
    if (!Meter.WriteTags()) return Track;
    std::optional<TGainValues> Values;
    if (Track->Problem.empty()) Values = TGainValues{ReplayGainOf(Track->Loudness), Track->Peak};
    try {
        WriteGainFields(FileName, Ext, TrackGainFields(Values));
    } catch (const std::exception&) {
        Track->Problem = "its tags could not be written.";
        Track->Note = JoinedText(Track->Note, "No ReplayGain: " + Track->Problem);
    }
    return Track;
}

std::string GainNote(const std::shared_ptr<const TTrackLoudness>& Track) {
    return Track ? Track->Note : std::string();
}

TLoudnessMeter* ConnectMeter(std::unique_ptr<TLoudnessMeter>& Meter, const TOutputChoice& Choice,
                             const std::string& OutputExt, TACSInput* Source, TACSOutput& Sink) {
    std::string Ext = LowerCase(OutputExt);
    bool Tags = Choice.ReplayGain != gmOff && HasGainTagForm(Ext);
    // Only a track's own gain can be applied while it converts.
    bool Apply = Choice.ApplyGain == gmTrack && IsLossy(Ext);
    if (!Tags && !Apply) {
        Sink.SetInput(Source);
        return nullptr;
    }
    if (!Meter) Meter = std::make_unique<TLoudnessMeter>();
    Meter->SetApplyTrackGain(Apply);
    Meter->SetWriteTags(Tags);
    Meter->SetInput(Source);
    Sink.SetInput(Meter.get());
    return Meter.get();
}

} // namespace deraz
