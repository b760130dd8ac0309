// The adaptive "neural net" filters of prediction stage 3: a sign-LMS filter of int16 weights
// over the saturated history of the signal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace deraz::ape {

class TNNFilter {
public:
    // Order is a multiple of 16. NewStepRule: the adaptation of file versions 3980 and later.
    TNNFilter(int32_t Order, int32_t Shift, bool NewStepRule);

    void Reset();
    // Signal to residual, in place.
    void Compress(int32_t* Values, size_t Count);
    // Residual to signal, in place. Interim: exact rounding addition (older 24-bit files).
    void Decompress(int32_t* Values, size_t Count, bool Interim);

private:
    int32_t Correction(int32_t Dot, bool Interim) const;
    void Append(int32_t Value);

    static constexpr size_t Window = 512;

    int32_t FOrder;
    int32_t FShift;
    bool FNewStepRule;
    int32_t FAverage = 0;
    size_t FPos = 0; // the window entries [FPos - FOrder, FPos) are the current history
    std::vector<int16_t> FWeights;
    std::vector<int16_t> FHistory;
    std::vector<int16_t> FSteps;
};

// The kernels, exposed for the benchmarks. Dot product of Weights and History (wrapping), and
// with Adapt -1 or +1 the weights move by Adapt * Steps afterwards.
int32_t NNDot(const int16_t* Weights, const int16_t* History, int32_t Order);
int32_t NNDotAdapt(int16_t* Weights, const int16_t* History, const int16_t* Steps, int32_t Order,
                   int32_t Adapt);
void NNAdapt(int16_t* Weights, const int16_t* Steps, int32_t Order, int32_t Adapt);

} // namespace deraz::ape
