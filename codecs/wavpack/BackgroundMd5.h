// An MD5 sum made on a thread of its own: Update hands a copy of the bytes over and returns, so
// that a decoder goes on decoding on one core while the sum is made on another.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "macdll/Checksums.h"

namespace deraz {

class TBackgroundMd5 {
public:
    TBackgroundMd5() = default;
    ~TBackgroundMd5();
    TBackgroundMd5(const TBackgroundMd5&) = delete;
    TBackgroundMd5& operator=(const TBackgroundMd5&) = delete;

    // Starts a new sum, once the bytes given for the last one are summed.
    void Reset();
    // Adds a copy of Bytes bytes at Data; waits while a few earlier pieces are still unsummed,
    // so that a fast decoder does not pile up copies.
    void Update(const uint8_t* Data, size_t Bytes);
    // The sum of everything given since Reset, once the thread has summed it.
    std::array<uint8_t, 16> Final();

private:
    void Run();
    // Waits, holding Lock, until every piece given has been summed.
    void WaitUntilSummed(std::unique_lock<std::mutex>& Lock);

    static constexpr size_t MaxPending = 4;
    std::mutex FMutex;
    std::condition_variable FChanged;
    // Copies waiting to be summed, oldest first; the thread takes the front one and removes it
    // once summed, so an empty queue means nothing is being summed.
    std::deque<std::vector<uint8_t>> FPending;
    std::vector<std::vector<uint8_t>> FSpare; // summed copies kept for their memory
    bool FStopping = false;
    // Touched by the thread only while FPending is not empty, by the others only while it is.
    ape::TMd5 FSum;
    std::thread FWorker;
};

} // namespace deraz
