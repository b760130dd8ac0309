// MD5 digests (RFC 1321), for the checksums WavPack files store of their audio.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace deraz {

class TMd5 {
public:
    TMd5();
    void Update(const uint8_t* Data, size_t Count);
    // The digest of everything given; the object is spent afterwards.
    std::array<uint8_t, 16> Final();

private:
    void Transform(const uint8_t* Block);

    std::array<uint32_t, 4> FState;
    std::array<uint8_t, 64> FBlock{};
    uint64_t FLength = 0;
};

} // namespace deraz
