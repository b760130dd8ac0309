#include "codecs/mp3/Mpg123Library.h"

namespace deraz {

namespace {

struct TInitialisedMpg123 {
    TMpg123Binding Binding{TCodecLibraryId::Mpg123};
    TInitialisedMpg123() {
        if (Binding.Loaded()) Binding->mpg123_init();
    }
};

} // namespace

const TMpg123Binding& Mpg123Library() {
    static const TInitialisedMpg123 Library;
    return Library.Binding;
}

} // namespace deraz
