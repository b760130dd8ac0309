// The PCM the pipeline carries: interleaved little-endian integers, 8-bit unsigned and 16-, 24- or
// 32-bit signed, and its conversion to and from plain numbers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace deraz {

// Bytes one sample of Bits bits takes.
constexpr int32_t PcmBytes(int32_t Bits) {
    return (Bits + 7) / 8;
}

// Samples as signed values in their own range (8-bit re-centred to -128..127).
void UnpackPcm(const uint8_t* In, int32_t Bits, size_t Count, int32_t* Out);
// The reverse of UnpackPcm; values are taken as in range.
void PackPcm(const int32_t* In, int32_t Bits, size_t Count, uint8_t* Out);
// Samples scaled so that full scale is 1.0.
void UnpackPcmToFloat(const uint8_t* In, int32_t Bits, size_t Count, float* Out);
// A sample with full scale 1.0 as a 24-bit integer, rounded and clipped at full scale.
int32_t FloatToInt24(double Sample);

} // namespace deraz
