// The WavPack source on arbitrary files, with and without a correction file beside them.
#include "codecs/wavpack/ACS_WavPack.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static deraz::TWavPackIn Source;
    deraz::fuzz::ReadToEnd(Source, deraz::fuzz::WriteInput(Data, Size, ".wv"));
    return 0;
}
