// The conversion driver: converts a batch of media bin entries one after another, each through
// the source its input extension names and the sink its output extension names.
//
// The sinks run on their own worker threads and report there; the driver hands every report to
// its own thread (the one that calls ProcessEvents), where it moves the queue on and raises its
// events. A conversion ends with the sink's OnDone or OnThreadException, and only then does the
// next entry start, on a sink that has finished.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/EntryQueue.h"
#include "driver/OutputFormats.h"
#include "driver/PipelineTable.h"

namespace deraz {

struct TTrackLoudness;
class TLoudnessMeter;
class TAlbumGainsToApply;

enum TEntryOutcome : uint8_t {
    eoConverted = 0,  // the output file is complete
    eoFailed = 1,     // an error; no output file was left behind
    eoSkipped = 2,    // no pipeline for this pair; nothing was written
    eoStopped = 3,    // stopped by Abort; no output file was left behind
    eoNotStarted = 4, // the batch was aborted before this entry
    eoUpToDate = 5,   // only changed files convert, and its output is not older than its input
};

struct TEntryResult {
    int32_t Index = 0;
    std::string InputName;
    TEntryOutcome Outcome = eoConverted;
    // Why, for every outcome but eoConverted; for eoConverted, what the user should know about
    // the output ("Written at 48000 Hz."), empty when nothing. Always one line.
    std::string Message;
    // A converted entry's measured loudness, when ReplayGain was asked for.
    std::shared_ptr<const TTrackLoudness> Loudness = nullptr;
    // A converted entry whose input was copied as it is, not converted.
    bool Copied = false;
};

struct TBatchSummary {
    int32_t Count = 0;     // entries this driver handled
    int32_t Converted = 0; // converted entries that were not copied
    int32_t Copied = 0;
    int32_t UpToDate = 0;
    int32_t Retagged = 0; // outputs whose tags alone were brought up to date
    int32_t Removed = 0;  // outputs removed because their source has gone
    bool Aborted = false;
    std::vector<TEntryResult> Problems; // every entry neither converted nor up to date, in order
    std::vector<TEntryResult> Notes;    // every converted entry with a message, in order
};

// "3 converted, 1 up to date, 0 failed, 2 skipped", with the entries copied ("3 converted,
// 2 copied, ..."), stopped and not started when there are any.
std::string SummaryCounts(const TBatchSummary& Summary);
// "Convertion completed!", a line with the summary's counts and a line per entry in Problems and
// Notes, in the order of the entries.
std::string CompletionMessage(const TBatchSummary& Summary);
// Adds one driver's summary to another (the batch of several drivers).
void AddSummary(TBatchSummary& Total, const TBatchSummary& Part);
// Puts results in the order of their entries.
void SortByEntry(std::vector<TEntryResult>& Results);
// "failed", "skipped", ... for an outcome.
const char* OutcomeText(TEntryOutcome Outcome);

// An entry that has no pipeline: it is skipped, not failed.
class EEntrySkipped : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An entry whose output is up to date while only changed files convert: nothing to do.
class EEntryUpToDate : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An entry whose input was copied into its output, tags written and committed: nothing to run.
class EEntryCopied : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TDeviceFilters;

class TConvDriver {
public:
    // ReadOutputChoice gives the stored format and level at the moment an entry starts.
    TConvDriver(TPipelineTable& Pipelines, std::function<TOutputChoice()> ReadOutputChoice);
    // Stops a running conversion, without output, and waits until its sink has finished.
    ~TConvDriver();
    TConvDriver(const TConvDriver&) = delete;
    TConvDriver& operator=(const TConvDriver&) = delete;

    // The desktop batch leaves WAV to WAV alone; the command line converts it (IMA ADPCM to PCM).
    bool AllowWavToWav() const { return FAllowWavToWav; }
    void SetAllowWavToWav(bool Value) { FAllowWavToWav = Value; }
    // Only files that are new or changed convert: an entry whose output exists and is not older
    // than its input is up to date, found from the two files' times alone.
    bool UpdateOnly() const { return FUpdateOnly; }
    void SetUpdateOnly(bool Value) { FUpdateOnly = Value; }
    // The album gains applied to lossy outputs' audio, shared by a batch's drivers; null for none.
    void SetAlbumGains(std::shared_ptr<TAlbumGainsToApply> Value) { FAlbumGains = std::move(Value); }

    // Starts a batch over Queue, which other drivers may share, and starts its first entry at
    // once. Raises "No files added to media bin!" for an empty queue.
    void Start(std::shared_ptr<TEntryQueue> Queue);
    // Stops the running conversion (its partial output is removed, an older file of that name
    // stays) and starts nothing more; the batch ends when that sink has finished.
    void Abort();
    bool Running() const { return FQueue != nullptr; }

    // Handles what the workers reported, on the calling thread.
    void ProcessEvents();
    // Waits until a worker reports or Timeout has passed, then handles what came.
    void WaitForEvents(std::chrono::milliseconds Timeout);
    // Waits and handles reports until the batch has ended.
    void RunToEnd();

    // Sets up and starts the conversion of one file, making its output's folder when missing.
    // Raises EEntrySkipped for a pair without a pipeline, EEntryUpToDate for an output that is up
    // to date, EEntryCopied for an input copied as it is, and another exception when the entry
    // cannot start.
    void ConvertEntry(const std::string& InputName, const std::string& OutputName);

    // Index of the next entry to hand out; 0 between batches.
    int32_t QueueIndex() const { return FQueue ? FQueue->Taken() : 0; }
    // Code of the sink running the current entry (TSinkCode).
    int32_t ActiveSink() const { return FActiveSink; }
    // "Converting: 2 out of 5", with " Done!" once the batch has ended.
    const std::string& Caption() const { return FCaption; }

    // Events, all raised on the driver's thread.
    std::function<void(TConvDriver* Sender, int32_t Index, const TMediaEntry& Entry)> OnEntryStarted;
    std::function<void(TConvDriver* Sender, int32_t Percent)> OnProgress; // 0..100
    std::function<void(TConvDriver* Sender, const TEntryResult& Result)> OnEntryFinished;
    std::function<void(TConvDriver* Sender, const std::string& Caption)> OnCaption;
    std::function<void(TConvDriver* Sender, const TBatchSummary& Summary)> OnBatchEnd;
    // Raised on a worker thread whenever a report is queued, so that a front-end can wake its own
    // thread to call ProcessEvents.
    std::function<void()> OnEventPosted;

private:
    enum TEventKind : uint8_t { ekProgress, ekDone, ekException };
    struct TEvent {
        TEventKind Kind;
        TACSOutput* Sender;
        int32_t Percent;
        std::string Message;
    };
    // Where the workers queue their reports. The sinks' handlers share it, so a worker that is
    // still leaving a handler when the driver goes never touches the driver itself.
    struct TChannel {
        std::mutex Mutex;
        std::condition_variable Posted;
        std::deque<TEvent> Events;
        TConvDriver* Owner = nullptr; // null once the driver is gone: reports are dropped
    };
    static void Post(TChannel& Channel, TEvent Event);

    void Handle(const TEvent& Event);
    // Starts entries until one runs; ends the batch when none is left.
    void StartNext();
    void RecordResult(TEntryOutcome Outcome, std::string Message, bool Copied = false);
    // Records the current entry as stopped when Abort cut it short; false when it was not.
    bool RecordedAsStopped();
    // Copies an input that needs no change into its output, with tags as Choice says.
    void CopyEntry(const std::string& InputName, const std::string& OutputName, const TOutputChoice& Choice);
    // Copies the cover pictures of a converted or up-to-date entry, once per pair of folders.
    void BringCovers(const TMediaEntry& Entry);
    void EndBatch();
    void SetCaption(std::string Caption);
    void ReportProgress(int32_t Percent);

    TPipelineTable& FPipelines;
    std::function<TOutputChoice()> FReadOutputChoice;
    bool FAllowWavToWav = false;
    bool FUpdateOnly = false;
    std::shared_ptr<TAlbumGainsToApply> FAlbumGains;

    std::shared_ptr<TEntryQueue> FQueue;
    TBatchSummary FSummary;
    std::set<std::pair<std::string, std::string>> FCoverFolders; // (from, to) handled this batch
    bool FAborting = false;
    int32_t FCurrentIndex = -1; // the entry whose conversion runs, -1 when none
    TACSFileOut* FCurrentSink = nullptr;
    TACSFileIn* FCurrentSource = nullptr;
    std::string FTemporaryName; // where the running conversion writes
    std::string FFinalName;     // where its output goes once complete
    std::string FTagSource;     // the input whose tags its output gets; empty: no tags
    std::string FSourceNote;    // what its source had to say about the input
    std::string FPlanNote;      // what was done to the entry besides converting it (limits, tags)
    int32_t FActiveSink = scWaveOut;
    std::unique_ptr<TDeviceFilters> FFilters;
    std::unique_ptr<TLoudnessMeter> FMeter;
    TLoudnessMeter* FActiveMeter = nullptr;          // the running conversion's meter, or null
    std::shared_ptr<const TTrackLoudness> FLoudness; // its measurement, for its result
    std::string FCaption;

    std::shared_ptr<TChannel> FChannel = std::make_shared<TChannel>();
};

} // namespace deraz
