// One file source on arbitrary files; built once per source, with DERAZ_SOURCE naming its class,
// DERAZ_SOURCE_HEADER its header and DERAZ_EXTENSION the extension its input file gets.
#include DERAZ_SOURCE_HEADER
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static deraz::DERAZ_SOURCE Source;
    deraz::fuzz::ReadToEnd(Source, deraz::fuzz::WriteInput(Data, Size, DERAZ_EXTENSION));
    return 0;
}
