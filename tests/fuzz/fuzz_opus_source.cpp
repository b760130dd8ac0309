// The Ogg Opus source on arbitrary files.
#include "codecs/opus/ACS_Opus.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static deraz::TOpusIn Source;
    deraz::fuzz::ReadToEnd(Source, deraz::fuzz::WriteInput(Data, Size, ".opus"));
    return 0;
}
