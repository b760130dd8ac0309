#include "macdll/NNFilter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace deraz::ape {

namespace {

inline int16_t Saturate16(int32_t V) {
    return int16_t(std::clamp(V, -32768, 32767));
}

// Portable kernels; the compiler vectorises them for the baseline instruction set.
int32_t DotPortable(const int16_t* Weights, const int16_t* History, int32_t Order) {
    uint32_t Sum = 0;
    for (int32_t I = 0; I < Order; ++I) Sum += uint32_t(int32_t(Weights[I]) * History[I]);
    return int32_t(Sum);
}

void AdaptPortable(int16_t* Weights, const int16_t* Steps, int32_t Order, int32_t Adapt) {
    if (Adapt > 0)
        for (int32_t I = 0; I < Order; ++I) Weights[I] = int16_t(Weights[I] + Steps[I]);
    else
        for (int32_t I = 0; I < Order; ++I) Weights[I] = int16_t(Weights[I] - Steps[I]);
}

int32_t DotAdaptPortable(int16_t* Weights, const int16_t* History, const int16_t* Steps, int32_t Order,
                         int32_t Adapt) {
    const int32_t Dot = DotPortable(Weights, History, Order);
    AdaptPortable(Weights, Steps, Order, Adapt);
    return Dot;
}

#if defined(__x86_64__) || defined(__i386__)
#define DERAZ_NN_AVX2 1
// AVX2 kernels, chosen at run time on processors that have it. Orders are multiples of 16.
__attribute__((target("avx2"))) inline int32_t HorizontalSumAvx2(__m256i V) {
    __m128i S = _mm_add_epi32(_mm256_castsi256_si128(V), _mm256_extracti128_si256(V, 1));
    S = _mm_add_epi32(S, _mm_shuffle_epi32(S, _MM_SHUFFLE(1, 0, 3, 2)));
    S = _mm_add_epi32(S, _mm_shuffle_epi32(S, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_cvtsi128_si32(S);
}

__attribute__((target("avx2"))) int32_t DotAvx2(const int16_t* Weights, const int16_t* History,
                                                int32_t Order) {
    __m256i Sum = _mm256_setzero_si256();
    for (int32_t I = 0; I < Order; I += 16)
        Sum = _mm256_add_epi32(Sum, _mm256_madd_epi16(_mm256_loadu_si256((const __m256i*)(Weights + I)),
                                                      _mm256_loadu_si256((const __m256i*)(History + I))));
    return HorizontalSumAvx2(Sum);
}

__attribute__((target("avx2"))) void AdaptAvx2(int16_t* Weights, const int16_t* Steps, int32_t Order,
                                               int32_t Adapt) {
    for (int32_t I = 0; I < Order; I += 16) {
        __m256i* W = (__m256i*)(Weights + I);
        const __m256i D = _mm256_loadu_si256((const __m256i*)(Steps + I));
        const __m256i Old = _mm256_loadu_si256(W);
        _mm256_storeu_si256(W, Adapt > 0 ? _mm256_add_epi16(Old, D) : _mm256_sub_epi16(Old, D));
    }
}

template <bool Add>
__attribute__((target("avx2"))) int32_t DotAdaptAvx2T(int16_t* Weights, const int16_t* History,
                                                      const int16_t* Steps, int32_t Order) {
    __m256i Sum = _mm256_setzero_si256();
    for (int32_t I = 0; I < Order; I += 16) {
        __m256i* W = (__m256i*)(Weights + I);
        const __m256i Old = _mm256_loadu_si256(W);
        Sum =
            _mm256_add_epi32(Sum, _mm256_madd_epi16(Old, _mm256_loadu_si256((const __m256i*)(History + I))));
        const __m256i D = _mm256_loadu_si256((const __m256i*)(Steps + I));
        _mm256_storeu_si256(W, Add ? _mm256_add_epi16(Old, D) : _mm256_sub_epi16(Old, D));
    }
    return HorizontalSumAvx2(Sum);
}

int32_t DotAdaptAvx2(int16_t* Weights, const int16_t* History, const int16_t* Steps, int32_t Order,
                     int32_t Adapt) {
    return Adapt > 0 ? DotAdaptAvx2T<true>(Weights, History, Steps, Order)
                     : DotAdaptAvx2T<false>(Weights, History, Steps, Order);
}
#endif

struct TKernels {
    int32_t (*Dot)(const int16_t*, const int16_t*, int32_t);
    void (*Adapt)(int16_t*, const int16_t*, int32_t, int32_t);
    int32_t (*DotAdapt)(int16_t*, const int16_t*, const int16_t*, int32_t, int32_t);
};

// Chosen once for the processor, then only read.
const TKernels& Kernels() {
    static const TKernels Chosen = [] {
#ifdef DERAZ_NN_AVX2
        if (__builtin_cpu_supports("avx2")) return TKernels{DotAvx2, AdaptAvx2, DotAdaptAvx2};
#endif
        return TKernels{DotPortable, AdaptPortable, DotAdaptPortable};
    }();
    return Chosen;
}

} // namespace

int32_t NNDot(const int16_t* Weights, const int16_t* History, int32_t Order) {
    return Kernels().Dot(Weights, History, Order);
}

void NNAdapt(int16_t* Weights, const int16_t* Steps, int32_t Order, int32_t Adapt) {
    Kernels().Adapt(Weights, Steps, Order, Adapt);
}

int32_t NNDotAdapt(int16_t* Weights, const int16_t* History, const int16_t* Steps, int32_t Order,
                   int32_t Adapt) {
    return Kernels().DotAdapt(Weights, History, Steps, Order, Adapt);
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
