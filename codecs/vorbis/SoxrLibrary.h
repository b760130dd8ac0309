// The libsoxr resampler that brings a chained Ogg stream's later links to the first link's sample
// rate and lowers the rate of outputs with a highest rate, loaded by file name when a conversion
// first needs resampling: without it, only such a conversion fails.
#pragma once

#include <soxr.h>

#include "codecs/CodecLibraries.h"

// The entry points the binding fetches, in fetch order.
// clang-format off
#define DERAZ_SOXR_FUNCTIONS(X) \
    X(soxr_create) \
    X(soxr_process) \
    X(soxr_delete) \
    X(soxr_quality_spec)
// clang-format on

namespace deraz {

struct TSoxrApi {
    DERAZ_SOXR_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_SOXR_FUNCTIONS(DERAZ_API_FETCH) true; }
};

// The program's one libsoxr binding, loaded on first use.
const TCodecBinding<TSoxrApi>& SoxrLibrary();

} // namespace deraz
