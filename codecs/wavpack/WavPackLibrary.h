// The WavPack library: the entry points the WavPack components call, fetched by name when the
// library is first asked for.
#pragma once

#include <wavpack/wavpack.h>

#include "codecs/CodecLibraries.h"

// The entry points the binding fetches.
// clang-format off
#define DERAZ_WAVPACK_FUNCTIONS(X) \
    X(WavpackOpenFileInputEx64) \
    X(WavpackGetMode) \
    X(WavpackGetErrorMessage) \
    X(WavpackUnpackSamples) \
    X(WavpackGetNumSamples64) \
    X(WavpackGetNumErrors) \
    X(WavpackSeekSample64) \
    X(WavpackCloseFile) \
    X(WavpackGetSampleRate) \
    X(WavpackGetBytesPerSample) \
    X(WavpackGetNumChannels) \
    X(WavpackGetMD5Sum) \
    X(WavpackOpenFileOutput) \
    X(WavpackSetConfiguration64) \
    X(WavpackStoreMD5Sum) \
    X(WavpackPackInit) \
    X(WavpackPackSamples) \
    X(WavpackFlushSamples) \
    X(WavpackUpdateNumSamples)
// clang-format on

namespace deraz {

struct TWavPackApi {
    DERAZ_WAVPACK_FUNCTIONS(DERAZ_API_POINTER)
    bool Bind(const TLibraryHandle& Library) { return DERAZ_WAVPACK_FUNCTIONS(DERAZ_API_FETCH) true; }
};

// The WavPack library, loaded on first use.
const TCodecBinding<TWavPackApi>& WavPackLibrary();

} // namespace deraz
