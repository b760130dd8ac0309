// Shared by the MP3 tests: encoding and decoding with the peer tools.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "pipeline/ACS_Classes.h"
#include "tests/codecs/CodecTestDoubles.h"
#include "tests/pipeline/PipelineDoubles.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {

// Raw 16-bit samples as mpg123 decodes them (gapless); empty when it fails.
std::vector<int16_t> DecodeWithMpg123(const std::string& FileName);

// Everything a tool printed while checking FileName; empty means no complaint.
std::string FfmpegComplaints(const std::string& FileName);

// Makes an MP3 with the lame tool from Samples; Options are lame's.
std::string EncodeWithLame(const TTempDir& Dir, const std::string& Name, const std::vector<int16_t>& Samples,
                           int32_t Channels, int32_t SampleRate, const std::string& Options);

} // namespace deraz::test
