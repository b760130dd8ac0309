#include "cli/TextColumns.h"

#include <algorithm>
#include <iterator>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace deraz {

namespace {

struct TRange {
    char32_t First, Last;
};

// Combining marks and zero-width characters.
constexpr TRange ZeroWidth[] = {{0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A},
                                {0x064B, 0x065F}, {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E},
                                {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F}, {0x202A, 0x202E},
                                {0x2060, 0x2064}, {0x20D0, 0x20FF}, {0x302A, 0x302F}, {0x3099, 0x309A},
                                {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF}, {0xE0100, 0xE01EF}};

// East Asian wide and fullwidth characters, and the emoji terminals draw two columns wide.
constexpr TRange Wide[] = {{0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},  {0x2E80, 0x303E},
                           {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},  {0xA000, 0xA4CF},
                           {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},  {0xFE10, 0xFE19},
                           {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},  {0x1F300, 0x1F64F},
                           {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD}};

template <size_t N> bool InRanges(const TRange (&Ranges)[N], char32_t Character) {
    auto Range = std::upper_bound(std::begin(Ranges), std::end(Ranges), Character,
                                  [](char32_t C, const TRange& R) { return C < R.First; });
    return Range != std::begin(Ranges) && Character <= std::prev(Range)->Last;
}

// The character at Text[Position] and the bytes it takes; a byte that starts no valid sequence is
// one character of its own (a terminal shows one replacement sign for it).
std::pair<char32_t, size_t> Decode(std::string_view Text, size_t Position) {
    auto Byte = [&](size_t I) { return static_cast<unsigned char>(Text[I]); };
    unsigned char Lead = Byte(Position);
    size_t Length = Lead < 0x80           ? 1
                    : (Lead >> 5) == 0x6  ? 2
                    : (Lead >> 4) == 0xE  ? 3
                    : (Lead >> 3) == 0x1E ? 4
                                          : 0;
    if (Length <= 1 || Position + Length > Text.size()) return {Lead < 0x80 ? Lead : 0xFFFD, 1};
    char32_t Character = Lead & (0x7F >> Length);
    for (size_t I = 1; I < Length; ++I) {
        if ((Byte(Position + I) & 0xC0) != 0x80) return {0xFFFD, 1};
        Character = (Character << 6) | (Byte(Position + I) & 0x3F);
    }
    return {Character, Length};
}

} // namespace

int32_t CharacterColumns(char32_t Character) {
    if (InRanges(ZeroWidth, Character)) return 0;
    return InRanges(Wide, Character) ? 2 : 1;
}

int32_t TextColumns(std::string_view Text) {
    int32_t Columns = 0;
    for (size_t Position = 0; Position < Text.size();) {
        auto [Character, Length] = Decode(Text, Position);
        Columns += CharacterColumns(Character);
        Position += Length;
    }
    return Columns;
}

std::string FitToColumns(std::string_view Text, int32_t Width) {
    int32_t Columns = TextColumns(Text);
    if (Columns <= Width) return std::string(Text) + std::string(size_t(Width - Columns), ' ');
    // Room for the ellipsis, one column.
    int32_t Room = std::max(Width - 1, 0), Used = 0;
    size_t Cut = 0;
    while (Cut < Text.size()) {
        auto [Character, Length] = Decode(Text, Cut);
        int32_t Needed = CharacterColumns(Character);
        if (Used + Needed > Room) break;
        Used += Needed;
        Cut += Length;
    }
    std::string Result(Text.substr(0, Cut));
    if (Width > 0) Result += "\u2026";
    return Result + std::string(size_t(std::max(Room - Used, 0)), ' ');
}

int32_t TerminalColumns() {
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO Info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &Info))
        return Info.srWindow.Right - Info.srWindow.Left + 1;
#else
    winsize Size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &Size) == 0 && Size.ws_col > 0) return Size.ws_col;
#endif
    return 80;
}

} // namespace deraz
