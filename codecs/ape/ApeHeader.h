// The header of a Monkey's Audio file: the format fields that the analysis reader shows, read the
// same way for every reader of the program. The library in macdll/ keeps its own reading.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace deraz {

struct TApeHeader {
    // Format version, e.g. 3990.
    uint16_t Version = 0;
    // Compression level, e.g. 2000.
    int32_t CompressionLevel = 0;
    uint16_t FormatFlags = 0;
    int32_t Channels = 0;
    int32_t SampleRate = 0;
    int32_t Bits = 0;
    // Samples per channel.
    int64_t Samples = 0;
};

// Reads Count bytes at Offset from the start of the header into Buffer; false when fewer came.
using TApeHeaderRead = std::function<bool(int64_t Offset, void* Buffer, int32_t Count)>;

// The header that starts with "MAC " and the version word: before version 3980 a 30-byte header
// follows, from 3980 on a descriptor of its own size and then the header. Nothing when the bytes
// are not such a header or end inside it.
std::optional<TApeHeader> ReadApeHeader(const TApeHeaderRead& Read);

} // namespace deraz
