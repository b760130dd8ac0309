#include "codecs/CodecLibraries.h"

#include "codecs/VorbisLibrary.h"

namespace deraz {

void LoadCodecLibraries() {
    OggLibrary();
    VorbisLibrary();
    VorbisFileLibrary();
    VorbisEncLibrary();
    // FLAC, MAD and MAC follow here, in that order.
}

} // namespace deraz
