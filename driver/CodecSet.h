// One instance of every codec component, reused for every file, and the table that picks them
// by extension. Creating the set fails with "<library> library could not be loaded." when a
// component's codec library is missing, unless missing libraries are allowed.
#pragma once

#include <memory>

#include "driver/PipelineTable.h"
#include "codecs/flac/ACS_FLAC.h"
#include "codecs/mp3/ACS_LAME.h"
#include "codecs/ape/ACS_MAC.h"
#include "codecs/mp3/ACS_MAD.h"
#include "codecs/vorbis/ACS_Vorbis.h"
#include "codecs/wave/ACS_Wave.h"

namespace deraz {

class TCodecSet {
public:
    // With AllowMissingLibraries, a component whose library is missing is left empty instead, and
    // the entries that would need it fail with the library's message.
    explicit TCodecSet(bool AllowMissingLibraries = false);
    TCodecSet(const TCodecSet&) = delete;
    TCodecSet& operator=(const TCodecSet&) = delete;

    TPipelineTable& Pipelines() { return FPipelines; }

    // Sources.
    std::unique_ptr<TMP3In> MP3In;
    std::unique_ptr<TFLACIn> FlacIn;
    std::unique_ptr<TMACIn> MACIn;
    std::unique_ptr<TWaveIn> WaveIn;
    std::unique_ptr<TVorbisIn> VorbisIn;
    // Sinks.
    std::unique_ptr<TMP3Out> MP3Out;
    std::unique_ptr<TFLACOut> FLACOut;
    std::unique_ptr<TMACOut> MACOut;
    std::unique_ptr<TWaveOut> WaveOut;
    std::unique_ptr<TVorbisOut> VorbisOut;

private:
    template <class T>
    T* Create(std::unique_ptr<T>& Component, TPipelineTable::TRole Role,
              std::initializer_list<const char*> Extensions);

    bool FAllowMissingLibraries;
    TPipelineTable FPipelines;
};

} // namespace deraz
