// Running the reference FLAC tools on raw PCM: encode with flac, decode with flac -d, ask metaflac.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace deraz::test {

// Encodes raw PCM into FileName with flac and the given options; false when flac fails.
bool EncodeWithFlac(const std::vector<uint8_t>& Pcm, const TPcmFormat& Format, const std::string& Options,
                    const std::string& FileName);
// Decodes a FLAC file with flac -d into raw PCM laid out as the pipeline carries it;
// an empty vector when flac fails.
std::vector<uint8_t> DecodeWithFlac(const std::string& FileName, int32_t BitsPerSample);
// One line of metaflac's output for an option such as "--show-total-samples", without the newline.
std::string Metaflac(const std::string& Option, const std::string& FileName);
// The MD5 digest in hex that the FLAC format stores for this PCM (over signed samples).
std::string FlacMd5(const std::vector<uint8_t>& Pcm, int32_t BitsPerSample);

} // namespace deraz::test
