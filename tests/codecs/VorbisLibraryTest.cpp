#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/vorbis/VorbisLibrary.h"
#include "tests/codecs/VorbisTestSupport.h"
#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

using test::EncodeWithOggenc;
using test::MusicLikeSignal;
using test::RunCommand;
using test::ShellQuote;
using test::TTempDir;

TEST(VorbisLibraries, AllFourLoadWithEveryEntryPoint) {
    LoadCodecLibraries();
    EXPECT_TRUE(OggLibrary().Loaded());
    EXPECT_TRUE(VorbisLibrary().Loaded());
    EXPECT_TRUE(VorbisFileLibrary().Loaded());
    EXPECT_TRUE(VorbisEncLibrary().Loaded());
    EXPECT_NO_THROW(RequireVorbisLibraries());
}

TEST(VorbisLibraries, MissingFileIsNotLoadedAndNamedInTheMessage) {
    TCodecBinding<TOggApi> Binding(std::string("libdoes-not-exist.so.9"));
    EXPECT_FALSE(Binding.Loaded());
    EXPECT_EQ(Binding.NotLoadedMessage(), "libdoes-not-exist.so.9 library could not be loaded.");
    try {
        RequireLibrary(Binding);
        FAIL() << "a missing library was accepted";
    } catch (const EACSException& E) {
        EXPECT_STREQ(E.what(), "libdoes-not-exist.so.9 library could not be loaded.");
    }
}

TEST(VorbisLibraries, LibraryLackingAnEntryPointCountsAsNotLoaded) {
    // libm loads fine but holds no Ogg entry point; libvorbis lacks the vorbisfile ones.
    EXPECT_FALSE(TCodecBinding<TOggApi>(std::string("libm.so.6")).Loaded());
    EXPECT_FALSE(TCodecBinding<TVorbisFileApi>(std::string("libvorbis.so.0")).Loaded());
}

// Runs the probe, reading File when given, with Hidden replaced by a library that has none of the
// entry points.
std::string ProbeWithout(const std::string& Hidden, const std::string& File = "") {
    TTempDir Dir;
    std::filesystem::create_symlink(DERAZ_EMPTY_LIBRARY, Dir.Path() / Hidden);
    std::string Output;
    RunCommand("LD_LIBRARY_PATH=" + ShellQuote(Dir.Path().string()) + " " + ShellQuote(DERAZ_LIBRARY_PROBE) +
                   (File.empty() ? "" : " " + ShellQuote(File)),
               &Output);
    return Output;
}

TEST(VorbisLibraries, ComponentsRefuseCreationNamingTheFirstMissingLibrary) {
    // Without libogg the other three cannot load either; ogg is checked first.
    EXPECT_EQ(ProbeWithout("libogg.so.0"), "in: libogg.so.0 library could not be loaded.\n"
                                           "out: libogg.so.0 library could not be loaded.\n");
    EXPECT_EQ(ProbeWithout("libvorbisfile.so.3"), "in: libvorbisfile.so.3 library could not be loaded.\n"
                                                  "out: libvorbisfile.so.3 library could not be loaded.\n");
    EXPECT_EQ(ProbeWithout("libvorbisenc.so.2"), "in: libvorbisenc.so.2 library could not be loaded.\n"
                                                 "out: libvorbisenc.so.2 library could not be loaded.\n");
    EXPECT_EQ(ProbeWithout("libunrelated.so.1"), "in: created\nout: created\n");
}

TEST(VorbisLibraries, WithoutTheResamplerOnlyAChainThatNeedsResamplingFails) {
    // A stereo 44.1 kHz link followed by a mono one at SecondRate: only a change of rate needs
    // libsoxr, and opening the file never does.
    struct {
        int32_t SecondRate;
        const char* Read;
    } const Cases[] = {{44100, "whole"}, {22050, "libsoxr.so.0 library could not be loaded."}};
    for (const auto& Case : Cases) {
        TTempDir Dir;
        const std::string Folder = Dir.Path().string(), Chain = Dir.File("chain.ogg");
        const std::string First =
            EncodeWithOggenc(Folder, "first", MusicLikeSignal(44211, 2, 44100), 2, 44100, 3);
        const std::string Second = EncodeWithOggenc(
            Folder, "second", MusicLikeSignal(Case.SecondRate, 1, Case.SecondRate, 5), 1, Case.SecondRate, 3);
        ASSERT_EQ(
            RunCommand("cat " + ShellQuote(First) + " " + ShellQuote(Second) + " > " + ShellQuote(Chain)), 0);
        EXPECT_EQ(ProbeWithout("libsoxr.so.0", Chain),
                  std::string("in: created\nout: created\nopened: valid\nread: ") + Case.Read + "\n");
    }
}

} // namespace
} // namespace deraz
