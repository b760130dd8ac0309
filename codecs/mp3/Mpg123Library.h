// The libmpg123 decoding library behind the MP3 pipeline source, loaded once on first use.
#pragma once

// The plain entry point names; off_t is 64-bit on the platforms we build for.
#define MPG123_NO_LARGENAME
#include <mpg123.h>
#include <sys/types.h>

#include "platform/CodecLibrary.h"

namespace deraz {

struct TMpg123Api {
    decltype(&mpg123_init) init;
    decltype(&mpg123_new) create;
    decltype(&mpg123_delete) destroy;
    decltype(&mpg123_param) param;
    decltype(&mpg123_format_none) format_none;
    decltype(&mpg123_format) format;
    decltype(&mpg123_rates) rates;
    decltype(&mpg123_replace_reader_handle) replace_reader_handle;
    decltype(&mpg123_open_handle) open_handle;
    decltype(&mpg123_close) close;
    decltype(&mpg123_getformat) getformat;
    decltype(&mpg123_read) read;
    decltype(&mpg123_length) length;
    decltype(&mpg123_seek) seek;

    bool Bind(const TLibraryHandle& Library);
};

using TMpg123Binding = TCodecBinding<TMpg123Api>;

// The program's one libmpg123 binding, initialised on first use and kept until the program ends.
const TMpg123Binding& Mpg123Library();

} // namespace deraz
