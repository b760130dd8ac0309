// Everything the media info window and the media bin show, computed for arbitrary bytes under
// each input extension.
#include <sstream>

#include "analysis/MediaInfo.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    for (const char* Extension : {".mp3", ".ogg", ".flac", ".ape", ".wav", ".opus"}) {
        std::ostringstream Out;
        deraz::RunMediaInfo({deraz::fuzz::WriteInput(Data, Size, Extension)}, Out);
    }
    return 0;
}
