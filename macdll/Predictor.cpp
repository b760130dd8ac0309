#include "macdll/Predictor.h"

#include <algorithm>
#include <iterator>

namespace deraz::ape {

namespace {

inline int32_t Sign(int32_t V) {
    return (V > 0) - (V < 0);
}

// (31 * Last) >> 5 without overflow.
inline int32_t Stage1Term(int32_t Last) {
    return int32_t((int64_t(Last) * 31) >> 5);
}

} // namespace

void TPredictor::Reset() {
    FLastA = FLastB = 0;
    std::fill(std::begin(FA), std::end(FA), 0);
    std::fill(std::begin(FB), std::end(FB), 0);
    static constexpr int32_t InitialA[4] = {360, 317, -109, 98};
    std::copy(std::begin(InitialA), std::end(InitialA), FCoefA);
    std::fill(std::begin(FCoefB), std::end(FCoefB), 0);
}

int64_t TPredictor::Predict(int32_t B, bool Interim) {
    const int32_t BNow = WrapSub(B, Stage1Term(FLastB));
    FLastB = B;
    FB[4] = FB[3];
    FB[3] = FB[2];
    FB[2] = FB[1];
    FB[1] = FB[0];
    FB[0] = BNow;
    FInA[0] = FA[0];
    FInA[1] = WrapSub(FA[0], FA[1]);
    FInA[2] = WrapSub(FA[1], FA[2]);
    FInA[3] = WrapSub(FA[2], FA[3]);
    FInB[0] = FB[0];
    for (int I = 1; I < 5; ++I) FInB[I] = WrapSub(FB[I - 1], FB[I]);
    // Sums modulo 2^64: exact for any real file, and free of overflow for hostile ones.
    uint64_t SumA = 0, SumB = 0;
    for (int I = 0; I < 4; ++I) SumA += uint64_t(int64_t(FCoefA[I]) * FInA[I]);
    for (int I = 0; I < 5; ++I) SumB += uint64_t(int64_t(FCoefB[I]) * FInB[I]);
    if (Interim) return int64_t(SumA + uint64_t(int64_t(SumB) >> 1)) >> 10;
    const int32_t WrappedA = int32_t(uint32_t(SumA)), WrappedB = int32_t(uint32_t(SumB));
    return WrapAdd(WrappedA, WrappedB >> 1) >> 10;
}

void TPredictor::Adapt(int32_t Residual, int32_t A) {
    const int32_t S = Sign(Residual);
    if (S) {
        for (int I = 0; I < 4; ++I) FCoefA[I] = WrapAdd(FCoefA[I], S * Sign(FInA[I]));
        for (int I = 0; I < 5; ++I) FCoefB[I] = WrapAdd(FCoefB[I], S * Sign(FInB[I]));
    }
    FA[3] = FA[2];
    FA[2] = FA[1];
    FA[1] = FA[0];
    FA[0] = A;
}

int32_t TPredictor::Compress(int32_t X, int32_t B) {
    const int32_t A = WrapSub(X, Stage1Term(FLastA));
    FLastA = X;
    const int32_t Residual = WrapSub(A, int32_t(uint32_t(uint64_t(Predict(B, false)))));
    Adapt(Residual, A);
    return Residual;
}

int32_t TPredictor::Decompress(int32_t E, int32_t B, bool Interim) {
    const int32_t A = WrapAdd(E, int32_t(uint32_t(uint64_t(Predict(B, Interim)))));
    Adapt(E, A);
    FLastA = WrapAdd(A, Stage1Term(FLastA));
    return FLastA;
}

} // namespace deraz::ape
