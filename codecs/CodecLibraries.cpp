#include "codecs/CodecLibraries.h"

#include "codecs/FLACLibrary.h"
#include "codecs/MACLibrary.h"
#include "codecs/MadBinding.h"
#include "codecs/VorbisLibrary.h"

namespace deraz {

void LoadCodecLibraries() {
    OggLibrary();
    VorbisLibrary();
    VorbisFileLibrary();
    VorbisEncLibrary();
    FLACLibrary();
    MadLibrary();
    MACLibrary();
}

} // namespace deraz
