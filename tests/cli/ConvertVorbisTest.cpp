#include <gtest/gtest.h>

#include <filesystem>

#include "tests/codecs/VorbisTestSupport.h"
#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

using namespace test;

class ConvertToOgg : public ::testing::Test {
protected:
    void SetUp() override {
        Input = EncodeWithOggenc(Dir.Path().string(), "music", MusicLikeSignal(44100 * 3 + 5, 2, 44100), 2,
                                 44100, 2);
    }
    // Converts Input to Ogg Vorbis at list entry Level into a folder of its own; the output file.
    std::string ConvertAtLevel(int Level) {
        std::string Folder = Dir.File("level" + std::to_string(Level));
        std::string Output;
        EXPECT_EQ(RunConverter("-q -f ogg -l " + std::to_string(Level) + " -o " + ShellQuote(Folder) + " " +
                                   ShellQuote(Input),
                               &Output),
                  0)
            << Output;
        return Folder + "/music.ogg";
    }

    TTempDir Dir;
    std::string Input;
};

TEST_F(ConvertToOgg, EachEntryEncodesAtItsQualityWithTheInputsLength) {
    // Entry i is quality i / 10, what oggenc calls -q i: the same nominal bit rate.
    for (int Level : {0, 5, 9, 10}) {
        SCOPED_TRACE(Level);
        std::string Ours = ConvertAtLevel(Level);
        ExpectCleanOgginfo(Ours);
        EXPECT_EQ(DecodeWithOggdec(Ours).size(), size_t(44100 * 3 + 5) * 4);
        std::string Reference = EncodeWithOggenc(Dir.Path().string(), "reference" + std::to_string(Level),
                                                 MusicLikeSignal(4410, 2, 44100), 2, 44100, Level);
        EXPECT_EQ(OgginfoLine(Ours, "Nominal bitrate"), OgginfoLine(Reference, "Nominal bitrate"));
        EXPECT_NE(OgginfoLine(Ours, "Nominal bitrate"), "");
    }
}

TEST(ConvertFromOgg, FileThatIsNotOggVorbisFailsAndLeavesNoOutput) {
    TTempDir Dir;
    std::string Fake = Dir.File("fake.ogg");
    WritePcmWav(Fake, MusicLikeSignal(4410, 2, 44100), 2, 44100);
    std::string Folder = Dir.File("out");
    std::filesystem::create_directory(Folder);
    std::string Output;
    EXPECT_EQ(RunConverter("-q -f ogg -o " + ShellQuote(Folder) + " " + ShellQuote(Fake), &Output), 1)
        << Output;
    EXPECT_NE(Output.find("fake.ogg"), std::string::npos) << Output;
    EXPECT_TRUE(std::filesystem::is_empty(Folder));
}

} // namespace
} // namespace deraz
