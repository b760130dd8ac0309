// The MP3 source on arbitrary files.
#include "codecs/mp3/ACS_MAD.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static deraz::TMP3In Source;
    deraz::fuzz::ReadToEnd(Source, deraz::fuzz::WriteInput(Data, Size, ".mp3"));
    return 0;
}
