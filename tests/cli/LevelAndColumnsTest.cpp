// How -l tells an entry from a bit rate, and how progress lines measure and cut names.
#include <gtest/gtest.h>

#include "cli/Options.h"
#include "cli/TextColumns.h"

namespace deraz {
namespace {

TEST(FindLevel, EntryAndRateAreNeverMistaken) {
    // MP3 (format 1): entry 16 is 256 kbit/s, 16 kbit/s is entry 1; 17 is no MP3 rate.
    for (auto [Text, Entry] : {std::pair{"#16", 16}, {"16k", 1}, {"17", 17}, {"#0", 0}, {"320", 17}})
        EXPECT_EQ(FindLevel(1, Text), Entry) << Text;
    for (const char* Text : {"16", "8", "#18", "#", "#16k", "#-1"})
        EXPECT_THROW(FindLevel(1, Text), EUsageError) << Text;
    EXPECT_EQ(FindLevel(4, "3"), 3); // Monkey's Audio has no rates: a bare number is its entry
}

TEST(TextColumns, WideAndCombiningCharactersAreMeasuredAndCutWhole) {
    for (auto [Text, Width, Fitted] : {std::tuple{"abc", 5, "abc  "},
                                       {"abcdef", 4, "abc…"},
                                       {"日本語の歌", 7, "日本語…"},
                                       {"日本語の歌", 6, "日本… "},
                                       {"e\u0301e\u0301e\u0301", 2, "e\u0301…"},
                                       {"\xff\xfe-bc", 3, "\xff\xfe…"}}) {
        std::string Result = FitToColumns(Text, Width);
        EXPECT_EQ(Result, Fitted) << Text << " " << Width;
        EXPECT_EQ(TextColumns(Result), Width) << Text << " " << Width;
    }
}

} // namespace
} // namespace deraz
