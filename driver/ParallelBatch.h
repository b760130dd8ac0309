// A batch spread over several drivers that share one queue, each with its own components. The
// drivers are handled on a thread of the batch's own (the conversions themselves run on the
// sinks' workers), so the next entry starts as soon as a conversion ends, whatever the front end
// is doing. The front end gets the batch's events on the thread that calls ProcessEvents, in
// order: the entries started and finished, the end of the batch, and progress at most once per
// progress interval for each job, the latest percent winning.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "driver/BatchReports.h"
#include "driver/CodecSet.h"
#include "driver/ConvDriver.h"

namespace deraz {

// How every job of a batch is made.
struct TBatchSetup {
    // A missing codec library fails only the files that need it, instead of the batch's making.
    bool AllowMissingLibraries = false;
    // WAV inputs convert to WAV outputs (see TConvDriver::SetAllowWavToWav).
    bool AllowWavToWav = false;
    // Called with each job's components when they are made, e.g. for the WAV writer's options.
    std::function<void(TCodecSet& Codecs)> SetUpCodecs;
};

class TParallelBatch {
public:
    // Makes the components of one job; raises "<library> library could not be loaded." when a
    // codec library is missing, unless Setup allows it.
    explicit TParallelBatch(std::function<TOutputChoice()> ReadOutputChoice, TBatchSetup Setup = {});
    // Clears the events, stops what runs and waits until every sink has finished.
    ~TParallelBatch();
    TParallelBatch(const TParallelBatch&) = delete;
    TParallelBatch& operator=(const TParallelBatch&) = delete;

    // How many files convert at once in the next batch (at least 1). The components of a further
    // job are made when a batch first needs them, and kept.
    int32_t Jobs() const { return FJobs; }
    void SetJobs(int32_t Count);
    // Whether the next batch converts only entries whose output is missing or older than the input.
    void SetUpdateOnly(bool Value) { FUpdateOnly = Value; }
    // The shortest time between two progress events of one job in the next batch.
    void SetProgressInterval(std::chrono::milliseconds Interval) { FProgressInterval = Interval; }

    // Starts up to Jobs() conversions at once, and raises the events of what ended inside (a batch
    // whose every entry is skipped has ended when Start returns). Raises "No files added to media
    // bin!" for an empty batch, and the library message when a job's components cannot be made.
    void Start(std::vector<TMediaEntry> Entries);
    // Stops every running conversion, without output, and starts nothing more. Any thread but the
    // one of OnEventPosted.
    void Abort();
    // From Start until OnBatchEnd has been raised.
    bool Running() const { return FRunning; }

    // Raises the events that came since the last call, on the calling thread.
    void ProcessEvents();
    // Waits until an event comes or Timeout has passed, then raises what came.
    void WaitForEvents(std::chrono::milliseconds Timeout);
    void RunToEnd();

    // Entries of the current or last batch.
    int32_t Count() const { return FCount; }
    int32_t Finished() const { return FFinished; }
    // The entry started last, -1 before the first.
    int32_t LastStarted() const { return FLastStarted; }
    // The job (0..Jobs()-1) that took entry Index, -1 for one not started yet.
    int32_t EntryJob(int32_t Index) const;
    // "Converting: K out of N" for the entry started last, with " Done!" once the batch ended.
    const std::string& Caption() const { return FCaption; }

    std::function<void(TParallelBatch* Sender, int32_t Index, const TMediaEntry& Entry)> OnEntryStarted;
    // Percent (0..100) of the entry started last.
    std::function<void(TParallelBatch* Sender, int32_t Percent)> OnProgress;
    // Percent (0..100) of entry Index, converted by Job (0..Jobs()-1).
    std::function<void(TParallelBatch* Sender, int32_t Job, int32_t Index, int32_t Percent)> OnEntryProgress;
    std::function<void(TParallelBatch* Sender, const TEntryResult& Result)> OnEntryFinished;
    std::function<void(TParallelBatch* Sender, const std::string& Caption)> OnCaption;
    std::function<void(TParallelBatch* Sender, const TBatchSummary& Summary)> OnBatchEnd;
    // Raised on another thread whenever events wait, so that a front end can wake its thread to
    // call ProcessEvents; set it before the first Start. It must not call back into the batch.
    std::function<void()> OnEventPosted;

private:
    struct TJob {
        TCodecSet Codecs;
        TConvDriver Driver;
        TProgressGate Gate; // the progress of this job's entry on its way to the front end
        TJob(std::function<TOutputChoice()> ReadOutputChoice, const TBatchSetup& Setup);
    };
    void AddJob();
    // The batch's thread: handles the drivers whenever a worker reports.
    void HandleDrivers();
    // Hands the progress that waited for its turn to the front end; returns when more is due.
    TProgressGate::TClock::time_point PassDueProgress();
    void Deliver(TBatchReport& Report);
    void SetCaption(std::string Caption);

    std::function<TOutputChoice()> FReadOutputChoice;
    TBatchSetup FSetup;
    int32_t FJobs = 1;
    bool FUpdateOnly = false;
    std::chrono::milliseconds FProgressInterval{40};

    // Declared before the jobs, so a worker that reports while its job goes finds them.
    std::mutex FWakeMutex;
    std::condition_variable FWake;
    bool FPosted = false;   // a driver has reports waiting
    bool FStopping = false; // the batch's thread is to end
    TBatchReports FReports; // what waits for the front end

    // The drivers and what the batch's thread keeps about them, under FDriverMutex.
    std::mutex FDriverMutex;
    std::vector<std::unique_ptr<TJob>> FJobList;
    int32_t FDriversRunning = 0;
    TBatchSummary FSummary;
    std::chrono::milliseconds FGateInterval{40};

    // The front end's view, on its thread.
    bool FRunning = false;
    int32_t FCount = 0;
    int32_t FFinished = 0;
    int32_t FLastStarted = -1;
    std::vector<int32_t> FEntryJobs;
    std::string FCaption;

    std::thread FThread; // started last, joined first
};

} // namespace deraz
