#include <gtest/gtest.h>

#include "codecs/vorbis/ACS_Vorbis.h"
#include "tests/codecs/VorbisTestSupport.h"
#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

using namespace test;

struct TOggencCase {
    int32_t Channels;
    int32_t SampleRate;
    int Quality;
};

class VorbisInDecodes : public ::testing::TestWithParam<TOggencCase> {};

TEST_P(VorbisInDecodes, ExactlyWhatOggdecGives) {
    const auto& Case = GetParam();
    TTempDir Dir;
    int32_t Frames = Case.SampleRate * 2 + 123;
    auto Samples = MusicLikeSignal(Frames, Case.Channels, Case.SampleRate);
    std::vector<std::string> Comments{"ARTIST=Somebody Else", "TITLE=T\xc3\xbcrk\xc3\xa7\x65 =x",
                                      "artist=Second"};
    std::string Ogg = EncodeWithOggenc(Dir.Path().string(), "in", Samples, Case.Channels, Case.SampleRate,
                                       Case.Quality, Comments);

    TVorbisIn In;
    In.SetFileName(Ogg);
    EXPECT_EQ(In.Channels(), Case.Channels);
    EXPECT_EQ(In.SampleRate(), Case.SampleRate);
    EXPECT_EQ(In.BitsPerSample(), 16);
    EXPECT_TRUE(In.Valid());
    EXPECT_EQ(In.TotalSamples(), Frames);
    EXPECT_EQ(In.Size(), Frames * 2 * Case.Channels);
    EXPECT_EQ(In.Comments(), Comments);
    EXPECT_GT(In.NominalBitrate(), 0);

    auto Ours = ReadAllData(In, 65536);
    auto Reference = DecodeWithOggdec(Ogg);
    ASSERT_EQ(Reference.size(), size_t(Frames) * 2 * Case.Channels);
    EXPECT_TRUE(Ours == Reference) << "decoded PCM differs from oggdec's";
    EXPECT_FALSE(In.Busy());
}

INSTANTIATE_TEST_SUITE_P(OggencFiles, VorbisInDecodes,
                         ::testing::Values(TOggencCase{1, 8000, 0}, TOggencCase{2, 22050, 3},
                                           TOggencCase{2, 44100, 6}, TOggencCase{1, 48000, 10},
                                           TOggencCase{2, 32000, -1}),
                         [](const auto& Info) {
                             const TOggencCase& Case = Info.param;
                             return std::to_string(Case.Channels) + "ch_" + std::to_string(Case.SampleRate) +
                                    "Hz_q" + (Case.Quality < 0 ? "minus1" : std::to_string(Case.Quality));
                         });

TEST(VorbisIn, FilesThatAreNotOggVorbisAreInvalidAndDeliverNothing) {
    TTempDir Dir;
    std::string Wav = Dir.File("not-ogg.ogg");
    WritePcmWav(Wav, MusicLikeSignal(4410, 2, 44100), 2, 44100);
    std::string Garbage = Dir.File("garbage.ogg");
    WriteFileBytes(Garbage, std::vector<uint8_t>(100000, 0x4F));
    std::string Empty = Dir.File("empty.ogg");
    WriteFileBytes(Empty, {});

    const std::string NotVorbis = "The file holds no Ogg Vorbis stream.";
    for (const auto& [Name, Reason] :
         {std::pair{Wav, NotVorbis}, std::pair{Garbage, NotVorbis}, std::pair{Empty, NotVorbis}}) {
        SCOPED_TRACE(Name);
        TVorbisIn In;
        In.SetFileName(Name);
        EXPECT_EQ(In.Channels(), 0);
        EXPECT_FALSE(In.Valid());
        EXPECT_EQ(In.DecodeError(), Reason);
        EXPECT_EQ(In.TotalTime(), 0);
        In.SetStartSample(10);
        EXPECT_TRUE(ReadAllData(In, 65536).empty());
        In.SetLoop(true);
        EXPECT_TRUE(ReadAllData(In, 65536).empty());
    }
    // A file that cannot be read at all is an error, not a file to refuse.
    for (const std::string& Name : {Dir.File("missing.ogg"), Dir.Path().string()}) {
        TVorbisIn In;
        In.SetFileName(Name);
        EXPECT_THROW(In.OpenFile(), std::exception) << Name;
    }
}

} // namespace
} // namespace deraz
