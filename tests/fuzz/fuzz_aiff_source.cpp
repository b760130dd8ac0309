// The AIFF source (AIFF, AIFF-C integer and float) on arbitrary files.
#include "codecs/aiff/ACS_Aiff.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static deraz::TAiffIn Source;
    deraz::fuzz::ReadToEnd(Source, deraz::fuzz::WriteInput(Data, Size, ".aiff"));
    return 0;
}
