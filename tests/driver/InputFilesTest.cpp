// Folder walks through symbolic links.
#include <filesystem>
#include <gtest/gtest.h>

#include "driver/InputFiles.h"
#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

namespace fs = std::filesystem;

TEST(ExpandInputs, LinkedFoldersAreFollowedOnceWithoutLooping) {
    test::TTempDir Dir;
    for (const char* Folder : {"Music/Real", "Elsewhere/Linked Album"})
        fs::create_directories(Dir.File(Folder));
    test::WriteFileBytes(Dir.File("Music/Real/01.wav"), {1});
    test::WriteFileBytes(Dir.File("Elsewhere/Linked Album/02.wav"), {2});
    fs::create_directory_symlink(Dir.File("Elsewhere/Linked Album"), Dir.File("Music/Linked Album"));
    fs::create_directory_symlink(Dir.File("Music"), Dir.File("Music/Real/Loop"));
    fs::create_directory_symlink(Dir.File("Music/Real"), Dir.File("Music/Same"));
    TWalkReport Report;
    auto Inputs = ExpandInputs({Dir.File("Music")}, "", &Report);
    ASSERT_EQ(Inputs.size(), 2u);
    EXPECT_EQ(Inputs[0].RelativePath, "Linked Album/02.wav");
    EXPECT_EQ(Inputs[1].RelativePath, "Real/01.wav");
    EXPECT_EQ(Report.LinkedTwice, 2);
    EXPECT_EQ(Report.Text(), "2 links to folders already walked");
}

} // namespace
} // namespace deraz
