// The range coder and the residual coding on their own: everything encoded decodes to itself,
// including the escape for large overflows and pivots of 2^16 and more.
#include "macdll/RangeCoder.h"

#include <gtest/gtest.h>

#include <random>

namespace deraz::ape {
namespace {

TEST(RangeCoder, RandomSymbolsRawAndUniformValues) {
    std::mt19937 Random(3);
    std::vector<uint8_t> Bytes;
    struct TOp {
        int Kind;
        uint32_t Value, Count;
    };
    std::vector<TOp> Ops;
    TRangeEncoder Encoder(Bytes);
    for (int I = 0; I < 20000; ++I) {
        const int Kind = int(Random() % 3);
        if (Kind == 0) {
            const uint32_t Symbol = Random() % 64;
            Encoder.EncodeSymbol(SymbolTable3990(), Symbol);
            Ops.push_back({Kind, Symbol, 0});
        } else if (Kind == 1) {
            const uint32_t Value = Random() & 0xFFFF;
            Encoder.EncodeRaw16(Value);
            Ops.push_back({Kind, Value, 16});
        } else {
            const uint32_t Count = 1 + Random() % 65536;
            const uint32_t Value = Random() % Count;
            Encoder.EncodeUniform(Value, Count);
            Ops.push_back({Kind, Value, Count});
        }
    }
    Encoder.Finish();
    TRangeDecoder Decoder(Bytes.data(), Bytes.size());
    for (const TOp& Op : Ops) {
        const uint32_t Got = Op.Kind == 0   ? Decoder.DecodeSymbol(SymbolTable3990())
                             : Op.Kind == 1 ? Decoder.DecodeRaw(16)
                                            : Decoder.DecodeUniform(Op.Count);
        ASSERT_EQ(Got, Op.Value);
    }
    EXPECT_FALSE(Decoder.Failed());
    // The decoder stops exactly where the encoder's bytes end.
    EXPECT_EQ(Decoder.FinishedPosition(), Bytes.size());
}

TEST(RangeCoder, ResidualsOfEveryMagnitude) {
    std::mt19937 Random(5);
    std::vector<int32_t> Values;
    for (int I = 0; I < 3000; ++I) {
        // Quiet stretches, then loud ones that drive the pivot past 2^16 and overflows past 63.
        const int Bits = I < 1000 ? 4 : I < 2000 ? 30 : int(Random() % 31);
        const int32_t Magnitude = int32_t(Random() & ((1u << Bits) - 1));
        Values.push_back(Random() & 1 ? Magnitude : -Magnitude);
    }
    Values.push_back(INT32_MAX);
    Values.push_back(-INT32_MAX);
    std::vector<uint8_t> Bytes;
    TRangeEncoder Encoder(Bytes);
    TValueState EncodeState;
    for (int32_t V : Values) EncodeValue(Encoder, EncodeState, V);
    Encoder.Finish();
    TRangeDecoder Decoder(Bytes.data(), Bytes.size());
    TValueState DecodeState;
    for (int32_t V : Values) ASSERT_EQ(DecodeValue(Decoder, DecodeState), V);
    EXPECT_EQ(DecodeState.KSum, EncodeState.KSum);
    EXPECT_FALSE(Decoder.Failed());
}

TEST(RangeCoder, ReadingPastTheEndIsReported) {
    const uint8_t Bytes[3] = {0, 0x12, 0x34};
    TRangeDecoder Decoder(Bytes, sizeof Bytes);
    TValueState State;
    for (int I = 0; I < 10; ++I) DecodeValue(Decoder, State);
    EXPECT_TRUE(Decoder.Failed());
}

} // namespace
} // namespace deraz::ape
