#include "driver/ParallelBatch.h"

#include <algorithm>
#include <stdexcept>

namespace deraz {

TParallelBatch::TParallelBatch(std::function<TOutputChoice()> ReadOutputChoice)
    : FReadOutputChoice(std::move(ReadOutputChoice)) {
    // The first job's components are made at once, so a missing codec library shows at start.
    AddJob();
}

TParallelBatch::~TParallelBatch() {
    OnEntryStarted = nullptr;
    OnProgress = nullptr;
    OnEntryFinished = nullptr;
    OnCaption = nullptr;
    OnBatchEnd = nullptr;
    {
        std::lock_guard Lock(FWakeMutex);
        OnEventPosted = nullptr;
    }
    Abort();
    RunToEnd();
}

void TParallelBatch::SetJobs(int32_t Count) {
    FJobs = std::max(Count, 1);
}

void TParallelBatch::AddJob() {
    auto Job = std::make_unique<TJob>(FReadOutputChoice);
    TConvDriver& Driver = Job->Driver;
    Driver.OnEntryStarted = [this](TConvDriver* Sender, int32_t Index, const TMediaEntry& Entry) {
        FLastStarted = std::max(FLastStarted, Index);
        if (FLastStarted == Index) {
            FLastDriver = Sender;
            SetCaption("Converting: " + std::to_string(Index + 1) + " out of " + std::to_string(Count()));
        }
        if (OnEntryStarted) OnEntryStarted(this, Index, Entry);
    };
    Driver.OnProgress = [this](TConvDriver* Sender, int32_t Percent) {
        if (Sender == FLastDriver && OnProgress) OnProgress(this, Percent);
    };
    Driver.OnEntryFinished = [this](TConvDriver*, const TEntryResult& Result) {
        ++FFinished;
        if (OnEntryFinished) OnEntryFinished(this, Result);
    };
    Driver.OnBatchEnd = [this](TConvDriver*, const TBatchSummary& Summary) { DriverEnded(Summary); };
    Driver.OnEventPosted = [this] {
        {
            std::lock_guard Lock(FWakeMutex);
            FPosted = true;
            if (OnEventPosted) OnEventPosted();
        }
        FWake.notify_all();
    };
    FJobList.push_back(std::move(Job));
}

void TParallelBatch::Start(std::vector<TMediaEntry> Entries) {
    if (Running()) throw std::runtime_error("A conversion is already running.");
    if (Entries.empty()) throw std::runtime_error("No files added to media bin!");
    int32_t Jobs = std::min(FJobs, int32_t(Entries.size()));
    while (int32_t(FJobList.size()) < Jobs) AddJob();
    FQueue = std::make_shared<TEntryQueue>(std::move(Entries));
    FCount = FQueue->Count();
    FSummary = {};
    FFinished = 0;
    FLastStarted = -1;
    FLastDriver = nullptr;
    // Counted before any start: a driver whose entries are all skipped ends inside its Start.
    FRunning = Jobs;
    for (int32_t I = 0; I < Jobs; ++I) {
        TConvDriver& Driver = FJobList[size_t(I)]->Driver;
        Driver.SetUpdateOnly(FUpdateOnly);
        Driver.Start(FQueue);
    }
}

void TParallelBatch::Abort() {
    for (auto& Job : FJobList) Job->Driver.Abort();
}

void TParallelBatch::ProcessEvents() {
    {
        std::lock_guard Lock(FWakeMutex);
        FPosted = false;
    }
    for (auto& Job : FJobList) Job->Driver.ProcessEvents();
}

void TParallelBatch::WaitForEvents(std::chrono::milliseconds Timeout) {
    {
        std::unique_lock Lock(FWakeMutex);
        FWake.wait_for(Lock, Timeout, [this] { return FPosted; });
    }
    ProcessEvents();
}

void TParallelBatch::RunToEnd() {
    while (Running()) WaitForEvents(std::chrono::hours(1));
}

void TParallelBatch::DriverEnded(const TBatchSummary& Summary) {
    AddSummary(FSummary, Summary);
    if (--FRunning > 0) return;
    FQueue = nullptr;
    SetCaption(FCaption + " Done!");
    if (OnBatchEnd) OnBatchEnd(this, FSummary);
}

void TParallelBatch::SetCaption(std::string Caption) {
    FCaption = std::move(Caption);
    if (OnCaption) OnCaption(this, FCaption);
}

} // namespace deraz
