// The libmad decoding path on arbitrary bytes: as an MPEG audio stream, and as a WAV file that
// the wave converter turns into PCM.
#include <algorithm>
#include <cstring>

#include "codecs/mp3/MadDecoder.h"
#include "codecs/wave/WaveConverter.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    using namespace deraz;
    if (!MadLibrary().Loaded()) return 0;
    size_t Read = 0;
    TMadDecoder Decoder(
        MadLibrary().Functions(),
        [&](uint8_t* Buffer, size_t Count) {
            size_t Got = std::min(Count, Size - Read);
            if (Got) std::memcpy(Buffer, Data + Read, Got);
            Read += Got;
            return Got;
        },
        [](const int16_t*, int32_t, int32_t, int32_t) {});
    Decoder.Run();
    TFileStream File(fuzz::WriteInput(Data, Size, ".wav"), TFileOpenMode::ReadOnly);
    TWaveConverter::ToPcmWave(File);
    return 0;
}
