// The headers the WAV writers write: canonical PCM, WAVE_FORMAT_EXTENSIBLE for more than two
// channels or more than 16 bits, optionally with room reserved for the "ds64" chunk of RF64.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace deraz {

constexpr int32_t WaveHeaderSize = 44;
using TWaveFormatRecord = std::array<uint8_t, 16>;

// The first 16 bytes of a PCM format record.
TWaveFormatRecord PcmFormatRecord(int32_t Channels, int32_t SampleRate, int32_t BitsPerSample);

// The whole header for DataBytes bytes of data in the given format.
std::array<uint8_t, WaveHeaderSize> WaveFileHeader(const TWaveFormatRecord& Format, uint32_t DataBytes);

// A PCM header and where its size fields are.
struct TPcmWaveHeader {
    std::vector<uint8_t> Bytes;
    int64_t DataSizeOffset = 0;
    // The offset of the "JUNK" chunk reserved for "ds64"; -1 without one.
    int64_t Ds64Offset = -1;
};

// The header for DataBytes bytes of integer PCM: canonical for up to 2 channels of up to 16 bits,
// WAVE_FORMAT_EXTENSIBLE otherwise. With ReserveDs64, a "JUNK" chunk after "WAVE" keeps room for
// the "ds64" chunk that a file beyond 4 GiB needs.
TPcmWaveHeader PcmWaveHeader(int32_t Channels, int32_t SampleRate, int32_t BitsPerSample, uint32_t DataBytes,
                             bool ReserveDs64);

// A "ds64" chunk (ID, size, body with an empty table) for an RF64 file of FileBytes bytes.
std::vector<uint8_t> Ds64Chunk(uint64_t FileBytes, uint64_t DataBytes, uint64_t SampleFrames);

} // namespace deraz
