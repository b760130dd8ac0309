#include "app/OutputFormats.h"
#include "app/FileNames.h"

#include <gtest/gtest.h>

namespace deraz {
namespace {

TEST(OutputNames, TakeTheFormatsExtensionBesideTheInputOrInTheOutputDirectory) {
    EXPECT_EQ(OutputFileName("/m/Song.WAV", ".ogg"), "/m/Song.ogg");
    EXPECT_EQ(OutputFileName("/m/a.b.c.flac", ".ape"), "/m/a.b.c.ape");
    EXPECT_EQ(OutputFileName("/m.d/noext", ".mp3"), "/m.d/noext.mp3");
    EXPECT_EQ(OutputFileName("/m/Song.wav", ""), "/m/Song");
    EXPECT_EQ(OutputFileName("/m/Song.wav", ".fla", "/out"), "/out/Song.fla");
    EXPECT_EQ(OutputFileName("/m/Song.wav", ".fla", "/out/"), "/out/Song.fla");
    EXPECT_EQ(ExtractFileExt("/m.d/noext"), "");
    EXPECT_EQ(ExtractFileExt("/m/x.FlAc"), ".FlAc");
}

TEST(OutputFormats, ListAndFindTheSixFormats) {
    ASSERT_EQ(OutputFormats().size(), 6u);
    EXPECT_EQ(OutputExtension(3), ".flac");
    EXPECT_EQ(OutputExtension(6), "");
    EXPECT_EQ(OutputExtension(-1), "");
    EXPECT_EQ(FindOutputFormat("FLA"), 2);
    EXPECT_EQ(FindOutputFormat(".wav"), 5);
    EXPECT_EQ(FindOutputFormat("aac"), -1);
    EXPECT_STREQ(OutputFormats()[1].Levels[size_t(OutputFormats()[1].DefaultLevel)], "128 kbps");
    EXPECT_STREQ(OutputFormats()[0].Levels[size_t(OutputFormats()[0].DefaultLevel)], "Quality 5 - 160 kbps");
    EXPECT_STREQ(OutputFormats()[4].Levels[size_t(OutputFormats()[4].DefaultLevel)],
                 "Normal - Good compression");
}

TEST(OutputFormats, StoredLevelsBecomeEncoderSettings) {
    EXPECT_FLOAT_EQ(*VorbisCompression({0, 0}), 0.0f);
    EXPECT_FLOAT_EQ(*VorbisCompression({0, 5}), 0.5f);
    EXPECT_FLOAT_EQ(*VorbisCompression({0, 9}), 0.9f);
    EXPECT_EQ(*VorbisCompression({0, 10}), 1.0f);
    EXPECT_FALSE(VorbisCompression({0, 11}));
    EXPECT_FALSE(VorbisCompression({1, 3}));
    EXPECT_EQ(*MACCompressionLevel({4, 0}), 1000);
    EXPECT_EQ(*MACCompressionLevel({4, 5}), 6000);
    EXPECT_FALSE(MACCompressionLevel({4, 6}));
    EXPECT_FALSE(MACCompressionLevel({0, 1}));
    EXPECT_EQ(*MP3BitRateIndex({1, 17}), 17);
    EXPECT_EQ(*MP3BitRateIndex({0, 5}), 5);
    EXPECT_FALSE(MP3BitRateIndex({1, 18}));
    EXPECT_FALSE(MP3BitRateIndex({1, -1}));
}

} // namespace
} // namespace deraz
