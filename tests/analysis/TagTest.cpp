// ID3v1, ID3v2 and APE tags: tags written by the peer tools and hand-built ones.
#include "analysis/APETag.h"
#include "analysis/ID3v1.h"
#include "analysis/ID3v2.h"
#include "tests/analysis/AnalysisTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace deraz::test {
namespace {

// A 128-byte ID3v1 tag; Comment may hold zero bytes (version 1.1 track numbers).
TBytes Id3v1Tag(const std::string& Title, const std::string& Comment, uint8_t Genre) {
    TBytes Tag;
    Append(Tag, "TAG");
    auto Field = [&](const std::string& Text, size_t Width) {
        TBytes Bytes(Width, 0);
        std::memcpy(Bytes.data(), Text.data(), std::min(Width, Text.size()));
        Tag.insert(Tag.end(), Bytes.begin(), Bytes.end());
    };
    Field(Title, 30);
    Field("Artist", 30);
    Field("Album", 30);
    Field("1999", 4);
    Field(Comment, 30);
    Tag.push_back(Genre);
    return Tag;
}

// An ID3v2 frame of version 3 or 4 (10-byte header) or 2 (6-byte header).
TBytes Frame(int Version, const std::string& Id, const TBytes& Data, uint8_t Flags2 = 0) {
    TBytes Out;
    Append(Out, Id);
    if (Version == 2) {
        for (int I = 2; I >= 0; --I) Out.push_back(uint8_t(Data.size() >> (8 * I)));
    } else {
        AppendBE32(Out, uint32_t(Data.size()));
        Out.push_back(0);
        Out.push_back(Flags2);
    }
    Out.insert(Out.end(), Data.begin(), Data.end());
    return Out;
}

TBytes Text(uint8_t Encoding, const std::string& Value) {
    TBytes Out{Encoding};
    Append(Out, Value);
    return Out;
}

// An ID3v2 tag around the frames, with Padding zero bytes, followed by Tail.
TBytes Id3v2Tag(int Version, const std::vector<TBytes>& Frames, size_t Padding = 16, size_t Tail = 64) {
    TBytes Body;
    for (const auto& F : Frames) Body.insert(Body.end(), F.begin(), F.end());
    AppendZeros(Body, Padding);
    TBytes Out;
    Append(Out, "ID3");
    Out.push_back(uint8_t(Version));
    Out.push_back(0);
    Out.push_back(0);
    uint32_t Size = uint32_t(Body.size());
    for (int Shift : {21, 14, 7, 0}) Out.push_back(uint8_t((Size >> Shift) & 0x7F));
    Out.insert(Out.end(), Body.begin(), Body.end());
    AppendZeros(Out, Tail);
    return Out;
}

TEST(ID3v1, VersionsTrackAndGenre) {
    TTempDir Dir;
    std::string File = Dir.File("a.mp3");
    TBytes Bytes(300, 0x55);
    TBytes Tag = Id3v1Tag("Title with trailing   ", std::string(28, 'c') + std::string("\0\7", 2), 17);
    Bytes.insert(Bytes.end(), Tag.begin(), Tag.end());
    WriteFileBytes(File, Bytes);
    TID3v1 V11;
    ASSERT_TRUE(V11.LoadFile(File));
    EXPECT_TRUE(V11.Exists());
    EXPECT_EQ(V11.VersionId(), 2);
    EXPECT_EQ(V11.Track(), 7);
    EXPECT_EQ(V11.Comment(), std::string(28, 'c'));
    EXPECT_EQ(V11.Title(), "Title with trailing");
    EXPECT_EQ(V11.Year(), "1999");
    EXPECT_EQ(V11.GenreText(), "Rock");

    // A full 30-byte comment is version 1.0 without a track; genre 148 has no name.
    Tag = Id3v1Tag("T", std::string(30, 'd'), 148);
    std::copy(Tag.begin(), Tag.end(), Bytes.end() - 128);
    WriteFileBytes(File, Bytes);
    TID3v1 V10;
    ASSERT_TRUE(V10.LoadFile(File));
    EXPECT_EQ(V10.VersionId(), 1);
    EXPECT_EQ(V10.Track(), 0);
    EXPECT_EQ(V10.Comment(), std::string(30, 'd'));
    EXPECT_EQ(V10.GenreText(), "");
}

TEST(ID3v1, GenreTableAndAbsentTags) {
    EXPECT_STREQ(ID3v1Genres[0], "Blues");
    EXPECT_STREQ(ID3v1Genres[92], "Progessive Rock");
    EXPECT_STREQ(ID3v1Genres[147], "Synthpop");
    TTempDir Dir;
    std::string File = Dir.File("plain.bin");
    WriteFileBytes(File, TBytes(200, 1));
    TID3v1 Tag;
    EXPECT_TRUE(Tag.LoadFile(File));
    EXPECT_FALSE(Tag.Exists());
    EXPECT_EQ(Tag.GenreId(), 255);
    EXPECT_EQ(Tag.GenreText(), "");
    WriteFileBytes(File, TBytes(100, 1));
    EXPECT_FALSE(Tag.LoadFile(File));
    EXPECT_FALSE(Tag.LoadFile(Dir.File("missing.mp3")));
}

TEST(ID3v2, TagsWrittenById3v2AreReadInLatin1) {
    TTempDir Dir;
    std::string File = MakeWav(Dir, "a.wav", 1, 44100, 2);
    std::string Mp3 = Dir.File("a.mp3");
    RunTool("lame --quiet -b 128 " + ShellQuote(File) + " " + ShellQuote(Mp3));
    RunTool("id3v2 -a 'Artïst' -t Title -A Album -T 3/12 -y 1999 -g 17 -c 'A comment' " + ShellQuote(Mp3));
    TID3v2 Tag;
    ASSERT_TRUE(Tag.LoadFile(Mp3));
    EXPECT_TRUE(Tag.Exists());
    EXPECT_EQ(Tag.VersionId(), 3);
    EXPECT_EQ(Tag.Artist(), "Artïst");
    EXPECT_EQ(Tag.Title(), "Title");
    EXPECT_EQ(Tag.Album(), "Album");
    EXPECT_EQ(Tag.Track(), 3);
    EXPECT_EQ(Tag.TrackText(), "3/12");
    EXPECT_EQ(Tag.Year(), "1999");
    EXPECT_EQ(Tag.Genre(), ""); // "(17)" alone leaves nothing after the parenthesis
    EXPECT_EQ(Tag.Comment(), "A comment");
    // id3v2 also writes an ID3v1 tag.
    TID3v1 V1;
    ASSERT_TRUE(V1.LoadFile(Mp3));
    EXPECT_EQ(V1.Artist(), "Artïst");
    EXPECT_EQ(V1.GenreText(), "Rock");
}

TEST(ID3v2, MutagenEncodings) {
    TTempDir Dir;
    std::string Utf16 = Dir.File("utf16.mp3"), Latin = Dir.File("latin.mp3"), Utf8 = Dir.File("utf8.mp3");
    for (const auto& File : {Utf16, Latin, Utf8}) WriteFileBytes(File, TBytes(2000, 0));
    RunTool("/usr/bin/python3 -c " +
            ShellQuote("import sys\n"
                       "from mutagen.id3 import ID3, TIT2, TPE1, TALB, TCON, COMM, TDRC, TRCK\n"
                       "t = ID3()\n"
                       "t.add(TIT2(encoding=1, text='Tïtle ☃ 𝄞'))\n"
                       "t.add(TPE1(encoding=0, text='Ärtist'))\n"
                       "t.add(TCON(encoding=1, text='(17)Rock'))\n"
                       "t.add(COMM(encoding=1, lang='eng', desc='d', text='Cömment'))\n"
                       "t.add(TDRC(encoding=0, text='2004-05-06'))\n"
                       "t.add(TRCK(encoding=0, text='x/3'))\n"
                       "t.save(sys.argv[1], v2_version=3)\n"
                       "t.save(sys.argv[2], v2_version=4)\n"
                       "u = ID3()\n"
                       "u.add(TIT2(encoding=3, text='Title'))\n"
                       "u.add(TPE1(encoding=2, text='Artist'))\n"
                       "u.save(sys.argv[3], v2_version=4)\n") +
            " " + ShellQuote(Utf16) + " " + ShellQuote(Latin) + " " + ShellQuote(Utf8));
    for (const auto& File : {Utf16, Latin}) {
        TID3v2 Tag;
        ASSERT_TRUE(Tag.LoadFile(File));
        EXPECT_EQ(Tag.Title(), "Tïtle ☃ 𝄞") << File;
        EXPECT_EQ(Tag.Artist(), "Ärtist");
        EXPECT_EQ(Tag.Genre(), "Rock");
        EXPECT_EQ(Tag.Year(), "2004"); // from TDRC; mutagen writes no TYER
        EXPECT_EQ(Tag.Track(), 0);
        EXPECT_EQ(Tag.TrackText(), "x/3");
    }
    // The description's terminator is a whole UTF-16 character.
    TID3v2 Tag;
    ASSERT_TRUE(Tag.LoadFile(Utf16));
    EXPECT_EQ(Tag.Comment(), "Cömment");
    // UTF-8 and UTF-16 without a byte-order mark are not read.
    ASSERT_TRUE(Tag.LoadFile(Utf8));
    EXPECT_TRUE(Tag.Exists());
    EXPECT_EQ(Tag.Title(), "");
    EXPECT_EQ(Tag.Artist(), "");
    // mid3v2 writes version 2.4 frames in UTF-8.
    RunTool("mid3v2 -a Artist -t Title " + ShellQuote(Utf8));
    ASSERT_TRUE(Tag.LoadFile(Utf8));
    EXPECT_EQ(Tag.VersionId(), 4);
    EXPECT_EQ(Tag.Title(), "");
}

TEST(ID3v2, Version22FallbacksAndBigEndianText) {
    TTempDir Dir;
    std::string File = Dir.File("v22.mp3");
    TBytes BigEndian{1, 0xFE, 0xFF, 0x00, 0x41};
    WriteFileBytes(File,
                   Id3v2Tag(2, {Frame(2, "TT1", Text(0, "Group")), Frame(2, "TOA", Text(0, "Original")),
                                Frame(2, "TAL", BigEndian), Frame(2, "TRK", Text(0, "3/12")),
                                Frame(2, "TOR", Text(0, "1987-01")), Frame(2, "TCO", Text(0, "Jazz"))}));
    TID3v2 Tag;
    ASSERT_TRUE(Tag.LoadFile(File));
    EXPECT_EQ(Tag.VersionId(), 2);
    EXPECT_EQ(Tag.Title(), "Group");
    EXPECT_EQ(Tag.Artist(), "Original");
    EXPECT_EQ(Tag.Year(), "1987");
    EXPECT_EQ(Tag.Track(), 3);
    EXPECT_EQ(Tag.Genre(), "Jazz");
    // FE FF read little-endian is U+FFFE, and 00 41 is U+4100.
    EXPECT_EQ(Tag.Album(), "\xEF\xBF\xBE\xE4\x84\x80");
}

TEST(ID3v2, LongAndCompressedFramesAndHostileSizes) {
    TTempDir Dir;
    std::string File = Dir.File("long.mp3");
    std::string Long(599, 'x');
    Long.replace(0, 5, "Start");
    WriteFileBytes(File, Id3v2Tag(3, {Frame(3, "TIT2", Text(0, Long)), Frame(3, "TPE1", Text(0, "After")),
                                      Frame(3, "TALB", Text(0, "Packed"), 0x80)}));
    TID3v2 Tag;
    ASSERT_TRUE(Tag.LoadFile(File));
    EXPECT_EQ(Tag.Title(), Long.substr(0, 499)); // the encoding byte and 499 characters
    EXPECT_EQ(Tag.Artist(), "After");
    EXPECT_EQ(Tag.Album(), "");

    // A tag larger than its file has size 0 and no fields.
    TBytes Bytes = Id3v2Tag(3, {Frame(3, "TIT2", Text(0, "T"))});
    Bytes[6] = 0x7F;
    WriteFileBytes(File, Bytes);
    ASSERT_TRUE(Tag.LoadFile(File));
    EXPECT_TRUE(Tag.Exists());
    EXPECT_EQ(Tag.Size(), 0);
    EXPECT_EQ(Tag.Title(), "");

    // A frame size that would step backwards ends the scan instead of repeating it.
    TBytes Backwards = Frame(3, "TIT2", Text(0, "Loop"));
    Backwards[4] = Backwards[5] = Backwards[6] = Backwards[7] = 0xFF;
    WriteFileBytes(File, Id3v2Tag(3, {Frame(3, "TPE1", Text(0, "First")), Backwards}, 2000));
    ASSERT_TRUE(Tag.LoadFile(File));
    EXPECT_EQ(Tag.Artist(), "First");

    WriteFileBytes(File, TBytes{'I', 'D', '3'});
    EXPECT_FALSE(Tag.LoadFile(File));
    EXPECT_FALSE(Tag.Exists());
}

TEST(ID3v2, SizeBytesAreTakenWhole) {
    // The top bit of each size byte counts as it stands, and the footer flag adds 10 bytes.
    uint8_t Header[10] = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 0x81, 0x80};
    EXPECT_EQ(ID3v2TagSize(Header, 100000), 0x81 * 128 + 0x80 + 20);
    EXPECT_EQ(ID3v2TagSize(Header, 100), 0);
}

TEST(APETag, MutagenItemsBeforeAnId3v1Tag) {
    TTempDir Dir;
    std::string File = Dir.File("tagged.mp3");
    TBytes Bytes(4000, 0x11);
    WriteFileBytes(File, Bytes);
    RunTool("/usr/bin/python3 -c " +
            ShellQuote("import sys\n"
                       "from mutagen.apev2 import APEv2\n"
                       "t = APEv2()\n"
                       "t['Title'] = 'Tïtle'\n"
                       "t['Long'] = 'L' * 300\n"
                       "t['Artist'] = 'After the long one'\n"
                       "t.save(sys.argv[1])\n") +
            " " + ShellQuote(File));
    // An ID3v1 tag after the APE tag.
    Bytes = ReadFileBytes(File);
    TBytes Tag = Id3v1Tag("V1", "", 0);
    Bytes.insert(Bytes.end(), Tag.begin(), Tag.end());
    WriteFileBytes(File, Bytes);

    TAPETag Ape;
    ASSERT_TRUE(Ape.LoadFile(File));
    ASSERT_TRUE(Ape.Exists());
    EXPECT_EQ(Ape.Version(), 2000);
    EXPECT_EQ(Ape.Size(), int32_t(Bytes.size() - 4000 - 128 - 32)); // mutagen also writes a header
    ASSERT_EQ(Ape.Fields().size(), 3u);
    std::map<std::string, std::string> Items;
    for (const auto& F : Ape.Fields()) Items[F.Name] = F.Value;
    EXPECT_EQ(Items["Title"], "Tïtle");
    EXPECT_EQ(Items["Long"], std::string(250, 'L'));
    EXPECT_EQ(Items["Artist"], "After the long one");
}

TEST(APETag, AbsentShortAndHostileTags) {
    TTempDir Dir;
    std::string File = Dir.File("f.bin");
    WriteFileBytes(File, TBytes(500, 7));
    TAPETag Ape;
    EXPECT_TRUE(Ape.LoadFile(File));
    EXPECT_FALSE(Ape.Exists());
    EXPECT_TRUE(Ape.Fields().empty());
    WriteFileBytes(File, TBytes(32, 7));
    EXPECT_FALSE(Ape.LoadFile(File));

    // A footer claiming four billion items and a size beyond the file: reading stops at the
    // footer and at the file's start, and nothing is allocated for the claim.
    TBytes Bytes(64, 0);
    TBytes Item;
    AppendLE32(Item, 3);
    AppendLE32(Item, 0);
    Append(Item, std::string("Key\0abc", 7));
    Bytes.insert(Bytes.end(), Item.begin(), Item.end());
    Append(Bytes, "APETAGEX");
    AppendLE32(Bytes, 2000);
    AppendLE32(Bytes, uint32_t(Item.size() + 32));
    AppendLE32(Bytes, 0xFFFFFFFF);
    AppendZeros(Bytes, 12);
    WriteFileBytes(File, Bytes);
    ASSERT_TRUE(Ape.LoadFile(File));
    ASSERT_EQ(Ape.Fields().size(), 1u);
    EXPECT_EQ(Ape.Fields()[0].Name, "Key");
    EXPECT_EQ(Ape.Fields()[0].Value, "abc");

    std::memcpy(Bytes.data() + Bytes.size() - 20, "\xFF\xFF\xFF\x7F", 4);
    WriteFileBytes(File, Bytes);
    ASSERT_TRUE(Ape.LoadFile(File));
    EXPECT_TRUE(Ape.Exists());
    EXPECT_TRUE(Ape.Fields().empty());
}

} // namespace
} // namespace deraz::test
