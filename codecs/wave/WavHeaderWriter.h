// The header of a canonical WAV file: "RIFF", "WAVE", a 16-byte "fmt " chunk and "data".
#pragma once

#include <array>
#include <cstdint>

namespace deraz {

constexpr int32_t WaveHeaderSize = 44;
using TWaveFormatRecord = std::array<uint8_t, 16>;

// The first 16 bytes of a PCM format record.
TWaveFormatRecord PcmFormatRecord(int32_t Channels, int32_t SampleRate, int32_t BitsPerSample);

// The whole header for DataBytes bytes of data in the given format.
std::array<uint8_t, WaveHeaderSize> WaveFileHeader(const TWaveFormatRecord& Format, uint32_t DataBytes);

} // namespace deraz
