// What a parallel batch hands its front end, and how progress is thinned on the way: a job's
// percent goes out at most once per interval, and a percent not yet taken by the front end is
// replaced by a newer one rather than queued behind it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "driver/ConvDriver.h"

namespace deraz {

struct TBatchReport {
    enum TKind : uint8_t { rkStarted, rkProgress, rkFinished, rkEnded };
    TKind Kind = rkStarted;
    int32_t Job = -1; // -1 for rkEnded
    int32_t Index = -1;
    int32_t Percent = 0;
    TMediaEntry Entry;     // rkStarted
    TEntryResult Result;   // rkFinished
    TBatchSummary Summary; // rkEnded
};

// The reports on their way from the batch's thread to the front end's; thread-safe.
class TBatchReports {
public:
    // Called, under the queue's lock, when a report arrives while none waits; it must not touch
    // the queue.
    void SetOnPosted(std::function<void()> OnPosted);
    // Queues Report; a progress report replaces one of its job that still waits.
    void Push(TBatchReport Report);
    // Every waiting report, oldest first.
    std::deque<TBatchReport> TakeAll();
    // Waits until a report waits or Timeout has passed.
    void Wait(std::chrono::milliseconds Timeout);

private:
    std::mutex FMutex;
    std::condition_variable FPosted;
    std::deque<TBatchReport> FReports;
    std::function<void()> FOnPosted;
};

// The progress of one job's entry: lets a percent through at once when the last one went out at
// least an interval ago, otherwise keeps the latest until its turn. Not thread-safe.
class TProgressGate {
public:
    using TClock = std::chrono::steady_clock;

    // A new entry on this job: what waited belonged to the one before.
    void Restart(int32_t Index);
    int32_t Index() const { return FIndex; }
    // Whether Percent goes out now; otherwise it waits as the latest.
    bool Offer(int32_t Percent, TClock::time_point Now, TClock::duration Interval);
    bool Waiting() const { return FWaiting >= 0; }
    // When the waiting percent may go out.
    TClock::time_point Due() const { return FDue; }
    // The waiting percent, which goes out now; -1 when none waits.
    int32_t Take(TClock::time_point Now, TClock::duration Interval);

private:
    int32_t FIndex = -1;
    int32_t FSent = -1;    // the last percent that went out for this entry
    int32_t FWaiting = -1; // the latest percent held back, -1 when none
    TClock::time_point FDue{};
};

} // namespace deraz
