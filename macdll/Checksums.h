// The checksums of the format: CRC-32 of each frame's PCM and the file's MD5.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace deraz::ape {

// CRC-32 (reflected, polynomial 0xEDB88320) continued from Crc; start with 0xFFFFFFFF and XOR
// the final value with 0xFFFFFFFF.
uint32_t Crc32Update(uint32_t Crc, const uint8_t* Data, size_t Bytes);
inline uint32_t Crc32(const uint8_t* Data, size_t Bytes) {
    return Crc32Update(0xFFFFFFFFu, Data, Bytes) ^ 0xFFFFFFFFu;
}

// MD5 (RFC 1321), fed piece by piece.
class TMd5 {
public:
    TMd5();
    void Update(const uint8_t* Data, size_t Bytes);
    std::array<uint8_t, 16> Final();

private:
    void Transform(const uint8_t* Block);

    std::array<uint32_t, 4> FState;
    uint64_t FBytes = 0;
    std::array<uint8_t, 64> FBuffer{};
};

} // namespace deraz::ape
