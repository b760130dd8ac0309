#include "macdll/NNFilter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace deraz::ape {

namespace {

inline int16_t Saturate16(int32_t V) {
    return int16_t(std::clamp(V, -32768, 32767));
}

#ifdef __SSE2__
inline int32_t HorizontalSum(__m128i V) {
    V = _mm_add_epi32(V, _mm_shuffle_epi32(V, _MM_SHUFFLE(1, 0, 3, 2)));
    V = _mm_add_epi32(V, _mm_shuffle_epi32(V, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_cvtsi128_si32(V);
}

template <bool Add>
inline int32_t DotAdaptSse2(int16_t* Weights, const int16_t* History, const int16_t* Steps, int32_t Order) {
    __m128i Sum0 = _mm_setzero_si128(), Sum1 = _mm_setzero_si128();
    for (int32_t I = 0; I < Order; I += 16) {
        __m128i* W = reinterpret_cast<__m128i*>(Weights + I);
        const __m128i W0 = _mm_loadu_si128(W), W1 = _mm_loadu_si128(W + 1);
        const __m128i* H = reinterpret_cast<const __m128i*>(History + I);
        Sum0 = _mm_add_epi32(Sum0, _mm_madd_epi16(W0, _mm_loadu_si128(H)));
        Sum1 = _mm_add_epi32(Sum1, _mm_madd_epi16(W1, _mm_loadu_si128(H + 1)));
        const __m128i* D = reinterpret_cast<const __m128i*>(Steps + I);
        if constexpr (Add) {
            _mm_storeu_si128(W, _mm_add_epi16(W0, _mm_loadu_si128(D)));
            _mm_storeu_si128(W + 1, _mm_add_epi16(W1, _mm_loadu_si128(D + 1)));
        } else {
            _mm_storeu_si128(W, _mm_sub_epi16(W0, _mm_loadu_si128(D)));
            _mm_storeu_si128(W + 1, _mm_sub_epi16(W1, _mm_loadu_si128(D + 1)));
        }
    }
    return HorizontalSum(_mm_add_epi32(Sum0, Sum1));
}
#endif

} // namespace

int32_t NNDot(const int16_t* Weights, const int16_t* History, int32_t Order) {
#ifdef __SSE2__
    __m128i Sum0 = _mm_setzero_si128(), Sum1 = _mm_setzero_si128();
    for (int32_t I = 0; I < Order; I += 16) {
        const __m128i* W = reinterpret_cast<const __m128i*>(Weights + I);
        const __m128i* H = reinterpret_cast<const __m128i*>(History + I);
        Sum0 = _mm_add_epi32(Sum0, _mm_madd_epi16(_mm_loadu_si128(W), _mm_loadu_si128(H)));
        Sum1 = _mm_add_epi32(Sum1, _mm_madd_epi16(_mm_loadu_si128(W + 1), _mm_loadu_si128(H + 1)));
    }
    return HorizontalSum(_mm_add_epi32(Sum0, Sum1));
#else
    uint32_t Sum = 0;
    for (int32_t I = 0; I < Order; ++I) Sum += uint32_t(int32_t(Weights[I]) * History[I]);
    return int32_t(Sum);
#endif
}

void NNAdapt(int16_t* Weights, const int16_t* Steps, int32_t Order, int32_t Adapt) {
    if (Adapt > 0)
        for (int32_t I = 0; I < Order; ++I) Weights[I] = int16_t(Weights[I] + Steps[I]);
    else
        for (int32_t I = 0; I < Order; ++I) Weights[I] = int16_t(Weights[I] - Steps[I]);
}

int32_t NNDotAdapt(int16_t* Weights, const int16_t* History, const int16_t* Steps, int32_t Order,
                   int32_t Adapt) {
#ifdef __SSE2__
    return Adapt > 0 ? DotAdaptSse2<true>(Weights, History, Steps, Order)
                     : DotAdaptSse2<false>(Weights, History, Steps, Order);
#else
    const int32_t Dot = NNDot(Weights, History, Order);
    NNAdapt(Weights, Steps, Order, Adapt);
    return Dot;
#endif
}

TNNFilter::TNNFilter(int32_t Order, int32_t Shift, bool NewStepRule)
    : FOrder(Order), FShift(Shift), FNewStepRule(NewStepRule), FWeights(size_t(Order)),
      FHistory(Window + size_t(Order)), FSteps(Window + size_t(Order)) {
    Reset();
}

void TNNFilter::Reset() {
    std::fill(FWeights.begin(), FWeights.end(), 0);
    std::fill(FHistory.begin(), FHistory.end(), 0);
    std::fill(FSteps.begin(), FSteps.end(), 0);
    FAverage = 0;
    FPos = size_t(FOrder);
}

int32_t TNNFilter::Correction(int32_t Dot, bool Interim) const {
    const int32_t Half = 1 << (FShift - 1);
    if (Interim) return int32_t((int64_t(Dot) + Half) >> FShift);
    return int32_t(uint32_t(Dot) + uint32_t(Half)) >> FShift;
}

// Records the signal value Value: its saturated history entry and its adaptation step.
void TNNFilter::Append(int32_t Value) {
    const int64_t Magnitude = std::abs(int64_t(Value));
    int16_t* D = FSteps.data() + FPos;
    int32_t Step;
    if (FNewStepRule) {
        int32_t Base;
        if (Magnitude > 3 * int64_t(FAverage))
            Base = 32;
        else if (Magnitude > 4 * int64_t(FAverage) / 3)
            Base = 16;
        else if (Magnitude > 0)
            Base = 8;
        else
            Base = 0;
        Step = Value < 0 ? Base : -Base;
        FAverage = int32_t(FAverage + (Magnitude - FAverage) / 16);
        D[-1] = int16_t(D[-1] >> 1);
        D[-2] = int16_t(D[-2] >> 1);
        D[-8] = int16_t(D[-8] >> 1);
    } else {
        Step = Value == 0 ? 0 : (Value < 0 ? 4 : -4);
        D[-4] = int16_t(D[-4] >> 1);
        D[-8] = int16_t(D[-8] >> 1);
    }
    D[0] = int16_t(Step);
    FHistory[FPos] = Saturate16(Value);
    if (++FPos == FHistory.size()) {
        std::memmove(FHistory.data(), FHistory.data() + Window, size_t(FOrder) * sizeof(int16_t));
        std::memmove(FSteps.data(), FSteps.data() + Window, size_t(FOrder) * sizeof(int16_t));
        FPos = size_t(FOrder);
    }
}

void TNNFilter::Compress(int32_t* Values, size_t Count) {
    for (size_t T = 0; T < Count; ++T) {
        const size_t Start = FPos - size_t(FOrder);
        const int32_t Dot = NNDot(FWeights.data(), FHistory.data() + Start, FOrder);
        const int32_t Input = Values[T];
        const int32_t Residual = int32_t(uint32_t(Input) - uint32_t(Correction(Dot, false)));
        if (Residual) NNAdapt(FWeights.data(), FSteps.data() + Start, FOrder, Residual > 0 ? -1 : 1);
        Values[T] = Residual;
        Append(Input);
    }
}

void TNNFilter::Decompress(int32_t* Values, size_t Count, bool Interim) {
    for (size_t T = 0; T < Count; ++T) {
        const size_t Start = FPos - size_t(FOrder);
        const int32_t Residual = Values[T];
        const int32_t Dot = Residual ? NNDotAdapt(FWeights.data(), FHistory.data() + Start,
                                                  FSteps.data() + Start, FOrder, Residual > 0 ? -1 : 1)
                                     : NNDot(FWeights.data(), FHistory.data() + Start, FOrder);
        const int32_t Output = int32_t(uint32_t(Residual) + uint32_t(Correction(Dot, Interim)));
        Values[T] = Output;
        Append(Output);
    }
}

} // namespace deraz::ape
