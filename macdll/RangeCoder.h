// The range coder of the frame data and the coding of residuals with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace deraz::ape {

// Symbol table of file versions 3990 and later: 64 symbols, total frequency 2^16.
// From this symbol on every symbol of both tables has width 1.
constexpr uint32_t FirstUnitSymbol = 21;

struct TSymbolTable {
    const uint32_t* Cumulative; // 65 entries, the last one 65536
    const uint8_t* Start;       // 256 entries: the first symbol to try for a frequency F, by F >> 8
};
const TSymbolTable& SymbolTable3990();
const TSymbolTable& SymbolTable3900();

// Appends the coded bytes of one frame to a byte vector (logical order).
class TRangeEncoder {
public:
    explicit TRangeEncoder(std::vector<uint8_t>& Out) : FOut(Out) {}
    void EncodeSymbol(const TSymbolTable& Table, uint32_t Symbol) {
        Normalise();
        const uint32_t R = FRange >> 16;
        FLow += R * Table.Cumulative[Symbol];
        FRange = R * (Table.Cumulative[Symbol + 1] - Table.Cumulative[Symbol]);
    }
    // Value < 2^16.
    void EncodeRaw16(uint32_t Value) {
        Normalise();
        FRange >>= 16;
        FLow += FRange * Value;
    }
    // Value < Count, Count <= 2^16.
    void EncodeUniform(uint32_t Value, uint32_t Count) {
        Normalise();
        FRange /= Count;
        FLow += FRange * Value;
    }
    void Finish();

private:
    void Normalise() {
        if (FRange <= 0x800000u) ShiftOut();
    }
    // Emits settled bytes until the range is wide again.
    void ShiftOut();
    void Emit(uint8_t Byte) { FOut.push_back(Byte); }

    std::vector<uint8_t>& FOut;
    uint32_t FLow = 0;
    uint32_t FRange = 0x80000000u;
    uint8_t FCache = 0;
    uint32_t FRun = 0;
};

// Reads the coded bytes of one frame. Reading past the end yields zeros and marks the stream
// as overrun; an impossible code marks it as corrupt. Both are checked once per frame.
class TRangeDecoder {
public:
    TRangeDecoder(const uint8_t* Data, size_t Bytes);
    uint32_t DecodeSymbol(const TSymbolTable& Table);
    uint32_t DecodeRaw(uint32_t Bits);
    uint32_t DecodeUniform(uint32_t Count);
    bool Failed() const { return FFailed; }
    // Bytes consumed so far, after skipping the frame's final bytes.
    size_t FinishedPosition();

private:
    uint8_t Next() {
        if (FPos < FBytes) return FData[FPos++];
        ++FPos;
        FFailed = true;
        return 0;
    }
    void Normalise() {
        while (FRange <= 0x800000u) {
            const uint8_t C = Next();
            FLow = (FLow << 8) | (((uint32_t(FBuffer) << 8 | C) >> 1) & 0xFF);
            FBuffer = C;
            FRange <<= 8;
        }
    }

    const uint8_t* FData;
    size_t FBytes;
    size_t FPos = 0;
    uint32_t FLow = 0;
    uint32_t FRange = 0;
    uint8_t FBuffer = 0;
    bool FFailed = false;
};

// The decoding operations are inline: they run once or more per coded value.
inline uint32_t TRangeDecoder::DecodeSymbol(const TSymbolTable& Table) {
    Normalise();
    const uint32_t R = FRange >> 16;
    uint32_t F = FLow / R;
    if (F > 0xFFFF) {
        FFailed = true;
        F = 0xFFFF;
    }
    const uint32_t* C = Table.Cumulative;
    uint32_t S;
    if (F >= C[FirstUnitSymbol]) {
        S = FirstUnitSymbol + (F - C[FirstUnitSymbol]);
    } else {
        S = Table.Start[F >> 8];
        while (C[S + 1] <= F) ++S;
    }
    FLow -= R * C[S];
    FRange = R * (C[S + 1] - C[S]);
    return S;
}

inline uint32_t TRangeDecoder::DecodeRaw(uint32_t Bits) {
    Normalise();
    if (Bits > 20) { // more than the range can hold
        FFailed = true;
        return 0;
    }
    FRange >>= Bits;
    const uint32_t V = FLow / FRange;
    FLow -= V * FRange;
    if (V >> Bits) FFailed = true;
    return V;
}

inline uint32_t TRangeDecoder::DecodeUniform(uint32_t Count) {
    Normalise();
    FRange /= Count;
    const uint32_t V = FLow / FRange;
    FLow -= V * FRange;
    if (V >= Count) FFailed = true;
    return V;
}

// Adaptive coding state of one channel, reset at each frame.
struct TValueState {
    uint32_t KSum = 16384;
    uint32_t K = 10;
};

// File versions 3990 and later.
void EncodeValue(TRangeEncoder& Coder, TValueState& State, int32_t Value);
int32_t DecodeValue(TRangeDecoder& Coder, TValueState& State);
// File versions 3900 to 3989 (k-based).
int32_t DecodeValueK(TRangeDecoder& Coder, TValueState& State, int32_t Version);

} // namespace deraz::ape
