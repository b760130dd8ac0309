#include "codecs/mp3/Mpg123Library.h"

namespace deraz {

bool TMpg123Api::Bind(const TLibraryHandle& Library) {
    return Library.Fetch(init, "mpg123_init") && Library.Fetch(create, "mpg123_new") &&
           Library.Fetch(destroy, "mpg123_delete") && Library.Fetch(param, "mpg123_param") &&
           Library.Fetch(format_none, "mpg123_format_none") && Library.Fetch(format, "mpg123_format") &&
           Library.Fetch(rates, "mpg123_rates") &&
           Library.Fetch(replace_reader_handle, "mpg123_replace_reader_handle") &&
           Library.Fetch(open_handle, "mpg123_open_handle") && Library.Fetch(close, "mpg123_close") &&
           Library.Fetch(getformat, "mpg123_getformat") && Library.Fetch(read, "mpg123_read") &&
           Library.Fetch(length, "mpg123_length") && Library.Fetch(seek, "mpg123_seek");
}

namespace {

struct TInitialisedMpg123 {
    TMpg123Binding Binding{TCodecLibraryId::Mpg123};
    TInitialisedMpg123() {
        if (Binding.Loaded()) Binding->init();
    }
};

} // namespace

const TMpg123Binding& Mpg123Library() {
    static const TInitialisedMpg123 Library;
    return Library.Binding;
}

} // namespace deraz
