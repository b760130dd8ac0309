// How -l finds an entry of a format's list.
#include <gtest/gtest.h>

#include "cli/Options.h"

namespace deraz {
namespace {

TEST(FindLevel, ByIndexRateOrName) {
    // Format indexes: 0 ogg, 1 mp3, 4 ape.
    for (auto [Format, Text, Entry] :
         {std::tuple{1, "8", 8}, {1, "17", 17},         {1, "192", 14},      {1, "8k", 0},
          {1, "192KBPS", 14},    {1, "24 kbp", 2},      {0, "64", 0},        {0, "500k", 10},
          {0, "Quality 1", 1},   {0, "quality 10", 10}, {4, "insane", 4},    {4, "Extra High", 3},
          {4, "normal", 1},      {4, "high", 2},        {4, "brain", 5},     {2, "level 5", 6},
          {3, "Level 8", 9},     {3, "standad", 0},     {9, "very high", 3}, {10, "0", 0}})
        EXPECT_EQ(FindLevel(Format, Text), Entry) << Format << " " << Text;
    for (auto [Format, Text] : {std::pair{1, "18"},
                                {1, "100"},
                                {1, "-1"},
                                {0, "quality"},
                                {4, "extreme"},
                                {4, "6"},
                                {2, "10"},
                                {3, "level"},
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

TEST(ResolveOutputChoice, GainOptionsOnlyWhereTheFormatTakesThem) {
    struct TCase {
        std::vector<std::string> Arguments;
        TGainMode ReplayGain, ApplyGain; // when the line is accepted
        bool Accepted;
    } Cases[] = {
        {{"-f", "flac", "x"}, gmOff, gmOff, true},
        {{"-f", "flac", "--replaygain", "album", "x"}, gmAlbum, gmOff, true},
        {{"-f", "mp3", "--replaygain", "track", "--apply-gain", "track", "x"}, gmTrack, gmTrack, true},
        {{"-f", "wav", "--replaygain", "track", "x"}, gmOff, gmOff, false},
        {{"-f", "flac", "--apply-gain", "track", "x"}, gmOff, gmOff, false},
        {{"-f", "ogg", "--apply-gain", "album", "x"}, gmOff, gmOff, false},
        {{"-f", "ogg", "--apply-gain", "off", "x"}, gmOff, gmOff, false},
        {{"-f", "ogg", "--replaygain", "loud", "x"}, gmOff, gmOff, false}};
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Arguments[3 % Case.Arguments.size()]);
        try {
            TOutputChoice Choice = ResolveOutputChoice(ParseCommandLine(Case.Arguments), {});
            EXPECT_TRUE(Case.Accepted);
            EXPECT_EQ(Choice.ReplayGain, Case.ReplayGain);
            EXPECT_EQ(Choice.ApplyGain, Case.ApplyGain);
        } catch (const EUsageError&) {
            EXPECT_FALSE(Case.Accepted);
        }
    }
}

} // namespace
} // namespace deraz
