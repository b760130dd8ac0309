// The libmpg123 decoding library behind the MP3 pipeline source, loaded once on first use.
#pragma once

// The plain entry point names; off_t is 64-bit on the platforms we build for.
#define MPG123_NO_LARGENAME
#include <mpg123.h>
#include <sys/types.h>

#include "codecs/CodecLibraries.h"

// The entry points the binding fetches, in fetch order.
// clang-format off
#define DERAZ_MPG123_FUNCTIONS(X) \
    X(mpg123_init) \
    X(mpg123_new) \
    X(mpg123_delete) \
    X(mpg123_param) \
    X(mpg123_format_none) \
    X(mpg123_format) \
    X(mpg123_rates) \
    X(mpg123_replace_reader_handle) \
    X(mpg123_open_handle) \
    X(mpg123_close) \
    X(mpg123_getformat) \
    X(mpg123_read) \
    X(mpg123_length) \
    X(mpg123_seek)
// clang-format on

namespace deraz {

struct TMpg123Api {
    DERAZ_MPG123_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_MPG123_FUNCTIONS(DERAZ_API_FETCH) true; }
};

using TMpg123Binding = TCodecBinding<TMpg123Api>;

// The program's one libmpg123 binding, initialised on first use and kept until the program ends.
const TMpg123Binding& Mpg123Library();

} // namespace deraz
