#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/vorbis/VorbisLibrary.h"
#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

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

// Runs the probe with Hidden replaced by a library that has none of the entry points.
std::string ProbeWithout(const std::string& Hidden) {
    TTempDir Dir;
    std::filesystem::create_symlink(DERAZ_EMPTY_LIBRARY, Dir.Path() / Hidden);
    std::string Output;
    RunCommand("LD_LIBRARY_PATH=" + ShellQuote(Dir.Path().string()) + " " + ShellQuote(DERAZ_LIBRARY_PROBE),
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

} // namespace
} // namespace deraz
