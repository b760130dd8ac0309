#include "codecs/wavpack/WavPackLibrary.h"

namespace deraz {

const TCodecBinding<TWavPackApi>& WavPackLibrary() {
    static const TCodecBinding<TWavPackApi> Library(TCodecLibraryId::WavPack);
    return Library;
}

} // namespace deraz
