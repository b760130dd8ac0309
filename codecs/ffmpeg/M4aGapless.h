// The iTunSMPB comment of an MPEG-4 audio file: the encoder's priming and padding frames and the
// original's length, as players that do not read the edit list find them.
#pragma once

#include <cstdint>
#include <string>

namespace deraz {

// " 00000000 PPPPPPPP QQQQQQQQ LLLLLLLLLLLLLLLL 00000000 ..." in upper-case hexadecimal: Priming,
// Padding and Length frames, then eight zero fields.
std::string GaplessComment(int64_t Priming, int64_t Padding, int64_t Length);

// Adds the comment to the finished file FileName as the "----:com.apple.iTunes:iTunSMPB" atom;
// false when the file cannot be rewritten.
bool WriteGaplessComment(const std::string& FileName, const std::string& Comment);

} // namespace deraz
