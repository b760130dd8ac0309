// Loudness of the PCM on its way from a source to a sink, measured with libebur128 as the sink
// pulls it (integrated loudness and true peak), and optionally a gain applied to that PCM.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/OutputFormats.h"
#include "pipeline/ACS_Classes.h"

namespace deraz {

// libebur128's state of one measurement.
struct TLoudnessState;
// The meters of one track.
struct TTrackMeter;

// What one converted track measured. Loudness and Peak are meaningful only when Problem is empty.
struct TTrackLoudness {
    double Loudness = 0; // integrated loudness, LUFS
    double Peak = 0;     // true peak, full scale 1.0
    std::string Problem; // why the track has no gain ("the audio is silent."); empty when it has
    std::string Note;    // what the user should know: the gain applied, why there is no gain
    // The meter's state, so that an album's loudness comes from its tracks without a second decode.
    std::shared_ptr<TLoudnessState> State;
};

// ReplayGain 2.0: the gain that brings Loudness to -18 LUFS.
double ReplayGainOf(double Loudness);
// The integrated loudness of several tracks together; -infinity when they are all silent.
double AlbumLoudness(const std::vector<const TTrackLoudness*>& Tracks);
// Gain, in dB, that brings Loudness to the reference, lowered so that Peak stays at or below full
// scale.
double SafeGain(double Loudness, double Peak);

// A gain applied to a track's audio, in dB, and the note that tells of it.
struct TAppliedGain {
    double Gain = 0;
    std::string Note;
};
// The gain that brings Loudness to the reference, lowered so that Peak stays at or below full
// scale, for a track or for its album.
TAppliedGain GainToApply(double Loudness, double Peak, bool Album);

// A pass-through source: delivers its input's PCM unchanged (or scaled by the applied gain) and
// measures what it delivers.
class TLoudnessMeter : public TACSConverter {
public:
    using TACSConverter::TACSConverter;
    ~TLoudnessMeter() override;

    // Apply the track's own gain: the input is read once through to measure it before the PCM is
    // delivered, scaled by the gain that SafeGain gives.
    bool ApplyTrackGain() const { return FApplyTrackGain; }
    void SetApplyTrackGain(bool Value) { FApplyTrackGain = Value; }
    // Apply the gain this gives instead (an album's), asked for when the PCM is first read; empty
    // for none.
    void SetGivenGain(std::function<TAppliedGain()> Gain) { FGivenGain = std::move(Gain); }
    // Whether the track's values go into its output's tags.
    bool WriteTags() const { return FWriteTags; }
    void SetWriteTags(bool Value) { FWriteTags = Value; }

    int32_t BitsPerSample() override;
    int32_t Channels() override;
    int32_t SampleRate() override;
    int32_t TotalTime() override;
    int32_t GetData(void* Buffer, int32_t BufferSize) override;
    void Init() override;
    void Flush() override;

    // The measurement of what was delivered since Init.
    std::shared_ptr<TTrackLoudness> Measurement() const;
    // What the user should know about the gain applied ("Gain of -6.52 dB applied."); empty when
    // none was.
    const std::string& Note() const { return FNote; }

private:
    // Reads the input through, measuring it, and sets the gain to apply; then restarts the input.
    void MeasureAhead();
    // Feeds the whole frames read and not processed yet to the meter (scaled first when a gain
    // applies) and makes them ready; a partial frame stays unprocessed.
    void Process(TTrackMeter* Meter, bool Scale);
    // Drops what is processed, moving the unprocessed bytes to the front of FRaw.
    void DropProcessed();
    // Reads up to Wanted bytes from the input after the unprocessed ones; the count read.
    int32_t ReadMore(size_t Wanted);
    int32_t FrameBytes();

    // Sets the gain to apply.
    void Apply(const TAppliedGain& Gain);

    bool FApplyTrackGain = false;
    std::function<TAppliedGain()> FGivenGain;
    bool FWriteTags = false;
    std::unique_ptr<TTrackMeter> FMeter;
    std::string FMeterProblem;
    int64_t FFrames = 0;
    double FScale = 1.0;
    bool FAhead = false; // the gain to apply is known for this conversion
    std::string FNote;
    // Bytes read from the input: [0, FReadyEnd) processed, of which [FReadyAt, FReadyEnd) not
    // delivered yet, then [FReadyEnd, FRawEnd) not processed yet. The buffer only grows, so that
    // reading needs no clearing.
    std::vector<uint8_t> FRaw;
    size_t FReadyAt = 0;
    size_t FReadyEnd = 0;
    size_t FRawEnd = 0;
    std::vector<float> FFloats;
    std::vector<int32_t> FInts;
};

// Places a meter between Source and Sink when Choice asks for ReplayGain tags of an output of
// type OutputExt or for a gain applied; otherwise connects them directly. AlbumGain gives the
// album's gain when Choice applies it. Returns the meter in use, or null.
TLoudnessMeter* ConnectMeter(std::unique_ptr<TLoudnessMeter>& Meter, const TOutputChoice& Choice,
                             const std::string& OutputExt, TACSInput* Source, TACSOutput& Sink,
                             std::function<TAppliedGain()> AlbumGain = {});
// Reads InputName through a source of its format and a meter, with no sink: its measurement, or
// a Problem saying why there is none.
std::shared_ptr<TTrackLoudness> MeasureFile(const std::string& InputName);

// After a conversion through Meter: its measurement, with the track's values written into
// FileName (of type Ext) when the meter writes tags. No gain (silence, a short file, a failed
// write) is a note, never an error.
std::shared_ptr<const TTrackLoudness> WriteTrackGain(const TLoudnessMeter& Meter, const std::string& FileName,
                                                     const std::string& Ext);
// The note of a measurement; empty for none.
std::string GainNote(const std::shared_ptr<const TTrackLoudness>& Track);

} // namespace deraz
