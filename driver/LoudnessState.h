// libebur128's state of one measurement, shared by the loudness and true-peak meters.
#pragma once

#include <ebur128.h>

namespace deraz {

struct TLoudnessState {
    ebur128_state* Meter;
    explicit TLoudnessState(ebur128_state* State) : Meter(State) {}
    ~TLoudnessState() { ebur128_destroy(&Meter); }
    TLoudnessState(const TLoudnessState&) = delete;
    TLoudnessState& operator=(const TLoudnessState&) = delete;
};

} // namespace deraz
