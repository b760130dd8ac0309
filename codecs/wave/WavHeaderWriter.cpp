#include "codecs/wave/WavHeaderWriter.h"

#include <algorithm>
#include <cstring>

#include "platform/ByteOrder.h"

namespace deraz {

TWaveFormatRecord PcmFormatRecord(int32_t Channels, int32_t SampleRate, int32_t BitsPerSample) {
    TWaveFormatRecord Format{};
    uint32_t BlockAlign = uint32_t(Channels * BitsPerSample / 8);
    PutLittleEndian16(&Format[0], 1);
    PutLittleEndian16(&Format[2], uint32_t(Channels));
    PutLittleEndian32(&Format[4], uint32_t(SampleRate));
    PutLittleEndian32(&Format[8], uint32_t(SampleRate) * BlockAlign);
    PutLittleEndian16(&Format[12], BlockAlign);
    PutLittleEndian16(&Format[14], uint32_t(BitsPerSample));
    return Format;
}

std::array<uint8_t, WaveHeaderSize> WaveFileHeader(const TWaveFormatRecord& Format, uint32_t DataBytes) {
    std::array<uint8_t, WaveHeaderSize> Header{};
    std::memcpy(&Header[0], "RIFF", 4);
    PutLittleEndian32(&Header[4], DataBytes + WaveHeaderSize - 8);
    std::memcpy(&Header[8], "WAVEfmt ", 8);
    PutLittleEndian32(&Header[16], 16);
    std::copy(Format.begin(), Format.end(), Header.begin() + 20);
    std::memcpy(&Header[36], "data", 4);
    PutLittleEndian32(&Header[40], DataBytes);
    return Header;
}

} // namespace deraz
