// How -l finds an entry of a format's list.
#include <gtest/gtest.h>

#include "cli/Options.h"

namespace deraz {
namespace {

TEST(FindLevel, ByIndexRateOrName) {
    // Format indexes: 0 ogg, 1 mp3, 4 ape.
    for (auto [Format, Text, Entry] : {std::tuple{1, "8", 8},
                                       {1, "17", 17},
                                       {1, "192", 14},
                                       {1, "8k", 0},
                                       {1, "192KBPS", 14},
                                       {1, "24 kbp", 2},
                                       {0, "64", 0},
                                       {0, "500k", 10},
                                       {0, "Quality 1", 1},
                                       {0, "quality 10", 10},
                                       {4, "insane", 4},
                                       {4, "Extra High", 3},
                                       {4, "normal", 1},
                                       {4, "high", 2},
                                       {4, "brain", 5}})
        EXPECT_EQ(FindLevel(Format, Text), Entry) << Format << " " << Text;
    for (auto [Format, Text] : {std::pair{1, "18"},
                                {1, "100"},
                                {1, "-1"},
                                {0, "quality"},
                                {4, "extreme"},
                                {4, "6"},
                                {2, "1"},
                                {1, ""}})
        EXPECT_THROW(FindLevel(Format, Text), EUsageError) << Format << " " << Text;
}

TEST(ResolveOutputChoice, TagAndCapOptions) {
    TCliOptions Options;
    Options.Format = 1;
    EXPECT_TRUE(ResolveOutputChoice(Options, {0, 5, true, false}).CopyTags);
    Options.CopyTags = false;
    Options.CapBitrate = true;
    TOutputChoice Choice = ResolveOutputChoice(Options, {0, 5, true, false});
    EXPECT_FALSE(Choice.CopyTags);
    EXPECT_TRUE(Choice.CapBitrate);
    EXPECT_EQ(Choice.Bitrate, 11);
}

} // namespace
} // namespace deraz
