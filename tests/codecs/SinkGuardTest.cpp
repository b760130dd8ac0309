// What every file sink guarantees around a conversion that cannot go ahead: the file it reads is
// never written over, a file it created is not left behind, and a file it appends to stays.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "codecs/ape/ACS_MAC.h"
#include "codecs/flac/ACS_FLAC.h"
#include "codecs/mp3/ACS_LAME.h"
#include "codecs/vorbis/ACS_Vorbis.h"
#include "codecs/wave/ACS_Wave.h"
#include "tests/support/PipelineSupport.h"
#include "tests/support/TestSupport.h"

namespace deraz::test {
namespace {

struct TSinkCase {
    const char* Name;
    std::function<std::unique_ptr<TACSFileOut>()> Make;
};

template <class Sink> TSinkCase Case(const char* Name) {
    return {Name, [] { return std::make_unique<Sink>(); }};
}

class FileSink : public ::testing::TestWithParam<TSinkCase> {};

TEST_P(FileSink, NeverWritesOverItsInput) {
    TTempDir Dir;
    std::string File = Dir.File("self.wav");
    WritePcmWav(File, MusicLikeSignal(4410, 2, 44100), 2, 44100);
    auto Before = ReadFileBytes(File);
    TWaveIn Source;
    Source.SetFileName(File);
    auto Sink = GetParam().Make();
    Sink->SetInput(&Source);
    Sink->SetFileName(File);
    EXPECT_EQ(RunAndWait(*Sink), "The output file is the input file: " + File);
    EXPECT_EQ(ReadFileBytes(File), Before);
    EXPECT_FALSE(Source.Busy());
}

TEST_P(FileSink, LeavesNoOutputWhenItsInputCannotBeRead) {
    TTempDir Dir;
    TWaveIn Source;
    Source.SetFileName(Dir.File("missing.wav"));
    auto Sink = GetParam().Make();
    Sink->SetInput(&Source);
    Sink->SetFileName(Dir.File("out"));
    EXPECT_EQ(RunAndWait(*Sink), "Cannot open " + Dir.File("missing.wav") + ": No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(Dir.File("out")));
    EXPECT_FALSE(Sink->Busy());
}

INSTANTIATE_TEST_SUITE_P(Every, FileSink,
                         ::testing::Values(Case<TWaveOut>("wav"), Case<TVorbisOut>("ogg"),
                                           Case<TMP3Out>("mp3"), Case<TFLACOut>("flac"),
                                           Case<TMACOut>("ape")),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(FileSinkAppend, AFailedAppendLeavesTheFileAsItWas) {
    TTempDir Dir;
    std::string Existing = Dir.File("existing.wav"), Other = Dir.File("other.wav");
    WritePcmWav(Existing, MusicLikeSignal(4410, 2, 44100), 2, 44100);
    WritePcmWav(Other, MusicLikeSignal(2205, 1, 22050), 1, 22050);
    auto Before = ReadFileBytes(Existing);
    TWaveIn Source;
    Source.SetFileName(Other);
    TWaveOut Sink;
    Sink.SetFileMode(foAppend);
    Sink.SetInput(&Source);
    Sink.SetFileName(Existing);
    EXPECT_EQ(RunAndWait(Sink), "Cannot append data in different audio format.");
    EXPECT_EQ(ReadFileBytes(Existing), Before);
}

} // namespace
} // namespace deraz::test
