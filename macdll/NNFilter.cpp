#include "macdll/NNFilter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define DERAZ_NN_AVX2 1
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

void AdaptPortable(int16_t* Weights, const int16_t* Steps, int32_t Order, int32_t Direction) {
    for (int32_t I = 0; I < Order; ++I) Weights[I] = int16_t(Weights[I] + Steps[I] * Direction);
}

int32_t DotAdaptPortable(int16_t* Weights, const int16_t* History, const int16_t* Steps, int32_t Order,
                         int32_t Direction) {
    const int32_t Dot = DotPortable(Weights, History, Order);
    AdaptPortable(Weights, Steps, Order, Direction);
    return Dot;
}

#ifdef DERAZ_NN_AVX2
// AVX2 kernels. The adaptation multiplies by the direction with a sign instruction, so no
// branch depends on the data.
__attribute__((target("avx2"))) inline int32_t HorizontalSumAvx2(__m256i V) {
    __m128i S = _mm_add_epi32(_mm256_castsi256_si128(V), _mm256_extracti128_si256(V, 1));
    S = _mm_add_epi32(S, _mm_shuffle_epi32(S, _MM_SHUFFLE(1, 0, 3, 2)));
    S = _mm_add_epi32(S, _mm_shuffle_epi32(S, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_cvtsi128_si32(S);
}

__attribute__((target("avx2"))) inline __m256i Load(const int16_t* P) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(P));
}

__attribute__((target("avx2"))) int32_t DotAvx2(const int16_t* Weights, const int16_t* History,
                                                int32_t Order) {
    __m256i Sum = _mm256_setzero_si256();
    for (int32_t I = 0; I < Order; I += 16)
        Sum = _mm256_add_epi32(Sum, _mm256_madd_epi16(Load(Weights + I), Load(History + I)));
    return HorizontalSumAvx2(Sum);
}

__attribute__((target("avx2"))) void AdaptAvx2(int16_t* Weights, const int16_t* Steps, int32_t Order,
                                               int32_t Direction) {
    const __m256i Sign = _mm256_set1_epi16(int16_t(Direction));
    for (int32_t I = 0; I < Order; I += 16) {
        const __m256i W = _mm256_add_epi16(Load(Weights + I), _mm256_sign_epi16(Load(Steps + I), Sign));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Weights + I), W);
    }
}

__attribute__((target("avx2"))) int32_t DotAdaptAvx2(int16_t* Weights, const int16_t* History,
                                                     const int16_t* Steps, int32_t Order, int32_t Direction) {
    const __m256i Sign = _mm256_set1_epi16(int16_t(Direction));
    __m256i Sum = _mm256_setzero_si256();
    for (int32_t I = 0; I < Order; I += 16) {
        const __m256i W = Load(Weights + I);
        Sum = _mm256_add_epi32(Sum, _mm256_madd_epi16(W, Load(History + I)));
        const __m256i Adapted = _mm256_add_epi16(W, _mm256_sign_epi16(Load(Steps + I), Sign));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Weights + I), Adapted);
    }
    return HorizontalSumAvx2(Sum);
}
#endif

inline int32_t SignOf(int32_t V) {
    return (V > 0) - (V < 0);
}

} // namespace

const TNNKernels& NNKernels() {
    static const TNNKernels Chosen = [] {
#ifdef DERAZ_NN_AVX2
        if (__builtin_cpu_supports("avx2")) return TNNKernels{DotAvx2, AdaptAvx2, DotAdaptAvx2};
#endif
        return TNNKernels{DotPortable, AdaptPortable, DotAdaptPortable};
    }();
    return Chosen;
}

TNNFilter::TNNFilter(int32_t Order, int32_t Shift, bool NewStepRule)
    : FOrder(Order), FShift(Shift), FNewStepRule(NewStepRule), FKernels(NNKernels()), FWeights(size_t(Order)),
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
    int16_t* D = FSteps.data() + FPos;
    int32_t Step;
    if (FNewStepRule) {
        // The step grows with the value's size against the running average of sizes: 8, 16 or
        // 32 (the comparisons nest, since the average is never negative).
        const int64_t Magnitude = std::abs(int64_t(Value)), Average = FAverage;
        const int32_t Base =
            8 * (Magnitude > 0) + 8 * (Magnitude > 4 * Average / 3) + 16 * (Magnitude > 3 * Average);
        Step = Value < 0 ? Base : -Base;
        FAverage = int32_t(Average + (Magnitude - Average) / 16);
        D[-1] = int16_t(D[-1] >> 1);
        D[-2] = int16_t(D[-2] >> 1);
        D[-8] = int16_t(D[-8] >> 1);
    } else {
        Step = -4 * SignOf(Value);
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

void TNNFilter::Compress(int32_t* Values, size_t Count, bool Interim) {
    const auto Dot = FKernels.Dot;
    const auto Adapt = FKernels.Adapt;
    for (size_t T = 0; T < Count; ++T) {
        const size_t Start = FPos - size_t(FOrder);
        const int32_t Input = Values[T];
        const int32_t Residual =
            int32_t(uint32_t(Input) -
                    uint32_t(Correction(Dot(FWeights.data(), FHistory.data() + Start, FOrder), Interim)));
        Adapt(FWeights.data(), FSteps.data() + Start, FOrder, -SignOf(Residual));
        Values[T] = Residual;
        Append(Input);
    }
}

void TNNFilter::Decompress(int32_t* Values, size_t Count, bool Interim) {
    const auto DotAdapt = FKernels.DotAdapt;
    for (size_t T = 0; T < Count; ++T) {
        const size_t Start = FPos - size_t(FOrder);
        const int32_t Residual = Values[T];
        const int32_t Dot = DotAdapt(FWeights.data(), FHistory.data() + Start, FSteps.data() + Start, FOrder,
                                     -SignOf(Residual));
        const int32_t Output = int32_t(uint32_t(Residual) + uint32_t(Correction(Dot, Interim)));
        Values[T] = Output;
        Append(Output);
    }
}

} // namespace deraz::ape
