#include "driver/AlbumGainApplied.h"

#include <algorithm>
#include <cmath>

#include "driver/AlbumGain.h"

namespace deraz {

TAlbumGainsToApply::TAlbumGainsToApply(const std::vector<TMediaEntry>& Entries) {
    for (const auto& Entry : Entries) {
        auto [Key, Added] = FKeys.emplace(Entry.InputName, std::string());
        if (!Added) continue;
        Key->second = TAlbumGain::AlbumKey(Entry.InputName);
        TAlbum& Album = FAlbums[Key->second];
        Album.Inputs.push_back(Entry.InputName);
        Album.Tracks.emplace_back();
    }
}

TAppliedGain TAlbumGainsToApply::GainOf(const std::string& InputName) {
    std::unique_lock Lock(FMutex);
    auto Key = FKeys.find(InputName);
    if (Key == FKeys.end()) return {0, "No gain applied: the input is not part of the batch."};
    TAlbum& Album = FAlbums[Key->second];
    // Measures the tracks no job has started on, then waits for those the others measure.
    while (Album.Claimed < Album.Inputs.size()) {
        size_t Track = Album.Claimed++;
        Lock.unlock();
        auto Measurement = MeasureFile(Album.Inputs[Track]);
        Lock.lock();
        Album.Tracks[Track] = std::move(Measurement);
        ++Album.Measured;
        FMeasured.notify_all();
    }
    FMeasured.wait(Lock, [&Album] { return Album.Measured == Album.Inputs.size(); });
    if (!Album.Gain) Album.Gain = AlbumGainOf(Album);
    return *Album.Gain;
}

TAppliedGain TAlbumGainsToApply::AlbumGainOf(const TAlbum& Album) {
    std::vector<const TTrackLoudness*> Tracks;
    double Peak = 0;
    for (const auto& Track : Album.Tracks) {
        Tracks.push_back(Track.get());
        Peak = std::max(Peak, Track->Peak);
    }
    double Loudness = AlbumLoudness(Tracks);
    if (!std::isfinite(Loudness))
        return {0, "No gain applied: its album is silent or could not be measured."};
    return GainToApply(Loudness, Peak, true);
}

} // namespace deraz
