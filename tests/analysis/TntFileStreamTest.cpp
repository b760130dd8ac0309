// The readers' file stream: open modes and the texts of its open and create errors.
#include "analysis/TntFileStream.h"
#include "tests/analysis/AnalysisTestSupport.h"

#include <gtest/gtest.h>

namespace deraz::test {
namespace {

TEST(TntFileStream, ModesAndPositions) {
    TTempDir Dir;
    std::string File = Dir.File("ü.bin");
    {
        TTntFileStream Created(File, fmCreate);
        EXPECT_EQ(Created.Write("abcdef", 6), 6);
        EXPECT_EQ(Created.Size(), 6);
    }
    {
        TTntFileStream Writer(File, fmOpenWrite | fmShareDenyWrite);
        EXPECT_EQ(Writer.Seek(2), 2);
        EXPECT_EQ(Writer.Write("XY", 2), 2);
        char Byte;
        EXPECT_THROW(Writer.Read(&Byte, 1), EReadError); // write access only
    }
    TTntFileStream Reader(File, fmOpenRead | fmShareDenyWrite);
    char Text[8] = {};
    EXPECT_EQ(Reader.Read(Text, 8), 6);
    EXPECT_STREQ(Text, "abXYef");
    EXPECT_EQ(Reader.Seek(-2, soCurrent), 4);
    EXPECT_EQ(Reader.Seek(-1, soEnd), 5);
    EXPECT_EQ(Reader.Seek(-7, soEnd), -1);
    EXPECT_EQ(Reader.Position(), 5);
    EXPECT_EQ(Reader.Seek(100), 100);
    EXPECT_EQ(Reader.Read(Text, 8), 0);

    // fmCreate empties an existing file.
    TTntFileStream Again(File, fmCreate);
    EXPECT_EQ(Again.Size(), 0);
}

TEST(TntFileStream, ErrorTexts) {
    TTempDir Dir;
    std::string Missing = Dir.File("missing.bin");
    try {
        TTntFileStream Stream(Missing, fmOpenRead);
        FAIL();
    } catch (const EFOpenError& E) {
        EXPECT_EQ(std::string(E.what()), "Cannot open file \"" + Missing + "\". No such file or directory");
    }
    std::string NoFolder = Dir.File("no/such.bin");
    try {
        TTntFileStream Stream(NoFolder, fmCreate);
        FAIL();
    } catch (const EFCreateError& E) {
        EXPECT_EQ(std::string(E.what()),
                  "Cannot create file \"" + NoFolder + "\". No such file or directory");
    }
    EXPECT_THROW(TTntFileStream(Dir.Path().string(), fmOpenRead), EFOpenError);
}

} // namespace
} // namespace deraz::test
