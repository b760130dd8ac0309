// Keeps an MP3 or Ogg Vorbis output of a lossy input from asking for more bit rate than the
// input has: re-encoding at a higher rate only makes the file larger.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "driver/OutputFormats.h"

namespace deraz {

// The rate in kbit/s that each entry of format DestExt's list stands for (the format table's
// LevelKbps); empty for formats whose entries are not bit rates.
std::span<const int32_t> LevelBitrates(int32_t DestExt);

// The bit rate of a lossy input in kbit/s: an MP3's average rate, an Ogg Vorbis file's nominal
// rate (its average when it states none); 0 for lossless inputs and files that cannot be read.
int32_t LossyInputBitrate(const std::string& InputName);

// Choice with its entry lowered to the smallest one not below InputKbps, when InputKbps is below
// the chosen entry's rate; unchanged for an input rate of 0 and formats without rates.
TOutputChoice CapToInputBitrate(TOutputChoice Choice, int32_t InputKbps);

} // namespace deraz
