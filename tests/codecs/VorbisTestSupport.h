// Shared by the Ogg Vorbis tests: encoding with oggenc, decoding with oggdec, reading a source.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/ACS_Classes.h"

namespace deraz::test {

// Encodes Samples with oggenc at Quality, adding each "NAME=value" of Comments; returns the file.
std::string EncodeWithOggenc(const std::string& Folder, const std::string& Name,
                             const std::vector<int16_t>& Samples, int32_t Channels, int32_t SampleRate,
                             int Quality, const std::vector<std::string>& Comments = {});
// oggdec's decoding as raw signed 16-bit little-endian PCM; empty when oggdec fails.
std::vector<uint8_t> DecodeWithOggdec(const std::string& FileName);
// Everything a source delivers from Init to its end, asked for in pieces of Chunk bytes; stops
// after Limit bytes (for sources that never end).
std::vector<uint8_t> ReadSource(TACSInput& Source, int32_t Chunk = 65536, size_t Limit = size_t(1) << 30);

} // namespace deraz::test
