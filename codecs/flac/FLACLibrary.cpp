#include "codecs/flac/FLACLibrary.h"

namespace deraz {

const TCodecBinding<TFLACApi>& FLACLibrary() {
    static const TCodecBinding<TFLACApi> Library(TCodecLibraryId::FLAC);
    return Library;
}

} // namespace deraz
