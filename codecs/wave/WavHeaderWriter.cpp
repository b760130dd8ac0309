#include "codecs/wave/WavHeaderWriter.h"

#include <algorithm>
#include <cstring>

namespace deraz {

namespace {

void Put16(uint8_t* At, uint32_t Value) {
    At[0] = uint8_t(Value);
    At[1] = uint8_t(Value >> 8);
}

void Put32(uint8_t* At, uint32_t Value) {
    Put16(At, Value & 0xFFFF);
    Put16(At + 2, Value >> 16);
}

} // namespace

TWaveFormatRecord PcmFormatRecord(int32_t Channels, int32_t SampleRate, int32_t BitsPerSample) {
    TWaveFormatRecord Format{};
    uint32_t BlockAlign = uint32_t(Channels * BitsPerSample / 8);
    Put16(&Format[0], 1);
    Put16(&Format[2], uint32_t(Channels));
    Put32(&Format[4], uint32_t(SampleRate));
    Put32(&Format[8], uint32_t(SampleRate) * BlockAlign);
    Put16(&Format[12], BlockAlign);
    Put16(&Format[14], uint32_t(BitsPerSample));
    return Format;
}

std::array<uint8_t, WaveHeaderSize> WaveFileHeader(const TWaveFormatRecord& Format, uint32_t DataBytes) {
    std::array<uint8_t, WaveHeaderSize> Header{};
    std::memcpy(&Header[0], "RIFF", 4);
    Put32(&Header[4], DataBytes + WaveHeaderSize - 8);
    std::memcpy(&Header[8], "WAVEfmt ", 8);
    Put32(&Header[16], 16);
    std::copy(Format.begin(), Format.end(), Header.begin() + 20);
    std::memcpy(&Header[36], "data", 4);
    Put32(&Header[40], DataBytes);
    return Header;
}

} // namespace deraz
