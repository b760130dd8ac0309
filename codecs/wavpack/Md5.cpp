#include "codecs/wavpack/Md5.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "platform/ByteOrder.h"

namespace deraz {

namespace {

constexpr uint32_t Shifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

// The additive constants: the integer part of |sin(i + 1)| x 2^32.
const std::array<uint32_t, 64>& Constants() {
    static const std::array<uint32_t, 64> Table = [] {
        std::array<uint32_t, 64> Values{};
        for (size_t I = 0; I < Values.size(); ++I)
            Values[I] = uint32_t(std::floor(std::fabs(std::sin(double(I + 1))) * 4294967296.0));
        return Values;
    }();
    return Table;
}

} // namespace

TMd5::TMd5() : FState{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void TMd5::Transform(const uint8_t* Block) {
    const auto& K = Constants();
    uint32_t Words[16];
    for (int I = 0; I < 16; ++I) Words[I] = LittleEndian32(Block + 4 * I);
    uint32_t A = FState[0], B = FState[1], C = FState[2], D = FState[3];
    for (uint32_t I = 0; I < 64; ++I) {
        uint32_t F = 0, G = 0;
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
        B = B + std::rotl(A + F + K[I] + Words[G], int(Shifts[I]));
        A = Next;
    }
    FState[0] += A;
    FState[1] += B;
    FState[2] += C;
    FState[3] += D;
}

void TMd5::Update(const uint8_t* Data, size_t Count) {
    size_t Used = size_t(FLength % 64);
    FLength += Count;
    while (Count > 0) {
        const size_t Taken = std::min(Count, 64 - Used);
        std::memcpy(FBlock.data() + Used, Data, Taken);
        Used += Taken;
        Data += Taken;
        Count -= Taken;
        if (Used == 64) {
            Transform(FBlock.data());
            Used = 0;
        }
    }
}

std::array<uint8_t, 16> TMd5::Final() {
    const uint64_t Bits = FLength * 8;
    const uint8_t One = 0x80, Zero = 0;
    Update(&One, 1);
    while (FLength % 64 != 56) Update(&Zero, 1);
    uint8_t Length[8];
    for (int I = 0; I < 8; ++I) Length[I] = uint8_t(Bits >> (8 * I));
    Update(Length, 8);
    std::array<uint8_t, 16> Digest{};
    for (int I = 0; I < 4; ++I) PutLittleEndian32(&Digest[size_t(4 * I)], FState[size_t(I)]);
    return Digest;
}

} // namespace deraz
