// Small byte and text helpers shared by the file readers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace deraz {

// Removes leading and trailing characters of code 32 or below (blanks, controls, zero bytes).
std::string TrimControls(std::string_view Text);
// Removes trailing characters of code 32 or below.
std::string TrimRightControls(std::string_view Text);

// Appends one character as UTF-8; surrogate halves, which cannot stand alone, become '?'.
void AppendUtf8(std::string& Out, uint32_t CodePoint);
// ISO-8859-1 bytes as UTF-8.
std::string Latin1ToUtf8(std::string_view Bytes);
// Decodes UTF-8 of at most three bytes per character, stopping at the first byte that breaks it,
// and returns what was decoded, encoded again as UTF-8.
std::string DecodeUtf8Prefix(std::string_view Bytes);

// The integer before the first "/" of a track text (the whole text when it has none); 0 when
// that is not a decimal number.
int32_t TrackNumber(std::string_view Text);
// ASCII upper case.
std::string UpperCase(std::string_view Text);

uint32_t BigEndian32(const uint8_t* Bytes);
uint32_t BigEndian24(const uint8_t* Bytes);
uint32_t LittleEndian32(const uint8_t* Bytes);
uint64_t LittleEndian64(const uint8_t* Bytes);
uint16_t LittleEndian16(const uint8_t* Bytes);

// A double rounded half to even and narrowed as a 16-bit word is (modulo 65536); 0 when it
// is not finite or far out of range.
uint16_t RoundToWord(double Value);
// A double rounded half to even into 32 bits; 0 when it is not finite or out of range.
int32_t RoundToInt(double Value);

} // namespace deraz
