#include "codecs/CodecLibraries.h"

#include "codecs/FLACLibrary.h"
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
    // The Monkey's Audio binding (MAC) follows here.
}

} // namespace deraz
