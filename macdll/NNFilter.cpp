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

int32_t TNNFilter::StepFor(int32_t Value) {
    if (!FNewStepRule) return -4 * SignOf(Value);
    // The step grows with the value's size against the running average of sizes: 8, 16 or 32
    // (the comparisons nest, since the average is never negative).
    const int64_t Magnitude = std::abs(int64_t(Value)), Average = FAverage;
    const int32_t Base =
        8 * (Magnitude > 0) + 8 * (Magnitude > 4 * Average / 3) + 16 * (Magnitude > 3 * Average);
    FAverage = int32_t(Average + (Magnitude - Average) / 16);
    return Value < 0 ? Base : -Base;
}

// Records the signal value Value: its saturated history entry and its adaptation step, after
// halving the steps of the values of ages 1, 2 and 8 (older files: 4 and 8).
void TNNFilter::Append(int32_t Value) {
    int16_t* D = FSteps.data() + FPos;
    const int32_t Step = StepFor(Value);
    if (FNewStepRule) {
        D[-1] = int16_t(D[-1] >> 1);
        D[-2] = int16_t(D[-2] >> 1);
    } else {
        D[-4] = int16_t(D[-4] >> 1);
    }
    D[-8] = int16_t(D[-8] >> 1);
    D[0] = int16_t(Step);
    FHistory[FPos] = Saturate16(Value);
    if (++FPos == FHistory.size()) {
        std::memmove(FHistory.data(), FHistory.data() + Window, size_t(FOrder) * sizeof(int16_t));
        std::memmove(FSteps.data(), FSteps.data() + Window, size_t(FOrder) * sizeof(int16_t));
        FPos = size_t(FOrder);
    }
}

#ifdef __SSE2__
namespace {

// The window Lanes registers hold (oldest value first) moves on by one value; Value enters last.
template <int32_t Lanes> inline void ShiftIn(__m128i (&Window)[Lanes], int32_t Value) {
    for (int32_t L = 0; L + 1 < Lanes; ++L)
        Window[L] = _mm_or_si128(_mm_srli_si128(Window[L], 2), _mm_slli_si128(Window[L + 1], 14));
    Window[Lanes - 1] = _mm_insert_epi16(_mm_srli_si128(Window[Lanes - 1], 2), Value, 7);
}

} // namespace

template <int32_t Order, bool Encoding>
void TNNFilter::RunShort(int32_t* Values, size_t Count, bool Interim) {
    constexpr int32_t Lanes = Order / 8;
    auto LoadAt = [](const int16_t* P) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(P)); };
    auto StoreAt = [](int16_t* P, __m128i V) { _mm_storeu_si128(reinterpret_cast<__m128i*>(P), V); };
    int16_t* History = FHistory.data() + FPos - Order;
    int16_t* Steps = FSteps.data() + FPos - Order;
    __m128i W[Lanes], H[Lanes], D[Lanes];
    for (int32_t L = 0; L < Lanes; ++L) {
        W[L] = LoadAt(FWeights.data() + 8 * L);
        H[L] = LoadAt(History + 8 * L);
        D[L] = LoadAt(Steps + 8 * L);
    }
    // The steps halved on each new value: ages 1, 2 and 8 (older files: 4 and 8), all in the
    // newest register.
    const __m128i Decay =
        FNewStepRule ? _mm_setr_epi16(-1, 0, 0, 0, 0, 0, -1, -1) : _mm_setr_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    for (size_t T = 0; T < Count; ++T) {
        __m128i Sum = _mm_setzero_si128();
        for (int32_t L = 0; L < Lanes; ++L) Sum = _mm_add_epi32(Sum, _mm_madd_epi16(W[L], H[L]));
        Sum = _mm_add_epi32(Sum, _mm_shuffle_epi32(Sum, _MM_SHUFFLE(1, 0, 3, 2)));
        Sum = _mm_add_epi32(Sum, _mm_shuffle_epi32(Sum, _MM_SHUFFLE(2, 3, 0, 1)));
        const uint32_t Corr = uint32_t(Correction(_mm_cvtsi128_si32(Sum), Interim));
        const int32_t Residual = Encoding ? int32_t(uint32_t(Values[T]) - Corr) : Values[T];
        const int32_t Signal = Encoding ? Values[T] : int32_t(uint32_t(Residual) + Corr);
        const __m128i Direction = _mm_set1_epi16(int16_t(-SignOf(Residual)));
        for (int32_t L = 0; L < Lanes; ++L) W[L] = _mm_add_epi16(W[L], _mm_mullo_epi16(D[L], Direction));
        Values[T] = Encoding ? Residual : Signal;
        const __m128i Newest = D[Lanes - 1];
        D[Lanes - 1] =
            _mm_or_si128(_mm_and_si128(Decay, _mm_srai_epi16(Newest, 1)), _mm_andnot_si128(Decay, Newest));
        ShiftIn(D, StepFor(Signal));
        ShiftIn(H, Saturate16(Signal));
    }
    // Only the newest Order entries of the window matter from here on.
    for (int32_t L = 0; L < Lanes; ++L) {
        StoreAt(FWeights.data() + 8 * L, W[L]);
        StoreAt(History + 8 * L, H[L]);
        StoreAt(Steps + 8 * L, D[L]);
    }
}
#endif

void TNNFilter::Compress(int32_t* Values, size_t Count, bool Interim) {
#ifdef __SSE2__
    if (FOrder == 16) return RunShort<16, true>(Values, Count, Interim);
    if (FOrder == 32) return RunShort<32, true>(Values, Count, Interim);
#endif
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
#ifdef __SSE2__
    if (FOrder == 16) return RunShort<16, false>(Values, Count, Interim);
    if (FOrder == 32) return RunShort<32, false>(Values, Count, Interim);
#endif
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
