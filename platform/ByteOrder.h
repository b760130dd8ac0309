// Fixed-width integers stored in a byte order of their own, and the ID3v2 tag size that
// precedes audio in many files.
#pragma once

#include <cstdint>

namespace deraz {

inline uint16_t LittleEndian16(const uint8_t* Bytes) {
    return uint16_t(Bytes[0] | Bytes[1] << 8);
}
inline uint32_t LittleEndian32(const uint8_t* Bytes) {
    return uint32_t(LittleEndian16(Bytes)) | uint32_t(LittleEndian16(Bytes + 2)) << 16;
}
inline uint64_t LittleEndian64(const uint8_t* Bytes) {
    return uint64_t(LittleEndian32(Bytes)) | uint64_t(LittleEndian32(Bytes + 4)) << 32;
}
inline uint32_t BigEndian24(const uint8_t* Bytes) {
    return uint32_t(Bytes[0]) << 16 | uint32_t(Bytes[1]) << 8 | Bytes[2];
}
inline uint32_t BigEndian32(const uint8_t* Bytes) {
    return uint32_t(Bytes[0]) << 24 | BigEndian24(Bytes + 1);
}

inline void PutLittleEndian16(uint8_t* Bytes, uint32_t Value) {
    Bytes[0] = uint8_t(Value);
    Bytes[1] = uint8_t(Value >> 8);
}
inline void PutLittleEndian32(uint8_t* Bytes, uint32_t Value) {
    PutLittleEndian16(Bytes, Value);
    PutLittleEndian16(Bytes + 2, Value >> 16);
}

// The bytes of the ID3v2 tag whose 10-byte header is Header ("ID3", version, flags, a
// synchsafe size): the header, the tag and any footer. The caller checks the "ID3" mark.
// SizeByteMask 0xFF takes each size byte whole, top bit included, as the tag readers do.
inline int64_t ID3v2TagBytes(const uint8_t* Header, uint8_t SizeByteMask = 0x7F) {
    int64_t Size = 10;
    for (int I = 6; I < 10; ++I) Size += int64_t(Header[I] & SizeByteMask) << (7 * (9 - I));
    return Header[5] & 0x10 ? Size + 10 : Size;
}

} // namespace deraz
