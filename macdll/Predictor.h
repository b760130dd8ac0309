// Prediction stages 1 and 2 of one coded channel: a fixed first-order filter and an adaptive
// sign-sign LMS predictor over the channel's own history and the other channel's (the cross
// input). File versions 3950 and later.
#pragma once

#include <cstdint>

namespace deraz::ape {

// Wrapping 32-bit arithmetic on values that hostile input can push out of range.
inline int32_t WrapAdd(int32_t A, int32_t B) {
    return int32_t(uint32_t(A) + uint32_t(B));
}
inline int32_t WrapSub(int32_t A, int32_t B) {
    return int32_t(uint32_t(A) - uint32_t(B));
}

class TPredictor {
public:
    TPredictor() { Reset(); }
    void Reset();
    // Sample X with cross input B to the residual that goes to stage 3. Interim: exact sums, as
    // some older encoders wrote 24-bit files.
    int32_t Compress(int32_t X, int32_t B, bool Interim = false) {
        return Interim ? Step<false, true>(X, B) : Step<false, false>(X, B);
    }
    // Stage-3 output E with cross input B back to the sample. Interim: exact stage-2 sums.
    int32_t Decompress(int32_t E, int32_t B, bool Interim) {
        return Interim ? Step<true, true>(E, B) : Step<true, false>(E, B);
    }

private:
    template <bool Decoding, bool Interim> int32_t Step(int32_t In, int32_t B);

    int32_t FLastA, FLastB; // stage-1 states
    int32_t FA[4];          // stage-1 outputs A(t-1) ... A(t-4)
    int32_t FB[4];          // cross inputs after stage 1, B(t-1) ... B(t-4)
    int32_t FCoefA[4], FCoefB[5];
};

} // namespace deraz::ape
