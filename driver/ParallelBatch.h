// A batch spread over several drivers that share one queue, each with its own components. Every
// driver is handled on the thread that calls ProcessEvents (the conversions themselves run on the
// sinks' workers), so the batch's events arrive there, in order, as one driver's would.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "driver/CodecSet.h"
#include "driver/ConvDriver.h"

namespace deraz {

class TParallelBatch {
public:
    // Makes the components of one job; raises "<library> library could not be loaded." when a
    // codec library is missing.
    explicit TParallelBatch(std::function<TOutputChoice()> ReadOutputChoice);
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

    // Starts up to Jobs() conversions at once. Raises "No files added to media bin!" for an empty
    // batch, and the library message when a job's components cannot be made.
    void Start(std::vector<TMediaEntry> Entries);
    // Stops every running conversion, without output, and starts nothing more.
    void Abort();
    bool Running() const { return FRunning > 0; }

    void ProcessEvents();
    // Waits until a worker reports or Timeout has passed, then handles what came.
    void WaitForEvents(std::chrono::milliseconds Timeout);
    void RunToEnd();

    // Entries of the current or last batch.
    int32_t Count() const { return FCount; }
    int32_t Finished() const { return FFinished; }
    // The entry started last, -1 before the first.
    int32_t LastStarted() const { return FLastStarted; }
    // "Converting: K out of N" for the entry started last, with " Done!" once the batch ended.
    const std::string& Caption() const { return FCaption; }

    std::function<void(TParallelBatch* Sender, int32_t Index, const TMediaEntry& Entry)> OnEntryStarted;
    // Percent (0..100) of the entry started last.
    std::function<void(TParallelBatch* Sender, int32_t Percent)> OnProgress;
    std::function<void(TParallelBatch* Sender, const TEntryResult& Result)> OnEntryFinished;
    std::function<void(TParallelBatch* Sender, const std::string& Caption)> OnCaption;
    std::function<void(TParallelBatch* Sender, const TBatchSummary& Summary)> OnBatchEnd;
    // Raised on a worker thread whenever a report waits, so that a front-end can wake its thread;
    // set it before the first Start. It must not call back into the batch.
    std::function<void()> OnEventPosted;

private:
    struct TJob {
        TCodecSet Codecs;
        TConvDriver Driver;
        explicit TJob(std::function<TOutputChoice()> ReadOutputChoice)
            : Driver(Codecs.Pipelines(), std::move(ReadOutputChoice)) {}
    };
    void AddJob();
    void DriverEnded(const TBatchSummary& Summary);
    void SetCaption(std::string Caption);

    // Declared before the jobs, so a worker that reports while its job goes finds them.
    std::mutex FWakeMutex;
    std::condition_variable FWake;
    bool FPosted = false;

    std::function<TOutputChoice()> FReadOutputChoice;
    int32_t FJobs = 1;
    bool FUpdateOnly = false;
    std::vector<std::unique_ptr<TJob>> FJobList;
    std::shared_ptr<TEntryQueue> FQueue;
    int32_t FRunning = 0;
    int32_t FFinished = 0;
    int32_t FLastStarted = -1;
    TConvDriver* FLastDriver = nullptr; // the driver of the entry started last
    TBatchSummary FSummary;
    std::string FCaption;
    int32_t FCount = 0;
};

} // namespace deraz
