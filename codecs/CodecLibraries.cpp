#include "codecs/CodecLibraries.h"

#include "codecs/ape/MACLibrary.h"
#include "codecs/flac/FLACLibrary.h"
#include "codecs/mp3/MadLibrary.h"
#include "codecs/vorbis/VorbisLibrary.h"
#include "codecs/wavpack/WavPackLibrary.h"

namespace deraz {

void LoadCodecLibraries() {
    OggLibrary();
    VorbisLibrary();
    VorbisFileLibrary();
    VorbisEncLibrary();
    FLACLibrary();
    MadLibrary();
    MACLibrary();
    WavPackLibrary();
}

} // namespace deraz
