// The width of UTF-8 text on a terminal, in columns: East Asian wide characters take two,
// combining and zero-width characters none, everything else one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace deraz {

int32_t CharacterColumns(char32_t Character);
int32_t TextColumns(std::string_view Text);
// Text padded with spaces to exactly Width columns; when it is wider, cut after a whole
// character (with its combining marks) and ended with "…".
std::string FitToColumns(std::string_view Text, int32_t Width);
// The width of the terminal on standard output; 80 when it is not one.
int32_t TerminalColumns();

} // namespace deraz
