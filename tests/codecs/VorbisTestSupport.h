// Shared by the Ogg Vorbis tests: encoding with oggenc, decoding with oggdec.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/ACS_Classes.h"
#include "tests/support/PipelineSupport.h"

namespace deraz::test {

// Encodes Samples with oggenc at Quality, adding each "NAME=value" of Comments; returns the file.
std::string EncodeWithOggenc(const std::string& Folder, const std::string& Name,
                             const std::vector<int16_t>& Samples, int32_t Channels, int32_t SampleRate,
                             int Quality, const std::vector<std::string>& Comments = {});
// oggdec's decoding as raw signed 16-bit little-endian PCM; empty when oggdec fails.
std::vector<uint8_t> DecodeWithOggdec(const std::string& FileName);

} // namespace deraz::test
