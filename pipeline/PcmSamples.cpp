#include "pipeline/PcmSamples.h"

#include <cmath>

namespace deraz {

namespace {

int32_t ReadSample(const uint8_t* In, int32_t Bytes) {
    switch (Bytes) {
    case 1:
        return int32_t(In[0]) - 128;
    case 2:
        return int16_t(uint16_t(In[0] | In[1] << 8));
    case 3:
        // The top byte is shifted in as signed so the sign extends.
        return int32_t(uint32_t(In[0]) | uint32_t(In[1]) << 8) | int32_t(int8_t(In[2])) * 65536;
    default:
        return int32_t(uint32_t(In[0]) | uint32_t(In[1]) << 8 | uint32_t(In[2]) << 16 |
                       uint32_t(In[3]) << 24);
    }
}

void WriteSample(uint8_t* Out, int32_t Bytes, int32_t Value) {
    if (Bytes == 1) {
        Out[0] = uint8_t(Value + 128);
        return;
    }
    for (int32_t I = 0; I < Bytes; ++I) Out[I] = uint8_t(uint32_t(Value) >> (8 * I));
}

} // namespace

void UnpackPcm(const uint8_t* In, int32_t Bits, size_t Count, int32_t* Out) {
    const int32_t Bytes = PcmBytes(Bits);
    if (Bytes == 2) {
        for (size_t I = 0; I < Count; ++I, In += 2) Out[I] = int16_t(uint16_t(In[0] | In[1] << 8));
        return;
    }
    for (size_t I = 0; I < Count; ++I, In += Bytes) Out[I] = ReadSample(In, Bytes);
}

void PackPcm(const int32_t* In, int32_t Bits, size_t Count, uint8_t* Out) {
    const int32_t Bytes = PcmBytes(Bits);
    for (size_t I = 0; I < Count; ++I, Out += Bytes) WriteSample(Out, Bytes, In[I]);
}

void UnpackPcmToFloat(const uint8_t* In, int32_t Bits, size_t Count, float* Out) {
    const int32_t Bytes = PcmBytes(Bits);
    const double Scale = 1.0 / std::ldexp(1.0, 8 * Bytes - 1);
    for (size_t I = 0; I < Count; ++I, In += Bytes) Out[I] = float(ReadSample(In, Bytes) * Scale);
}

int32_t FloatToInt24(double Sample) {
    constexpr double FullScale = 8388608.0;
    // NaN compares false both ways and becomes silence.
    if (!(Sample > -1.0)) return Sample <= -1.0 ? -8388608 : 0;
    if (Sample * FullScale >= FullScale - 1) return 8388607;
    return int32_t(std::lrint(Sample * FullScale));
}

} // namespace deraz
