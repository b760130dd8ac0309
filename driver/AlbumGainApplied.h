// The album gains a batch applies to its outputs' audio. An album's gain is known only once all
// of its tracks are measured, so the first conversion of an album that needs it reads the
// album's tracks through, a meter and no sink, before its own audio flows; the jobs that need the
// same album share the tracks between them and wait for each other.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "driver/EntryQueue.h"
#include "driver/Loudness.h"

namespace deraz {

class TAlbumGainsToApply {
public:
    // Groups Entries into albums as the album ReplayGain tags do.
    explicit TAlbumGainsToApply(const std::vector<TMediaEntry>& Entries);

    // The gain for InputName: its album's, lowered so that the album's true peak stays at or
    // below full scale, or none, with a note saying why, when the album is silent or cannot be
    // measured. Measures the album on first demand; safe to call from several threads.
    TAppliedGain GainOf(const std::string& InputName);

private:
    struct TAlbum {
        std::vector<std::string> Inputs;
        std::vector<std::shared_ptr<TTrackLoudness>> Tracks; // by input, measured so far
        size_t Claimed = 0;                                  // inputs a job has started measuring
        size_t Measured = 0;
        std::optional<TAppliedGain> Gain;
    };
    // The album's gain from its measured tracks.
    static TAppliedGain AlbumGainOf(const TAlbum& Album);

    std::map<std::string, std::string> FKeys; // album key by input
    std::map<std::string, TAlbum> FAlbums;
    std::mutex FMutex;
    std::condition_variable FMeasured;
};

} // namespace deraz
