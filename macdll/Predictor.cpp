#include "macdll/Predictor.h"

#include <algorithm>
#include <iterator>

namespace deraz::ape {

namespace {

inline int32_t Sign(int32_t V) {
    return (V > 0) - (V < 0);
}

// (31 * Last) >> 5, wrapping where hostile input would overflow.
inline int32_t Stage1Term(int32_t Last) {
    return int32_t(uint32_t(Last) * 31u) >> 5;
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

// One sample. Scalar locals on purpose: the inputs are formed and consumed in registers.
template <bool Decoding, bool Interim> int32_t TPredictor::Step(int32_t In, int32_t B) {
    const int32_t B0 = WrapSub(B, Stage1Term(FLastB));
    FLastB = B;
    const int32_t InB[5] = {B0, WrapSub(B0, FB[0]), WrapSub(FB[0], FB[1]), WrapSub(FB[1], FB[2]),
                            WrapSub(FB[2], FB[3])};
    const int32_t InA[4] = {FA[0], WrapSub(FA[0], FA[1]), WrapSub(FA[1], FA[2]), WrapSub(FA[2], FA[3])};
    int32_t Prediction;
    if constexpr (Interim) {
        // Exact sums, taken modulo 2^64 so that hostile input cannot overflow them.
        uint64_t SumA = 0, SumB = 0;
        for (int I = 0; I < 4; ++I) SumA += uint64_t(int64_t(FCoefA[I]) * InA[I]);
        for (int I = 0; I < 5; ++I) SumB += uint64_t(int64_t(FCoefB[I]) * InB[I]);
        Prediction = int32_t(uint32_t(uint64_t(int64_t(SumA + uint64_t(int64_t(SumB) >> 1)) >> 10)));
    } else {
        uint32_t SumA = 0, SumB = 0;
        for (int I = 0; I < 4; ++I) SumA += uint32_t(FCoefA[I]) * uint32_t(InA[I]);
        for (int I = 0; I < 5; ++I) SumB += uint32_t(FCoefB[I]) * uint32_t(InB[I]);
        Prediction = int32_t(SumA + uint32_t(int32_t(SumB) >> 1)) >> 10;
    }
    int32_t A, Residual;
    if constexpr (Decoding) {
        Residual = In;
        A = WrapAdd(In, Prediction);
    } else {
        A = WrapSub(In, Stage1Term(FLastA));
        FLastA = In;
        Residual = WrapSub(A, Prediction);
    }
    const int32_t S = Sign(Residual);
    for (int I = 0; I < 4; ++I) FCoefA[I] = WrapAdd(FCoefA[I], S * Sign(InA[I]));
    for (int I = 0; I < 5; ++I) FCoefB[I] = WrapAdd(FCoefB[I], S * Sign(InB[I]));
    FA[3] = FA[2];
    FA[2] = FA[1];
    FA[1] = FA[0];
    FA[0] = A;
    FB[3] = FB[2];
    FB[2] = FB[1];
    FB[1] = FB[0];
    FB[0] = B0;
    if constexpr (!Decoding) return Residual;
    FLastA = WrapAdd(A, Stage1Term(FLastA));
    return FLastA;
}

template int32_t TPredictor::Step<false, false>(int32_t, int32_t);
template int32_t TPredictor::Step<false, true>(int32_t, int32_t);
template int32_t TPredictor::Step<true, false>(int32_t, int32_t);
template int32_t TPredictor::Step<true, true>(int32_t, int32_t);

} // namespace deraz::ape
