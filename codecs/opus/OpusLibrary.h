// Bindings of libopusfile (reading) and libopusenc (writing), loaded by file name on first use.
// A missing library fails only the Opus files that need it: the components ask for it when a file
// is opened or an output prepared, not when they are made.
#pragma once

#include <opusenc.h>
#include <opusfile.h>

#include "codecs/CodecLibraries.h"

// The entry points each binding fetches.
// clang-format off
#define DERAZ_OPUSFILE_FUNCTIONS(X) \
    X(op_open_callbacks) \
    X(op_free) \
    X(op_link_count) \
    X(op_head) \
    X(op_pcm_total) \
    X(op_pcm_seek) \
    X(op_read_float)

#define DERAZ_OPUSENC_FUNCTIONS(X) \
    X(ope_comments_create) \
    X(ope_comments_destroy) \
    X(ope_encoder_create_callbacks) \
    X(ope_encoder_ctl) \
    X(ope_encoder_write_float) \
    X(ope_encoder_drain) \
    X(ope_encoder_destroy) \
    X(ope_strerror)
// clang-format on

namespace deraz {

struct TOpusFileApi {
    DERAZ_OPUSFILE_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_OPUSFILE_FUNCTIONS(DERAZ_API_FETCH) true; }
};

struct TOpusEncApi {
    DERAZ_OPUSENC_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_OPUSENC_FUNCTIONS(DERAZ_API_FETCH) true; }
};

// Each library is loaded on the first call and kept until the program ends.
const TCodecBinding<TOpusFileApi>& OpusFileLibrary();
const TCodecBinding<TOpusEncApi>& OpusEncLibrary();

} // namespace deraz
