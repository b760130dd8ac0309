#include "driver/ParallelBatch.h"

#include <algorithm>
#include <stdexcept>

#include "driver/AlbumGainApplied.h"

namespace deraz {

using TClock = TProgressGate::TClock;

namespace {

TBatchReport Report(TBatchReport::TKind Kind, int32_t Job, int32_t Index, int32_t Percent = 0) {
    TBatchReport Result;
    Result.Kind = Kind;
    Result.Job = Job;
    Result.Index = Index;
    Result.Percent = Percent;
    return Result;
}

} // namespace

TParallelBatch::TJob::TJob(std::function<TOutputChoice()> ReadOutputChoice, const TBatchSetup& Setup)
    : Codecs(Setup.AllowMissingLibraries), Driver(Codecs.Pipelines(), std::move(ReadOutputChoice)) {
    Driver.SetAllowWavToWav(Setup.AllowWavToWav);
    if (Setup.SetUpCodecs) Setup.SetUpCodecs(Codecs);
}

TParallelBatch::TParallelBatch(std::function<TOutputChoice()> ReadOutputChoice, TBatchSetup Setup)
    : FReadOutputChoice(std::move(ReadOutputChoice)), FSetup(std::move(Setup)) {
    FReports.SetOnPosted([this] {
        if (OnEventPosted) OnEventPosted();
    });
    // The first job's components are made at once, so a missing codec library shows at start.
    AddJob();
    FThread = std::thread([this] { HandleDrivers(); });
}

TParallelBatch::~TParallelBatch() {
    FReports.SetOnPosted(nullptr);
    OnEntryStarted = nullptr;
    OnProgress = nullptr;
    OnEntryProgress = nullptr;
    OnEntryFinished = nullptr;
    OnCaption = nullptr;
    OnBatchEnd = nullptr;
    Abort();
    RunToEnd();
    {
        std::lock_guard Lock(FWakeMutex);
        FStopping = true;
    }
    FWake.notify_all();
    FThread.join();
}

void TParallelBatch::SetJobs(int32_t Count) {
    FJobs = std::max(Count, 1);
}

int32_t TParallelBatch::EntryJob(int32_t Index) const {
    return Index >= 0 && Index < int32_t(FEntryJobs.size()) ? FEntryJobs[size_t(Index)] : -1;
}

void TParallelBatch::AddJob() {
    auto Job = std::make_unique<TJob>(FReadOutputChoice, FSetup);
    // The driver's events come on the batch's thread, or inside Start, always under FDriverMutex.
    const int32_t Slot = int32_t(FJobList.size());
    TProgressGate& Gate = Job->Gate;
    TConvDriver& Driver = Job->Driver;
    Driver.OnEntryStarted = [this, Slot, &Gate](TConvDriver*, int32_t Index, const TMediaEntry& Entry) {
        Gate.Restart(Index);
        TBatchReport Started = Report(TBatchReport::rkStarted, Slot, Index);
        Started.Entry = Entry;
        FReports.Push(std::move(Started));
    };
    Driver.OnProgress = [this, Slot, &Gate](TConvDriver*, int32_t Percent) {
        if (Gate.Offer(Percent, TClock::now(), FGateInterval))
            FReports.Push(Report(TBatchReport::rkProgress, Slot, Gate.Index(), Percent));
    };
    Driver.OnEntryFinished = [this, Slot, &Gate](TConvDriver*, const TEntryResult& Result) {
        // The percent that waited goes out before the end of its entry.
        if (int32_t Percent = Gate.Take(TClock::now(), FGateInterval); Percent >= 0)
            FReports.Push(Report(TBatchReport::rkProgress, Slot, Gate.Index(), Percent));
        TBatchReport Finished = Report(TBatchReport::rkFinished, Slot, Result.Index);
        Finished.Result = Result;
        FReports.Push(std::move(Finished));
    };
    Driver.OnBatchEnd = [this](TConvDriver*, const TBatchSummary& Summary) {
        AddSummary(FSummary, Summary);
        if (--FDriversRunning > 0) return;
        TBatchReport Ended = Report(TBatchReport::rkEnded, -1, -1);
        Ended.Summary = FSummary;
        FReports.Push(std::move(Ended));
    };
    Driver.OnEventPosted = [this] {
        {
            std::lock_guard Lock(FWakeMutex);
            FPosted = true;
        }
        FWake.notify_all();
    };
    std::lock_guard Lock(FDriverMutex);
    FJobList.push_back(std::move(Job));
}

void TParallelBatch::Start(std::vector<TMediaEntry> Entries) {
    if (Running()) throw std::runtime_error("A conversion is already running.");
    if (Entries.empty()) throw std::runtime_error("No files added to media bin!");
    int32_t Jobs = std::min(FJobs, int32_t(Entries.size()));
    while (int32_t(FJobList.size()) < Jobs) AddJob();
    auto Queue = std::make_shared<TEntryQueue>(std::move(Entries));
    std::shared_ptr<TAlbumGainsToApply> AlbumGains;
    if (FReadOutputChoice().ApplyGain == gmAlbum) {
        std::vector<TMediaEntry> Listed;
        for (int32_t I = 0; I < Queue->Count(); ++I) Listed.push_back(Queue->Entry(I));
        AlbumGains = std::make_shared<TAlbumGainsToApply>(Listed);
    }
    FCount = Queue->Count();
    FFinished = 0;
    FLastStarted = -1;
    FEntryJobs.assign(size_t(FCount), -1);
    FRunning = true;
    {
        std::lock_guard Lock(FDriverMutex);
        FSummary = {};
        FGateInterval = FProgressInterval;
        // Counted before any start: a driver whose entries are all skipped ends inside its Start.
        FDriversRunning = Jobs;
        for (int32_t I = 0; I < Jobs; ++I) {
            TConvDriver& Driver = FJobList[size_t(I)]->Driver;
            Driver.SetUpdateOnly(FUpdateOnly);
            Driver.SetAlbumGains(AlbumGains);
            Driver.Start(Queue);
        }
    }
    // The batch's thread learns of progress held back inside the starts.
    {
        std::lock_guard Lock(FWakeMutex);
        FPosted = true;
    }
    FWake.notify_all();
    ProcessEvents();
}

void TParallelBatch::Abort() {
    std::lock_guard Lock(FDriverMutex);
    for (auto& Job : FJobList) Job->Driver.Abort();
}

void TParallelBatch::ProcessEvents() {
    for (TBatchReport& Report : FReports.TakeAll()) Deliver(Report);
}

void TParallelBatch::WaitForEvents(std::chrono::milliseconds Timeout) {
    FReports.Wait(Timeout);
    ProcessEvents();
}

void TParallelBatch::RunToEnd() {
    while (Running()) WaitForEvents(std::chrono::hours(1));
}

void TParallelBatch::HandleDrivers() {
    auto Due = TClock::time_point::max();
    for (;;) {
        {
            std::unique_lock Lock(FWakeMutex);
            auto Ready = [this] { return FPosted || FStopping; };
            if (Due == TClock::time_point::max())
                FWake.wait(Lock, Ready);
            else
                FWake.wait_until(Lock, Due, Ready);
            if (FStopping) return;
            FPosted = false;
        }
        std::lock_guard Lock(FDriverMutex);
        for (auto& Job : FJobList) Job->Driver.ProcessEvents();
        Due = PassDueProgress();
    }
}

TClock::time_point TParallelBatch::PassDueProgress() {
    auto Now = TClock::now();
    auto Next = TClock::time_point::max();
    for (size_t Slot = 0; Slot < FJobList.size(); ++Slot) {
        TProgressGate& Gate = FJobList[Slot]->Gate;
        if (!Gate.Waiting()) continue;
        if (Gate.Due() > Now) {
            Next = std::min(Next, Gate.Due());
            continue;
        }
        int32_t Percent = Gate.Take(Now, FGateInterval);
        FReports.Push(Report(TBatchReport::rkProgress, int32_t(Slot), Gate.Index(), Percent));
    }
    return Next;
}

void TParallelBatch::Deliver(TBatchReport& Report) {
    switch (Report.Kind) {
    case TBatchReport::rkStarted:
        FEntryJobs[size_t(Report.Index)] = Report.Job;
        if (Report.Index > FLastStarted) {
            FLastStarted = Report.Index;
            SetCaption("Converting: " + std::to_string(Report.Index + 1) + " out of " +
                       std::to_string(FCount));
        }
        if (OnEntryStarted) OnEntryStarted(this, Report.Index, Report.Entry);
        return;
    case TBatchReport::rkProgress:
        if (OnEntryProgress) OnEntryProgress(this, Report.Job, Report.Index, Report.Percent);
        if (Report.Index == FLastStarted && OnProgress) OnProgress(this, Report.Percent);
        return;
    case TBatchReport::rkFinished:
        ++FFinished;
        if (OnEntryFinished) OnEntryFinished(this, Report.Result);
        return;
    case TBatchReport::rkEnded:
        FRunning = false;
        SetCaption(FCaption + " Done!");
        if (OnBatchEnd) OnBatchEnd(this, Report.Summary);
        return;
    }
}

void TParallelBatch::SetCaption(std::string Caption) {
    FCaption = std::move(Caption);
    if (OnCaption) OnCaption(this, FCaption);
}

} // namespace deraz
