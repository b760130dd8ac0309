// How long a batch has left, estimated from the input bytes converted so far: the finished
// entries whole and the running ones by their percent, the rest at the pace of the batch so far.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "driver/EntryQueue.h"

namespace deraz {

class TTimeLeft {
public:
    TTimeLeft() = default;
    // The input size of each entry of the batch, in bytes.
    explicit TTimeLeft(std::vector<double> InputSizes);
    // The sizes of the entries' input files; 0 for a file that cannot be read.
    static TTimeLeft ForEntries(const std::vector<TMediaEntry>& Entries);

    void Progress(int32_t Index, int32_t Percent);
    void Finished(int32_t Index);
    // Whole seconds left after Elapsed of the batch; none while at most 2% is done, or once all is.
    std::optional<int64_t> SecondsLeft(std::chrono::milliseconds Elapsed) const;

private:
    double Size(int32_t Index) const;

    std::vector<double> FSizes;
    double FTotal = 0;
    double FFinished = 0;
    std::map<int32_t, int32_t> FRunning; // percent of each entry started and not finished
};

// "m:ss": 65 gives "1:05".
std::string MinutesAndSeconds(int64_t Seconds);

} // namespace deraz
