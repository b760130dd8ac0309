// One source and one sink of every format in the format table, reused for every file, and the
// table that picks them by extension. Creating the set fails with "<library> library could not
// be loaded." when a component's codec library is missing, unless missing libraries are allowed.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "codecs/wave/ACS_Wave.h"
#include "driver/PipelineTable.h"

namespace deraz {

class TCodecSet {
public:
    // With AllowMissingLibraries, a component whose library is missing is left out instead, and
    // the entries that would need it fail with the library's message.
    explicit TCodecSet(bool AllowMissingLibraries = false);
    TCodecSet(const TCodecSet&) = delete;
    TCodecSet& operator=(const TCodecSet&) = delete;

    TPipelineTable& Pipelines() { return FPipelines; }

    // The sink of the format whose sink code is Code, as its own class (SinkOf<TMP3Out>(scMP3Out));
    // null when it could not be made or is of another class.
    template <class T> T* SinkOf(TSinkCode Code) const {
        for (const auto& [SinkCode, Sink] : FSinks)
            if (SinkCode == Code) return dynamic_cast<T*>(Sink.get());
        return nullptr;
    }

    // The WAV sink, whose writer options (WavType, BlockSize) the command line sets.
    TWaveOut* WaveOut = nullptr;

private:
    bool FAllowMissingLibraries;
    TPipelineTable FPipelines;
    std::vector<std::unique_ptr<TACSFileIn>> FSources;
    std::vector<std::pair<TSinkCode, std::unique_ptr<TACSFileOut>>> FSinks;

    // The component of Format that Make returns, or null when its library is missing and that is
    // allowed (for the set or for the format); the extensions it would serve are then recorded as
    // unavailable with the reason.
    template <class T, class TExtensions>
    std::unique_ptr<T> Create(const TFormat& Format, std::unique_ptr<T> (*Make)(), TPipelineTable::TRole Role,
                              const TExtensions& Extensions);
};

} // namespace deraz
