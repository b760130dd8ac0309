// The libmad decoding library, loaded once at start.
#pragma once

#include <mad.h>

#include "codecs/CodecLibraries.h"

// The entry points the binding fetches, in fetch order.
// clang-format off
#define DERAZ_MAD_FUNCTIONS(X) \
    X(mad_decoder_init) \
    X(mad_decoder_finish) \
    X(mad_decoder_run) \
    X(mad_decoder_message) \
    X(mad_stream_buffer) \
    X(mad_stream_skip) \
    X(mad_stream_sync)
// clang-format on

namespace deraz {

struct TMadApi {
    DERAZ_MAD_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_MAD_FUNCTIONS(DERAZ_API_FETCH) true; }
};

using TMadBinding = TCodecBinding<TMadApi>;

// The program's one libmad binding, loaded on first use and kept until the program ends.
const TMadBinding& MadLibrary();

} // namespace deraz
