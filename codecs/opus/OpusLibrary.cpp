#include "codecs/opus/OpusLibrary.h"

namespace deraz {

const TCodecBinding<TOpusFileApi>& OpusFileLibrary() {
    static const TCodecBinding<TOpusFileApi> Binding(TCodecLibraryId::OpusFile);
    return Binding;
}

const TCodecBinding<TOpusEncApi>& OpusEncLibrary() {
    static const TCodecBinding<TOpusEncApi> Binding(TCodecLibraryId::OpusEnc);
    return Binding;
}

} // namespace deraz
