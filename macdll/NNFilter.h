// The adaptive "neural net" filters of prediction stage 3: a sign-LMS filter of int16 weights
// over the saturated history of the signal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace deraz::ape {

// The filter's kernels over Order (a multiple of 16) int16 values. Dot: the dot product of
// weights and history (wrapping). Adapt: every weight moves by Direction (-1, 0 or 1) times
// its step. DotAdapt: the dot product with the old weights, then the adaptation.
struct TNNKernels {
    int32_t (*Dot)(const int16_t* Weights, const int16_t* History, int32_t Order);
    void (*Adapt)(int16_t* Weights, const int16_t* Steps, int32_t Order, int32_t Direction);
    int32_t (*DotAdapt)(int16_t* Weights, const int16_t* History, const int16_t* Steps, int32_t Order,
                        int32_t Direction);
};
// The fastest kernels this processor runs, chosen once.
const TNNKernels& NNKernels();

class TNNFilter {
public:
    // NewStepRule: the adaptation of file versions 3980 and later.
    TNNFilter(int32_t Order, int32_t Shift, bool NewStepRule);

    void Reset();
    // Signal to residual and back, in place. Interim: an exact rounding addition, as some older
    // encoders wrote 24-bit files.
    void Compress(int32_t* Values, size_t Count, bool Interim = false);
    void Decompress(int32_t* Values, size_t Count, bool Interim);

private:
    int32_t Correction(int32_t Dot, bool Interim) const;
    // The adaptation step of a new value; updates the running average of magnitudes.
    int32_t StepFor(int32_t Value);
    void Append(int32_t Value);
    // Short filters keep weights, history and steps in registers for a whole run (both directions).
    template <int32_t Order, bool Encoding> void RunShort(int32_t* Values, size_t Count, bool Interim);

    static constexpr size_t Window = 512;

    int32_t FOrder;
    int32_t FShift;
    bool FNewStepRule;
    const TNNKernels& FKernels;
    int32_t FAverage = 0;
    size_t FPos = 0; // the window entries [FPos - FOrder, FPos) are the current history
    std::vector<int16_t> FWeights;
    std::vector<int16_t> FHistory;
    std::vector<int16_t> FSteps;
};

} // namespace deraz::ape
