#include "driver/Loudness.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include <ebur128.h>

#include "codecs/FormatTable.h"
#include "driver/FileNames.h"
#include "driver/LoudnessPeak.h"
#include "driver/ReplayGainTags.h"
#include "pipeline/PcmSamples.h"

namespace deraz {

struct TLoudnessState {
    ebur128_state* Meter;
    explicit TLoudnessState(ebur128_state* State) : Meter(State) {}
    ~TLoudnessState() { ebur128_destroy(&Meter); }
    TLoudnessState(const TLoudnessState&) = delete;
    TLoudnessState& operator=(const TLoudnessState&) = delete;
};

// One track's measurement on its way: integrated loudness and true peak, measured apart.
struct TTrackMeter {
    std::shared_ptr<TLoudnessState> Loudness;
    TTruePeakMeter Peak;

    TTrackMeter(ebur128_state* State, int32_t Channels, int32_t SampleRate)
        : Loudness(std::make_shared<TLoudnessState>(State)), Peak(Channels, SampleRate) {}
    void Add(const float* Frames, size_t Count) {
        ebur128_add_frames_float(Loudness->Meter, Frames, Count);
        Peak.Add(Frames, Count);
    }
};

namespace {

constexpr double ReferenceLoudness = -18.0;
constexpr size_t ReadSize = 64 * 1024;

// A meter for PCM of this format, or null when libebur128 refuses it.
std::unique_ptr<TTrackMeter> NewMeter(int32_t Channels, int32_t SampleRate) {
    if (Channels <= 0 || SampleRate <= 0) return nullptr;
    ebur128_state* State = ebur128_init(unsigned(Channels), unsigned(SampleRate), EBUR128_MODE_I);
    if (!State) return nullptr;
    return std::make_unique<TTrackMeter>(State, Channels, SampleRate);
}

std::string JoinedText(const std::string& First, const std::string& Second) {
    return First.empty() ? Second : First + " " + Second;
}

// Lossy outputs are the ones whose levels are bit rates: the chosen entry's when it writes Ext
// (AAC and Apple Lossless both write .m4a), else the first entry that does.
bool IsLossy(int32_t DestExt, const std::string& Ext) {
    const TOutputFormat* Entry = OutputEntry(DestExt);
    if (!Entry || Entry->Extension != Ext) Entry = OutputEntry(FindOutputFormat(Ext));
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

TAppliedGain GainToApply(double Loudness, double Peak, bool Album) {
    TAppliedGain Applied{SafeGain(Loudness, Peak), Album ? "Album gain of " : "Gain of "};
    Applied.Note += GainText(Applied.Gain) + " applied to the audio";
    if (Applied.Gain < ReplayGainOf(Loudness))
        Applied.Note += ", lowered from " + GainText(ReplayGainOf(Loudness)) + " so that the " +
                        (Album ? "album's " : "") + "peak stays at full scale.";
    else
        Applied.Note += ".";
    return Applied;
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
    FReadyAt = FReadyEnd = FRawEnd = 0;
    FSize = Source->Size();
    FPosition = 0;
    FBusy = true;
}

void TLoudnessMeter::Flush() {
    if (TACSInput* Source = Input()) Source->Flush();
    FReadyAt = FReadyEnd = FRawEnd = 0;
    FBusy = false;
}

void TLoudnessMeter::Process(TTrackMeter* Meter, bool Scale) {
    const int32_t Bits = BitsPerSample();
    const size_t Frame = size_t(FrameBytes());
    const size_t Whole = (FRawEnd - FReadyEnd) / Frame * Frame;
    const size_t Samples = Whole / size_t(PcmBytes(Bits));
    uint8_t* Bytes = FRaw.data() + FReadyEnd;
    if (Scale && FScale != 1.0) {
        const double Limit = std::ldexp(1.0, Bits - 1);
        FInts.resize(Samples);
        UnpackPcm(Bytes, Bits, Samples, FInts.data());
        for (auto& Sample : FInts)
            Sample = int32_t(std::clamp(std::lround(Sample * FScale), long(-Limit), long(Limit - 1)));
        PackPcm(FInts.data(), Bits, Samples, Bytes);
    }
    if (Meter) {
        FFloats.resize(Samples);
        UnpackPcmToFloat(Bytes, Bits, Samples, FFloats.data());
        Meter->Add(FFloats.data(), Whole / Frame);
    }
    if (Scale) FFrames += int64_t(Whole / Frame);
    FReadyEnd += Whole;
}

void TLoudnessMeter::DropProcessed() {
    if (FRawEnd > FReadyEnd) std::memmove(FRaw.data(), FRaw.data() + FReadyEnd, FRawEnd - FReadyEnd);
    FRawEnd -= FReadyEnd;
    FReadyAt = FReadyEnd = 0;
}

int32_t TLoudnessMeter::ReadMore(size_t Wanted) {
    if (FRaw.size() < FRawEnd + Wanted) FRaw.resize(FRawEnd + Wanted);
    int32_t Count = Input()->GetData(FRaw.data() + FRawEnd, int32_t(Wanted));
    FRawEnd += size_t(std::max(Count, 0));
    return Count;
}

void TLoudnessMeter::MeasureAhead() {
    FAhead = true;
    TACSInput* Source = Input();
    auto Ahead = NewMeter(Source->Channels(), Source->SampleRate());
    if (!Ahead) return;
    FReadyAt = FReadyEnd = FRawEnd = 0;
    while (ReadMore(ReadSize) > 0) {
        Process(Ahead.get(), false);
        DropProcessed();
    }
    FReadyAt = FReadyEnd = FRawEnd = 0;
    Source->Flush();
    Source->Init();
    FSize = Source->Size();
    double Loudness = 0;
    if (ebur128_loudness_global(Ahead->Loudness->Meter, &Loudness) == EBUR128_SUCCESS &&
        std::isfinite(Loudness))
        Apply(GainToApply(Loudness, Ahead->Peak.Peak(), false));
}

void TLoudnessMeter::Apply(const TAppliedGain& Gain) {
    FAhead = true;
    FScale = std::pow(10.0, Gain.Gain / 20);
    FNote = Gain.Note;
}

int32_t TLoudnessMeter::GetData(void* Buffer, int32_t BufferSize) {
    TACSInput* Source = Input();
    if (!Source || !FBusy) throw EACSException("The Stream is not opened");
    if (!FAhead && FGivenGain)
        Apply(FGivenGain());
    else if (!FAhead && FApplyTrackGain)
        MeasureAhead();
    while (FReadyAt == FReadyEnd) {
        DropProcessed();
        InputLock.Lock();
        int32_t Count = ReadMore(std::max<size_t>(size_t(std::max(BufferSize, 0)), size_t(FrameBytes())));
        InputLock.Unlock();
        FSize = Source->Size();
        if (Count <= 0) {
            // A partial frame at the end goes on as it came.
            FReadyEnd = FRawEnd;
            if (FReadyEnd == 0) return 0;
            break;
        }
        Process(FMeter.get(), true);
    }
    size_t Count = std::min(FReadyEnd - FReadyAt, size_t(std::max(BufferSize, 0)));
    std::memcpy(Buffer, FRaw.data() + FReadyAt, Count);
    FReadyAt += Count;
    FPosition += int64_t(Count);
    return int32_t(Count);
}

std::shared_ptr<TTrackLoudness> TLoudnessMeter::Measurement() const {
    auto Track = std::make_shared<TTrackLoudness>();
    if (!FMeter) {
        Track->Problem = "the loudness of this audio cannot be measured.";
        return Track;
    }
    Track->State = FMeter->Loudness;
    ebur128_state* Meter = FMeter->Loudness->Meter;
    Track->Peak = FMeter->Peak.Peak();
    Track->Note = FNote;
    if (FFrames * 10 < int64_t(Meter->samplerate) * 4)
        Track->Problem = "the audio is shorter than 400 ms.";
    else if (ebur128_loudness_global(Meter, &Track->Loudness) != EBUR128_SUCCESS)
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
                             const std::string& OutputExt, TACSInput* Source, TACSOutput& Sink,
                             std::function<TAppliedGain()> AlbumGain) {
    std::string Ext = LowerCase(OutputExt);
    bool Tags = Choice.ReplayGain != gmOff && HasGainTagForm(Ext);
    bool Lossy = IsLossy(Choice.DestExt, Ext);
    bool ApplyTrack = Choice.ApplyGain == gmTrack && Lossy;
    bool ApplyAlbum = Choice.ApplyGain == gmAlbum && Lossy && AlbumGain;
    if (!Tags && !ApplyTrack && !ApplyAlbum) {
        Sink.SetInput(Source);
        return nullptr;
    }
    if (!Meter) Meter = std::make_unique<TLoudnessMeter>();
    Meter->SetApplyTrackGain(ApplyTrack);
    Meter->SetGivenGain(ApplyAlbum ? std::move(AlbumGain) : nullptr);
    Meter->SetWriteTags(Tags);
    Meter->SetInput(Source);
    Sink.SetInput(Meter.get());
    return Meter.get();
}

std::shared_ptr<TTrackLoudness> MeasureFile(const std::string& InputName) {
    auto Failed = [](std::string Why) {
        auto Track = std::make_shared<TTrackLoudness>();
        Track->Problem = std::move(Why);
        return Track;
    };
    const TFormat* Format = FindInputFormat(LowerCase(ExtractFileExt(InputName)));
    if (!Format) return Failed("the input cannot be decoded.");
    try {
        std::unique_ptr<TACSFileIn> Source = Format->MakeSource();
        Source->SetFileName(InputName);
        TLoudnessMeter Meter;
        Meter.SetInput(Source.get());
        Meter.Init();
        std::vector<uint8_t> Buffer(ReadSize);
        while (Meter.GetData(Buffer.data(), int32_t(Buffer.size())) > 0) {
        }
        Meter.Flush();
        if (!Source->Valid()) return Failed("the input cannot be decoded.");
        return Meter.Measurement();
    } catch (const std::exception& E) {
        std::string Why = E.what();
        return Failed(Why.substr(0, Why.find('\n')));
    }
}

} // namespace deraz
