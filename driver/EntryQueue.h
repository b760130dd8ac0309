// The media bin's entries as a batch hands them out: each entry once, to whichever driver asks
// first, so several drivers can share one batch.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace deraz {

struct TMediaEntry {
    std::string InputName;  // full path of the input file
    std::string OutputName; // full path of the output file
    // Copy the cover pictures beside the input into the output's folder when that is another one.
    bool CopyCovers = false;
    // What the batch changed about the entry, for its result message; empty when nothing.
    std::string Note = {};
};

// Gives an entry whose output an earlier entry writes, or that is another entry's input, the
// first free numbered name, with a note saying so, so that no output of a batch lands on another.
void SeparateOutputs(std::vector<TMediaEntry>& Entries);

class TEntryQueue {
public:
    explicit TEntryQueue(std::vector<TMediaEntry> Entries) : FEntries(std::move(Entries)) {
        SeparateOutputs(FEntries);
    }

    int32_t Count() const { return int32_t(FEntries.size()); }
    const TMediaEntry& Entry(int32_t Index) const { return FEntries[size_t(Index)]; }
    // The index of the next entry not handed out yet, or -1 when there is none; thread-safe.
    int32_t Take() {
        int32_t Index = FNext.fetch_add(1);
        return Index < Count() ? Index : -1;
    }
    // Hands out nothing more; returns the first index that was not handed out.
    int32_t Close() { return std::min(FNext.exchange(Count()), Count()); }
    // How many entries were handed out.
    int32_t Taken() const { return std::min(FNext.load(), Count()); }

private:
    std::vector<TMediaEntry> FEntries;
    std::atomic<int32_t> FNext{0};
};

} // namespace deraz
