#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <string>

#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

using test::TTempDir;

std::string ReadText(const std::string& FileName) {
    auto Bytes = test::ReadFileBytes(FileName);
    return {Bytes.begin(), Bytes.end()};
}

void WriteText(const std::string& FileName, const std::string& Text) {
    test::WriteFileBytes(FileName, {Text.begin(), Text.end()});
}

TEST(IniFile, MissingFileSectionOrKeyGivesTheDefault) {
    TTempDir Dir;
    TIniFile Missing(Dir.File("none.ini"));
    EXPECT_EQ(Missing.ReadInteger("Output", "Bitrate", 5), 5);
    EXPECT_EQ(Missing.ReadString("General", "Done", "d"), "d");
    EXPECT_TRUE(Missing.ReadBool("General", "Notify", true));

    WriteText(Dir.File("a.ini"), "[Output]\nDestExt=2\n");
    TIniFile Ini(Dir.File("a.ini"));
    EXPECT_EQ(Ini.ReadInteger("General", "DestExt", 7), 7);
    EXPECT_EQ(Ini.ReadInteger("Output", "Bitrate", 7), 7);
}

TEST(IniFile, NumbersReadAsDecimalOrHexadecimal) {
    struct TCase {
        const char* Text;
        int32_t Expected;
    } Cases[] = {{"31", 31},
                 {"0x1F", 31},
                 {"0X1f", 31},
                 {"$1F", 31},
                 {"-7", -7},
                 {"+7", 7},
                 {" 12 ", 12},
                 {"$FFFFFFFF", -1},
                 {"2147483647", 2147483647},
                 {"-2147483648", INT32_MIN},
                 // Not numbers: the default.
                 {"0x", 99},
                 {"$", 99},
                 {"12abc", 99},
                 {"", 99},
                 {"2147483648", 99},
                 {"$100000000", 99},
                 {"1.5", 99},
                 {"true", 99}};
    TTempDir Dir;
    TIniFile Ini(Dir.File("n.ini"));
    for (const auto& Case : Cases) {
        WriteText(Ini.FileName(), std::string("[Output]\nDestExt=") + Case.Text + "\n");
        EXPECT_EQ(Ini.ReadInteger("Output", "DestExt", 99), Case.Expected) << Case.Text;
    }
    WriteText(Ini.FileName(), "[G]\nA=0\nB=$10\nC=yes\n");
    EXPECT_FALSE(Ini.ReadBool("G", "A", true));
    EXPECT_TRUE(Ini.ReadBool("G", "B", false));
    EXPECT_TRUE(Ini.ReadBool("G", "C", true));
}

TEST(IniFile, SectionsAndKeysMatchInAnyCase) {
    TTempDir Dir;
    WriteText(Dir.File("c.ini"),
              "; settings\n[general]\nuSeSoUnD = 1\nDone= \"/x/done.wav\" \n[OUTPUT]\nBITRATE=3\n");
    TIniFile Ini(Dir.File("c.ini"));
    EXPECT_TRUE(Ini.ReadBool("General", "UseSound", false));
    EXPECT_EQ(Ini.ReadString("GENERAL", "done", ""), "/x/done.wav");
    EXPECT_EQ(Ini.ReadInteger("Output", "Bitrate", 5), 3);

    Ini.WriteInteger("Output", "bitrate", 7);
    EXPECT_EQ(ReadText(Ini.FileName()),
              "; settings\n[general]\nuSeSoUnD = 1\nDone= \"/x/done.wav\" \n[OUTPUT]\nbitrate=7\n");
}

TEST(IniFile, StringsAreCutAt2047Characters) {
    TTempDir Dir;
    TIniFile Ini(Dir.File("s.ini"));
    Ini.WriteString("General", "Done", std::string(3000, 'a'));
    EXPECT_EQ(Ini.ReadString("General", "Done", ""), std::string(2047, 'a'));
    // Characters, not bytes: a two-byte character is not split.
    std::string Wide;
    for (int I = 0; I < 2100; ++I) Wide += "\xC3\xA9";
    Ini.WriteString("General", "Done", Wide);
    EXPECT_EQ(Ini.ReadString("General", "Done", ""), Wide.substr(0, 2 * 2047));
}

TEST(IniFile, AWriteChangesOneKeyAndKeepsEveryOtherLine) {
    TTempDir Dir;
    const std::string Original = "; written by hand\r\n[General]\r\nMinimode=1\r\nUnknown=keep me\r\n\r\n"
                                 "[Output]\r\nDestExt=0\r\n# comment\r\n\r\n[Other]\r\nX=1";
    WriteText(Dir.File("w.ini"), Original);
    TIniFile Ini(Dir.File("w.ini"));

    Ini.WriteInteger("Output", "DestExt", 4);
    std::string Expected = Original;
    Expected.replace(Expected.find("DestExt=0"), 9, "DestExt=4");
    EXPECT_EQ(ReadText(Ini.FileName()), Expected);

    // A new key goes after the last line of its section, in the file's line endings.
    Ini.WriteInteger("General", "Notify", 1);
    Expected.replace(Expected.find("Unknown=keep me\r\n") + 17, 0, "Notify=1\r\n");
    EXPECT_EQ(ReadText(Ini.FileName()), Expected);

    // A new section goes at the end.
    Ini.WriteString("Extra", "Y", "2");
    Expected += "\r\n[Extra]\r\nY=2\r\n";
    EXPECT_EQ(ReadText(Ini.FileName()), Expected);
    EXPECT_EQ(Ini.ReadInteger("Other", "X", 0), 1);
    EXPECT_EQ(Ini.ReadInteger("Extra", "Y", 0), 2);
}

TEST(IniFile, ARefusedWriteRaisesAndKeepsWhatWasWritten) {
    TTempDir Dir;
    TIniFile Ini(Dir.File("r.ini"));
    Ini.WriteInteger("Output", "DestExt", 3);
    {
        test::TReadOnly Locked(Ini.FileName());
        if (!Locked.Made()) GTEST_SKIP() << "cannot make a file read-only here";
        try {
            Ini.WriteInteger("Output", "Bitrate", 1);
            ADD_FAILURE() << "the write was not refused";
        } catch (const EIniFileException& E) {
            EXPECT_EQ(std::string(E.what()), "Unable to write to " + Ini.FileName());
        }
    }
    EXPECT_EQ(Ini.ReadInteger("Output", "DestExt", 0), 3);
    EXPECT_EQ(Ini.ReadInteger("Output", "Bitrate", 5), 5);
}

TEST(IniFile, AFileInAMissingDirectoryCannotBeWritten) {
    TTempDir Dir;
    TIniFile Ini(Dir.File("missing/Varidir.ini"));
    EXPECT_EQ(Ini.FileName(), Dir.File("missing/Varidir.ini"));
    EXPECT_THROW(Ini.WriteBool("General", "Notify", true), EIniFileException);
}

} // namespace
} // namespace deraz
