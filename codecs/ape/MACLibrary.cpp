#include "codecs/ape/MACLibrary.h"

#include "platform/System.h"

namespace deraz {

const TCodecBinding<TMACApi>& MACLibrary() {
    static const TCodecBinding<TMACApi> Beside(
        (ExecutableDirectory() / CodecLibraryFileName(TCodecLibraryId::MAC)).string());
    if (Beside.Loaded()) return Beside;
    // Named plainly, so that its not-loaded message carries the plain file name.
    static const TCodecBinding<TMACApi> Default(TCodecLibraryId::MAC);
    return Default;
}

} // namespace deraz
