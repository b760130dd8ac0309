#include "codecs/mp3/MadLibrary.h"

namespace deraz {

const TMadBinding& MadLibrary() {
    static const TMadBinding Binding(TCodecLibraryId::MAD);
    return Binding;
}

} // namespace deraz
