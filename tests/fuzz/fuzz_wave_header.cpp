// The WAV header walk (chunks, extensible and RF64 headers) on arbitrary bytes in memory: what it
// reports must lie within the input and agree with itself.
#include <cstdlib>

#include "codecs/wave/WavChunkReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    deraz::TMemoryWaveSource Source(std::vector<uint8_t>(Data, Data + Size));
    deraz::TWaveHeader Header = deraz::WalkWaveHeader(Source);
    bool Found = Header.WavType != deraz::wtUnsupported;
    if (Found != Header.Error.empty()) std::abort();
    if (Found && (Header.DataOffset > int64_t(Size) || Header.DataSize < 0 || Header.SampleLength < 0 ||
                  Source.Position() != Header.DataOffset))
        std::abort();
    return 0;
}
