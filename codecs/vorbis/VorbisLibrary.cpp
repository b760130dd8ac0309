#include "codecs/vorbis/VorbisLibrary.h"

namespace deraz {

const TCodecBinding<TOggApi>& OggLibrary() {
    static const TCodecBinding<TOggApi> Binding(TCodecLibraryId::Ogg);
    return Binding;
}

const TCodecBinding<TVorbisApi>& VorbisLibrary() {
    static const TCodecBinding<TVorbisApi> Binding(TCodecLibraryId::Vorbis);
    return Binding;
}

const TCodecBinding<TVorbisFileApi>& VorbisFileLibrary() {
    static const TCodecBinding<TVorbisFileApi> Binding(TCodecLibraryId::VorbisFile);
    return Binding;
}

const TCodecBinding<TVorbisEncApi>& VorbisEncLibrary() {
    static const TCodecBinding<TVorbisEncApi> Binding(TCodecLibraryId::VorbisEnc);
    return Binding;
}

void RequireVorbisLibraries() {
    RequireLibrary(OggLibrary());
    RequireLibrary(VorbisLibrary());
    RequireLibrary(VorbisFileLibrary());
    RequireLibrary(VorbisEncLibrary());
}

} // namespace deraz
