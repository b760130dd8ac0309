// RIFF WAVE files built chunk by chunk, for headers no tool would write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ByteOrder.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {

// A RIFF WAVE image built chunk by chunk.
class TRiffImage {
public:
    // A chunk with its ID, size and body, and the pad byte after an odd body when Padded.
    TRiffImage& Chunk(const std::string& Id, const std::vector<uint8_t>& Body, bool Padded = false) {
        FBytes.insert(FBytes.end(), Id.begin(), Id.end());
        Put32(uint32_t(Body.size()));
        FBytes.insert(FBytes.end(), Body.begin(), Body.end());
        if (Padded && Body.size() % 2 == 1) FBytes.push_back(0);
        return *this;
    }
    TRiffImage& Raw(const std::vector<uint8_t>& Bytes) {
        FBytes.insert(FBytes.end(), Bytes.begin(), Bytes.end());
        return *this;
    }
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> Out{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
        PutLittleEndian32(&Out[4], uint32_t(FBytes.size() + 4));
        Out.insert(Out.end(), FBytes.begin(), FBytes.end());
        return Out;
    }
    void Save(const std::string& FileName) const { WriteFileBytes(FileName, Bytes()); }

private:
    void Put32(uint32_t Value) {
        uint8_t Field[4];
        PutLittleEndian32(Field, Value);
        FBytes.insert(FBytes.end(), Field, Field + 4);
    }
    std::vector<uint8_t> FBytes;
};

// A "fmt " body: the 16 common bytes, then any extension fields given.
inline std::vector<uint8_t> FormatBody(uint16_t Tag, uint16_t Channels, uint32_t Rate, uint16_t BlockAlign,
                                       uint16_t Bits, const std::vector<uint16_t>& Extension = {}) {
    std::vector<uint16_t> Fields{Tag, Channels};
    for (uint32_t Value : {Rate, Rate * BlockAlign})
        Fields.insert(Fields.end(), {uint16_t(Value), uint16_t(Value >> 16)});
    Fields.insert(Fields.end(), {BlockAlign, Bits});
    Fields.insert(Fields.end(), Extension.begin(), Extension.end());
    std::vector<uint8_t> Body;
    for (uint16_t Field : Fields) Body.insert(Body.end(), {uint8_t(Field), uint8_t(Field >> 8)});
    return Body;
}

inline std::vector<uint8_t> Le32(uint32_t Value) {
    std::vector<uint8_t> Out(4);
    PutLittleEndian32(Out.data(), Value);
    return Out;
}

} // namespace deraz::test
