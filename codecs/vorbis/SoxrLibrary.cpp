#include "codecs/vorbis/SoxrLibrary.h"

namespace deraz {

const TCodecBinding<TSoxrApi>& SoxrLibrary() {
    static const TCodecBinding<TSoxrApi> Library(TCodecLibraryId::Soxr);
    return Library;
}

} // namespace deraz
