#include "macdll/Checksums.h"

#include <algorithm>
#include <cstring>

namespace deraz::ape {

namespace {

// Slicing-by-4 tables, built at compile time.
struct TCrcTables {
    uint32_t T[4][256];
};

constexpr TCrcTables MakeCrcTables() {
    TCrcTables Tables{};
    for (uint32_t I = 0; I < 256; ++I) {
        uint32_t C = I;
        for (int K = 0; K < 8; ++K) C = (C & 1) ? 0xEDB88320u ^ (C >> 1) : C >> 1;
        Tables.T[0][I] = C;
    }
    for (uint32_t I = 0; I < 256; ++I)
        for (int S = 1; S < 4; ++S)
            Tables.T[S][I] = (Tables.T[S - 1][I] >> 8) ^ Tables.T[0][Tables.T[S - 1][I] & 0xFF];
    return Tables;
}

constexpr TCrcTables CrcTables = MakeCrcTables();

} // namespace

uint32_t Crc32Update(uint32_t Crc, const uint8_t* Data, size_t Bytes) {
    const auto& T = CrcTables.T;
    while (Bytes >= 4) {
        Crc ^= uint32_t(Data[0]) | uint32_t(Data[1]) << 8 | uint32_t(Data[2]) << 16 | uint32_t(Data[3]) << 24;
        Crc = T[3][Crc & 0xFF] ^ T[2][(Crc >> 8) & 0xFF] ^ T[1][(Crc >> 16) & 0xFF] ^ T[0][Crc >> 24];
        Data += 4;
        Bytes -= 4;
    }
    while (Bytes--) Crc = T[0][(Crc ^ *Data++) & 0xFF] ^ (Crc >> 8);
    return Crc;
}

namespace {

constexpr uint32_t Md5Shifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                    5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                    4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                    6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr uint32_t Md5Constants[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

inline uint32_t RotateLeft(uint32_t X, uint32_t N) {
    return (X << N) | (X >> (32 - N));
}

} // namespace

TMd5::TMd5() : FState{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void TMd5::Transform(const uint8_t* Block) {
    uint32_t M[16];
    for (int I = 0; I < 16; ++I)
        M[I] = uint32_t(Block[4 * I]) | uint32_t(Block[4 * I + 1]) << 8 | uint32_t(Block[4 * I + 2]) << 16 |
               uint32_t(Block[4 * I + 3]) << 24;
    uint32_t A = FState[0], B = FState[1], C = FState[2], D = FState[3];
    for (uint32_t I = 0; I < 64; ++I) {
        uint32_t F, G;
        if (I < 16) {
            F = (B & C) | (~B & D);
            G = I;
        } else if (I < 32) {
            F = (D & B) | (~D & C);
            G = (5 * I + 1) % 16;
        } else if (I < 48) {
            F = B ^ C ^ D;
            G = (3 * I + 5) % 16;
        } else {
            F = C ^ (B | ~D);
            G = (7 * I) % 16;
        }
        const uint32_t Next = D;
        D = C;
        C = B;
        B = B + RotateLeft(A + F + Md5Constants[I] + M[G], Md5Shifts[I]);
        A = Next;
    }
    FState[0] += A;
    FState[1] += B;
    FState[2] += C;
    FState[3] += D;
}

void TMd5::Update(const uint8_t* Data, size_t Bytes) {
    if (Bytes == 0) return;
    size_t Used = FBytes % 64;
    FBytes += Bytes;
    if (Used) {
        const size_t Take = std::min(Bytes, 64 - Used);
        std::memcpy(FBuffer.data() + Used, Data, Take);
        Data += Take;
        Bytes -= Take;
        if (Used + Take < 64) return;
        Transform(FBuffer.data());
    }
    for (; Bytes >= 64; Data += 64, Bytes -= 64) Transform(Data);
    std::memcpy(FBuffer.data(), Data, Bytes);
}

std::array<uint8_t, 16> TMd5::Final() {
    const uint64_t Bits = FBytes * 8;
    const uint8_t Pad = 0x80;
    Update(&Pad, 1);
    const uint8_t Zero[64] = {};
    Update(Zero, (64 + 56 - FBytes % 64) % 64);
    uint8_t Length[8];
    for (int I = 0; I < 8; ++I) Length[I] = uint8_t(Bits >> (8 * I));
    Update(Length, 8);
    std::array<uint8_t, 16> Digest;
    for (int I = 0; I < 16; ++I) Digest[I] = uint8_t(FState[I / 4] >> (8 * (I % 4)));
    return Digest;
}

} // namespace deraz::ape
