#include <gtest/gtest.h>

#include <cmath>

#include "codecs/vorbis/ACS_Vorbis.h"
#include "tests/codecs/VorbisTestSupport.h"
#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

using namespace test;

// Multichannel files of both encoders, read whole and in WAV order: ffmpeg's decoder gives WAV
// order, and our decoding must match it channel by channel.
struct TLayoutCase {
    const char* Encoder;
    int32_t Channels;
};

class VorbisInLayouts : public ::testing::TestWithParam<TLayoutCase> {};

TEST_P(VorbisInLayouts, DeliverEveryFrameInWaveOrder) {
    const auto& Case = GetParam();
    TTempDir Dir;
    const int32_t Frames = 48000 * 2 + 321;
    auto Samples = MusicLikeSignal(Frames, Case.Channels, 48000);
    std::string Ogg = Dir.File("in.ogg");
    if (std::string(Case.Encoder) == "oggenc") {
        Ogg = EncodeWithOggenc(Dir.Path().string(), "in", Samples, Case.Channels, 48000, 4);
    } else {
        WritePcmWav(Dir.File("in.wav"), Samples, Case.Channels, 48000);
        EncodeWithFfmpegVorbis(Dir.File("in.wav"), Ogg);
    }

    TVorbisIn In;
    In.SetFileName(Ogg);
    ASSERT_EQ(In.Channels(), Case.Channels);
    EXPECT_EQ(In.TotalSamples(), Frames);
    EXPECT_EQ(In.Size(), int64_t(Frames) * 2 * Case.Channels);
    EXPECT_EQ(In.Note(), "");
    auto Ours = BytesToSamples(ReadAllData(In, 65536));
    ASSERT_EQ(Ours.size(), Samples.size());
    auto Reference = BytesToSamples(DecodeWithFfmpeg(Ogg));
    ASSERT_EQ(Reference.size(), Samples.size());
    ExpectChannelsAbove(ChannelSnrDb(Reference, Ours, Case.Channels), 40.0);
    auto AgainstSource = ChannelSnrDb(Samples, Ours, Case.Channels);
    // libvorbis keeps only the low band of 5.1's LFE channel (the fourth in WAV order).
    if (Case.Channels == 6) AgainstSource.erase(AgainstSource.begin() + 3);
    ExpectChannelsAbove(AgainstSource, 5.0);
}

INSTANTIATE_TEST_SUITE_P(Encoders, VorbisInLayouts,
                         ::testing::Values(TLayoutCase{"oggenc", 3}, TLayoutCase{"oggenc", 6},
                                           TLayoutCase{"oggenc", 8}, TLayoutCase{"ffmpeg", 6},
                                           TLayoutCase{"ffmpeg", 8}),
                         [](const auto& Info) {
                             return std::string(Info.param.Encoder) + "_" +
                                    std::to_string(Info.param.Channels) + "ch";
                         });

// A chain of oggenc files joined with cat: a first link shorter than one read buffer (one Ogg page),
// then a second file encoded twice. Later links in another format are converted to the first one's:
// sox, resampling and remixing oggdec's decoding of the second file, gives the reference.
struct TChainCase {
    int32_t FirstChannels, FirstRate;
    int32_t SecondChannels, SecondRate;
    const char* Remix; // sox's remix from the second link's channels to the first's
};

class VorbisInChains : public ::testing::TestWithParam<TChainCase> {};

// Everything TVorbisIn delivers from File.
std::vector<uint8_t> ReadWhole(const std::string& File) {
    TVorbisIn In;
    In.SetFileName(File);
    return ReadAllData(In, 65536);
}

TEST_P(VorbisInChains, DeliverEveryLinkInTheFirstLinksFormat) {
    const auto& Case = GetParam();
    TTempDir Dir;
    const std::string Folder = Dir.Path().string();
    const int32_t FirstFrames = Case.FirstRate / 40 + 111, SecondFrames = Case.SecondRate * 3 / 2 + 7;
    std::string First =
        EncodeWithOggenc(Folder, "first", MusicLikeSignal(FirstFrames, Case.FirstChannels, Case.FirstRate),
                         Case.FirstChannels, Case.FirstRate, 3);
    std::string Links = ShellQuote(First), Second, Chain = Dir.File("chain.ogg");
    for (const char* Name : {"second", "third"}) {
        Second = EncodeWithOggenc(Folder, Name,
                                  MusicLikeSignal(SecondFrames, Case.SecondChannels, Case.SecondRate, 5),
                                  Case.SecondChannels, Case.SecondRate, 3);
        Links += " " + ShellQuote(Second);
    }
    ASSERT_EQ(RunCommand("cat " + Links + " > " + ShellQuote(Chain)), 0);

    const bool SameFormat = Case.FirstChannels == Case.SecondChannels && Case.FirstRate == Case.SecondRate;
    const int64_t FrameBytes = 2 * Case.FirstChannels;
    const int64_t SecondLength = std::llround(double(SecondFrames) * Case.FirstRate / Case.SecondRate);
    const int64_t Total = FirstFrames + 2 * SecondLength;
    TVorbisIn In;
    In.SetFileName(Chain);
    ASSERT_EQ(In.Channels(), Case.FirstChannels);
    EXPECT_EQ(In.SampleRate(), Case.FirstRate);
    EXPECT_EQ(In.TotalSamples(), Total);
    EXPECT_EQ(In.Size(), Total * FrameBytes);
    EXPECT_EQ(In.Note().empty(), SameFormat) << In.Note();
    auto Whole = ReadAllData(In, 65536);
    ASSERT_EQ(int64_t(Whole.size()), In.Size());

    // The first link exactly as the file alone gives it.
    auto Alone = ReadWhole(First);
    EXPECT_TRUE(std::equal(Alone.begin(), Alone.end(), Whole.begin()));
    auto Tail = BytesToSamples({Whole.begin() + int64_t(Alone.size()), Whole.end()});
    std::string Raw = Dir.File("second.raw"), Converted = Dir.File("converted.raw");
    WriteFileBytes(Raw, DecodeWithOggdec(Second));
    const std::string RawFormat = "-t raw -e signed -b 16 -c ";
    ASSERT_EQ(RunCommand("sox -D " + RawFormat + std::to_string(Case.SecondChannels) + " -r " +
                         std::to_string(Case.SecondRate) + " " + ShellQuote(Raw) + " " + RawFormat +
                         std::to_string(Case.FirstChannels) + " " + ShellQuote(Converted) + " rate " +
                         std::to_string(Case.FirstRate) + " remix " + Case.Remix),
              0);
    auto Reference = BytesToSamples(ReadFileBytes(Converted));
    for (auto Link = Tail.begin(); Link != Tail.end(); Link += SecondLength * Case.FirstChannels) {
        std::vector<int16_t> Part(Link, Link + SecondLength * Case.FirstChannels);
        if (Case.FirstRate == Case.SecondRate)
            EXPECT_TRUE(Reference == Part);
        else
            ExpectChannelsAbove(ChannelSnrDb(Reference, Part, Case.FirstChannels), 30.0);
    }

    // Starting inside the second link delivers exactly the rest of the chain.
    const int64_t Start = FirstFrames + SecondLength / 2;
    In.SetStartSample(Start);
    auto Rest = ReadAllData(In, 65536);
    ASSERT_EQ(int64_t(Rest.size()), (Total - Start) * FrameBytes);
    std::vector<uint8_t> WholeRest(Whole.begin() + Start * FrameBytes, Whole.end());
    ExpectChannelsAbove(ChannelSnrDb(BytesToSamples(WholeRest), BytesToSamples(Rest), Case.FirstChannels),
                        20.0);
}

INSTANTIATE_TEST_SUITE_P(
    Joined, VorbisInChains,
    ::testing::Values(TChainCase{2, 44100, 2, 44100, "1 2"}, TChainCase{1, 16000, 2, 22050, "1v0.5,2v0.5"},
                      TChainCase{2, 44100, 1, 44100, "1 1"}, TChainCase{6, 48000, 2, 44100, "1 2 0 0 0 0"}),
    [](const auto& Info) {
        const TChainCase& Case = Info.param;
        return std::to_string(Case.FirstChannels) + "ch" + std::to_string(Case.FirstRate) + "_then_" +
               std::to_string(Case.SecondChannels) + "ch" + std::to_string(Case.SecondRate);
    });

} // namespace
} // namespace deraz
