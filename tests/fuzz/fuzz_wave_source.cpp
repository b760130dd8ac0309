// The WAV source (PCM, IMA and Microsoft ADPCM, MPEG Layer-3 in WAV) on arbitrary files.
#include "codecs/wave/ACS_Wave.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static deraz::TWaveIn Source;
    deraz::fuzz::ReadToEnd(Source, deraz::fuzz::WriteInput(Data, Size, ".wav"));
    return 0;
}
