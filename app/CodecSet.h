// One instance of every codec component, reused for every file, and the table that picks them
// by extension. Creating the set fails with "<library> library could not be loaded." when a
// component's codec library is missing.
#pragma once

#include <memory>

#include "app/PipelineTable.h"
#include "codecs/flac/ACS_FLAC.h"
#include "codecs/mp3/ACS_LAME.h"
#include "codecs/ape/ACS_MAC.h"
#include "codecs/mp3/ACS_MAD.h"
#include "codecs/vorbis/ACS_Vorbis.h"
#include "codecs/wave/ACS_Wave.h"

namespace deraz {

class TCodecSet {
public:
    TCodecSet();
    TCodecSet(const TCodecSet&) = delete;
    TCodecSet& operator=(const TCodecSet&) = delete;

    TPipelineTable& Pipelines() { return FPipelines; }

    // Sources.
    std::unique_ptr<TMP3In> MP3In = std::make_unique<TMP3In>();
    std::unique_ptr<TFLACIn> FlacIn = std::make_unique<TFLACIn>();
    std::unique_ptr<TMACIn> MACIn = std::make_unique<TMACIn>();
    std::unique_ptr<TWaveIn> WaveIn = std::make_unique<TWaveIn>();
    std::unique_ptr<TVorbisIn> VorbisIn = std::make_unique<TVorbisIn>();
    // Sinks.
    std::unique_ptr<TMP3Out> MP3Out = std::make_unique<TMP3Out>();
    std::unique_ptr<TFLACOut> FLACOut = std::make_unique<TFLACOut>();
    std::unique_ptr<TMACOut> MACOut = std::make_unique<TMACOut>();
    std::unique_ptr<TWaveOut> WaveOut = std::make_unique<TWaveOut>();
    std::unique_ptr<TVorbisOut> VorbisOut = std::make_unique<TVorbisOut>();

private:
    TPipelineTable FPipelines;
};

} // namespace deraz
