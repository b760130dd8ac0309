#include "driver/BatchReports.h"

#include <utility>

namespace deraz {

void TBatchReports::SetOnPosted(std::function<void()> OnPosted) {
    std::lock_guard Lock(FMutex);
    FOnPosted = std::move(OnPosted);
}

void TBatchReports::Push(TBatchReport Report) {
    std::lock_guard Lock(FMutex);
    if (Report.Kind == TBatchReport::rkProgress) {
        // The job's last report still waiting decides: its progress is replaced; anything else
        // keeps its place before the new percent.
        for (auto It = FReports.rbegin(); It != FReports.rend(); ++It) {
            if (It->Job != Report.Job) continue;
            if (It->Kind != TBatchReport::rkProgress) break;
            It->Percent = Report.Percent;
            return;
        }
    }
    FReports.push_back(std::move(Report));
    if (FReports.size() > 1) return; // the front end was told already
    FPosted.notify_all();
    if (FOnPosted) FOnPosted();
}

std::deque<TBatchReport> TBatchReports::TakeAll() {
    std::lock_guard Lock(FMutex);
    return std::exchange(FReports, {});
}

void TBatchReports::Wait(std::chrono::milliseconds Timeout) {
    std::unique_lock Lock(FMutex);
    FPosted.wait_for(Lock, Timeout, [this] { return !FReports.empty(); });
}

void TProgressGate::Restart(int32_t Index) {
    FIndex = Index;
    FSent = -1;
    FWaiting = -1;
}

bool TProgressGate::Offer(int32_t Percent, TClock::time_point Now, TClock::duration Interval) {
    if (Now < FDue) {
        FWaiting = Percent == FSent ? -1 : Percent;
        return false;
    }
    FWaiting = -1;
    if (Percent == FSent) return false;
    FSent = Percent;
    FDue = Now + Interval;
    return true;
}

int32_t TProgressGate::Take(TClock::time_point Now, TClock::duration Interval) {
    int32_t Percent = FWaiting;
    if (Percent < 0) return -1;
    FSent = Percent;
    FWaiting = -1;
    FDue = Now + Interval;
    return Percent;
}

} // namespace deraz
