// What the sinks of plain whole-byte PCM (WavPack, AIFF) share: the input's limits and filling a
// buffer from the input.
#pragma once

#include <cstdint>
#include <string>

#include "pipeline/ACS_Classes.h"

namespace deraz {

// Raises, naming Format, unless Input carries PCM of 8, 16, 24 or 32 bits and 1 to 8 channels.
void RequireWholeBytePcm(TACSInput& Input, const std::string& Format);

// Calls Read (a sink's ReadInput) until Buffer holds Size bytes or the input ends; the bytes read.
template <class TRead> int32_t FillFromInput(uint8_t* Buffer, int32_t Size, TRead&& Read) {
    int32_t Filled = 0;
    while (Filled < Size) {
        const int32_t Got = Read(Buffer + Filled, Size - Filled);
        if (Got <= 0) break;
        Filled += Got;
    }
    return Filled;
}

} // namespace deraz
