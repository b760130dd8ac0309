// How -l finds an entry of a format's list.
#include <gtest/gtest.h>

#include "cli/Options.h"

namespace deraz {
namespace {

TEST(FindLevel, ByIndexRateOrName) {
    // Format indexes: 0 ogg, 1 mp3, 4 ape.
    for (auto [Format, Text, Entry] :
         {std::tuple{1, "#8", 8}, {1, "17", 17},         {1, "192", 14},      {1, "8k", 0},
          {1, "192KBPS", 14},     {1, "24 kbp", 2},      {0, "64", 0},        {0, "500k", 10},
          {0, "Quality 1", 1},    {0, "quality 10", 10}, {4, "insane", 4},    {4, "Extra High", 3},
          {4, "normal", 1},       {4, "high", 2},        {4, "brain", 5},     {2, "level 5", 6},
          {3, "Level 8", 9},      {3, "standad", 0},     {9, "very high", 3}, {10, "0", 0}})
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
        {{"-f", "ogg", "--apply-gain", "album", "x"}, gmOff, gmAlbum, true},
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

TEST(ResolveOutputChoice, DeviceLimitsAndProfileDefaults) {
    auto Resolve = [](std::vector<std::string> Arguments, const TOutputChoice& Stored = {}) {
        Arguments.push_back("in.flac");
        return ResolveOutputChoice(ParseCommandLine(Arguments), Stored);
    };
    const TOutputChoice Limited =
        Resolve({"-f", "flac", "--max-rate", "48000", "--max-bits", "16", "--channels=1"});
    EXPECT_TRUE(Limited.Limits == (TDeviceLimits{48000, 16, 1}));
    for (std::vector<std::string> Refused : {std::vector<std::string>{"--max-bits", "8"},
                                             {"--max-bits", "32"},
                                             {"--channels", "6"},
                                             {"--max-rate", "44.1k"},
                                             {"--max-rate", "4000"},
                                             {"-f", "mp3", "--max-bits", "16"},
                                             {"--profile="}})
        EXPECT_THROW(Resolve(Refused), EUsageError) << Refused.back();
    // The stored choice's limits apply only through a profile, whose values options override.
    TOutputChoice Stored{3, 0};
    Stored.Limits = {44100, 16, 2};
    Stored.CopyCompatible = true;
    EXPECT_TRUE(Resolve({}, Stored).Limits == TDeviceLimits{});
    const TOutputChoice FromProfile = Resolve({"--profile", "car", "--max-bits", "24"}, Stored);
    EXPECT_TRUE(FromProfile.Limits == (TDeviceLimits{44100, 24, 2}));
    EXPECT_TRUE(FromProfile.CopyCompatible);
    // Listing or saving profiles needs no input.
    EXPECT_NO_THROW(ParseCommandLine({"--profiles"}));
    EXPECT_NO_THROW(ParseCommandLine({"-f", "mp3", "--save-profile", "phone"}));
}

} // namespace
} // namespace deraz
