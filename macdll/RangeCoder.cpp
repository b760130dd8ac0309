#include "macdll/RangeCoder.h"

#include <algorithm>
#include <array>

namespace deraz::ape {

namespace {

constexpr uint32_t Top = 0x80000000u;
constexpr uint32_t Bottom = 0x00800000u;
constexpr uint32_t CarryFree = 0x7F800000u;
constexpr int ShiftBits = 23;

// Builds the cumulative table from the widths of symbols 0..20; the rest have width 1.
constexpr std::array<uint32_t, 65> MakeCumulative(const std::array<uint32_t, 21>& Widths) {
    std::array<uint32_t, 65> C{};
    for (int S = 0; S < 64; ++S) C[S + 1] = C[S] + (uint32_t(S) < FirstUnitSymbol ? Widths[size_t(S)] : 1);
    return C;
}

constexpr std::array<uint32_t, 65> Cumulative3990 = MakeCumulative(
    {19578, 16582, 12257, 7906, 4576, 2366, 1170, 536, 261, 119, 65, 31, 19, 10, 6, 3, 3, 2, 1, 1, 1});
constexpr std::array<uint32_t, 65> Cumulative3900 =
    MakeCumulative({14824, 13400, 11124, 8507, 6139, 4177, 2755, 1756, 1104, 677, 415,
                    248,   150,   89,    54,   31,   19,   11,   7,    4,    2});
static_assert(Cumulative3990[64] == 65536 && Cumulative3900[64] == 65536);

// For each 256-wide slice of the frequencies, the symbol whose range holds its first value.
constexpr std::array<uint8_t, 256> MakeStart(const std::array<uint32_t, 65>& C) {
    std::array<uint8_t, 256> Start{};
    for (uint32_t Slice = 0; Slice < 256; ++Slice) {
        uint8_t S = 0;
        while (C[S + 1] <= Slice << 8) ++S;
        Start[Slice] = S;
    }
    return Start;
}

constexpr std::array<uint8_t, 256> Start3990 = MakeStart(Cumulative3990);
constexpr std::array<uint8_t, 256> Start3900 = MakeStart(Cumulative3900);

constexpr TSymbolTable Table3990{Cumulative3990.data(), Start3990.data()};
constexpr TSymbolTable Table3900{Cumulative3900.data(), Start3900.data()};

constexpr uint32_t EscapeSymbol = 63;

int BitLength(uint32_t V) {
    return V ? 32 - __builtin_clz(V) : 0;
}

} // namespace

const TSymbolTable& SymbolTable3990() {
    return Table3990;
}
const TSymbolTable& SymbolTable3900() {
    return Table3900;
}

void TRangeEncoder::ShiftOut() {
    while (FRange <= Bottom) {
        if (FLow < CarryFree) {
            Emit(FCache);
            for (; FRun; --FRun) Emit(0xFF);
            FCache = uint8_t(FLow >> ShiftBits);
        } else if (FLow & Top) {
            Emit(uint8_t(FCache + 1));
            for (; FRun; --FRun) Emit(0x00);
            FCache = uint8_t(FLow >> ShiftBits);
        } else {
            ++FRun;
        }
        FLow = (FLow << 8) & (Top - 1);
        FRange <<= 8;
    }
}

void TRangeEncoder::Finish() {
    Normalise();
    const uint32_t T = (FLow >> ShiftBits) + 1;
    if (T > 0xFF) {
        Emit(uint8_t(FCache + 1));
        for (; FRun; --FRun) Emit(0x00);
    } else {
        Emit(FCache);
        for (; FRun; --FRun) Emit(0xFF);
    }
    Emit(uint8_t(T));
    for (int I = 0; I < 3; ++I) Emit(0);
}

TRangeDecoder::TRangeDecoder(const uint8_t* Data, size_t Bytes) : FData(Data), FBytes(Bytes) {
    Next(); // the encoder's empty first cache byte
    FBuffer = Next();
    FLow = FBuffer >> 1;
    FRange = 1u << 7;
}

size_t TRangeDecoder::FinishedPosition() {
    while (FRange <= Bottom) {
        ++FPos;
        FRange <<= 8;
    }
    return FPos;
}

namespace {

inline uint32_t Fold(int32_t Value) {
    return Value > 0 ? 2 * uint32_t(Value) - 1 : 0u - 2 * uint32_t(Value);
}

inline int32_t Unfold(uint32_t N) {
    return (N & 1) ? int32_t((N >> 1) + 1) : int32_t(0u - (N >> 1));
}

inline void UpdateKSum(TValueState& State, uint32_t N) {
    State.KSum += ((N + 1) >> 1) - ((State.KSum + 16) >> 5);
}

} // namespace

void EncodeValue(TRangeEncoder& Coder, TValueState& State, int32_t Value) {
    const uint32_t N = Fold(Value);
    const uint32_t Pivot = std::max<uint32_t>(1, State.KSum >> 5);
    const uint32_t Overflow = N / Pivot;
    const uint32_t Base = N - Overflow * Pivot;
    UpdateKSum(State, N);
    if (Overflow < EscapeSymbol) {
        Coder.EncodeSymbol(Table3990, Overflow);
    } else {
        Coder.EncodeSymbol(Table3990, EscapeSymbol);
        Coder.EncodeRaw16(Overflow >> 16);
        Coder.EncodeRaw16(Overflow & 0xFFFF);
    }
    if (Pivot < 65536) {
        Coder.EncodeUniform(Base, Pivot);
    } else {
        const int Shift = BitLength(Pivot) - 16;
        Coder.EncodeUniform(Base >> Shift, (Pivot >> Shift) + 1);
        Coder.EncodeUniform(Base & ((1u << Shift) - 1), 1u << Shift);
    }
}

int32_t DecodeValue(TRangeDecoder& Coder, TValueState& State) {
    uint32_t Pivot = std::max<uint32_t>(1, State.KSum >> 5);
    uint32_t Overflow = Coder.DecodeSymbol(Table3990);
    if (Overflow == EscapeSymbol) {
        const uint32_t High = Coder.DecodeRaw(16);
        Overflow = High << 16 | Coder.DecodeRaw(16);
        if (Overflow == 1) { // 32-bit audio: the value did not fit and follows with a fixed pivot
            Pivot = 32768;
            Overflow = Coder.DecodeSymbol(Table3990);
            if (Overflow == EscapeSymbol) {
                const uint32_t High2 = Coder.DecodeRaw(16);
                Overflow = High2 << 16 | Coder.DecodeRaw(16);
            }
        }
    }
    uint32_t Base;
    if (Pivot < 65536) {
        Base = Coder.DecodeUniform(Pivot);
    } else {
        const int Shift = BitLength(Pivot) - 16;
        const uint32_t High = Coder.DecodeUniform((Pivot >> Shift) + 1);
        Base = High << Shift | Coder.DecodeUniform(1u << Shift);
    }
    const uint32_t N = Base + Overflow * Pivot;
    UpdateKSum(State, N);
    return Unfold(N);
}

int32_t DecodeValueK(TRangeDecoder& Coder, TValueState& State, int32_t Version) {
    const uint32_t Symbol = Coder.DecodeSymbol(Table3900);
    uint32_t Bits, Overflow;
    if (Symbol == EscapeSymbol) {
        Bits = Coder.DecodeRaw(5);
        Overflow = 0;
    } else {
        Bits = State.K ? State.K - 1 : 0;
        Overflow = Symbol;
    }
    uint32_t X;
    if (Bits <= 16 || Version < 3910) {
        X = Coder.DecodeRaw(Bits);
    } else {
        X = Coder.DecodeRaw(16);
        X |= Coder.DecodeRaw(Bits - 16) << 16;
    }
    const uint32_t N = X + (Bits < 32 ? Overflow << Bits : 0);
    UpdateKSum(State, N);
    const uint64_t KSum = State.KSum;
    if (State.K > 0 && KSum < (uint64_t(1) << (State.K + 4)))
        --State.K;
    else if (State.K < 27 && KSum >= (uint64_t(1) << (State.K + 5)))
        ++State.K;
    return Unfold(N);
}

} // namespace deraz::ape
