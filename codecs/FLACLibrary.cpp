#include "codecs/FLACLibrary.h"

namespace deraz {

bool TFLACApi::Bind(const TLibraryHandle& Library) {
    bool All = true;
#define DERAZ_FLAC_FETCH(Member, Function) All = Library.Fetch(Member, #Function) && All;
    DERAZ_FLAC_FUNCTIONS(DERAZ_FLAC_FETCH)
#undef DERAZ_FLAC_FETCH
    return All;
}

const TCodecBinding<TFLACApi>& FLACLibrary() {
    static const TCodecBinding<TFLACApi> Library(TCodecLibraryId::FLAC);
    return Library;
}

} // namespace deraz
