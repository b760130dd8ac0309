// FLAC and Ogg Vorbis info readers: files and comments made by flac, metaflac, oggenc and
// vorbiscomment, checked against ffprobe and metaflac; damaged and hostile files.
#include "analysis/FLACfile.h"
#include "analysis/MediaInfo.h"
#include "analysis/OggVorbis.h"
#include "analysis/TntFileStream.h"
#include "tests/analysis/AnalysisTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace deraz::test {
namespace {

// The offset of the first audio frame, from the block lengths metaflac lists.
int64_t MetaflacAudioOffset(const std::string& File) {
    std::string Listing;
    RunCommand("metaflac --list " + ShellQuote(File), &Listing);
    std::istringstream Lines(Listing);
    std::string Line;
    int64_t Offset = 4;
    while (std::getline(Lines, Line))
        if (Line.rfind("  length: ", 0) == 0) Offset += 4 + std::stoll(Line.substr(10));
    return Offset;
}

std::string MakeFlac(const TTempDir& Dir, int Rate, int Channels, int Bits, const std::string& Options = "") {
    std::string Wav = MakeWav(Dir, "in.wav", 3.7, Rate, Channels, Bits);
    std::string Flac = Dir.File("out.flac");
    RunTool("flac -s -f " + Options + " -o " + ShellQuote(Flac) + " " + ShellQuote(Wav));
    return Flac;
}

TEST(FLACfile, AgreesWithFfprobeAndMetaflac) {
    struct TCase {
        int Rate, Channels, Bits;
    };
    TTempDir Dir;
    for (TCase C : {TCase{44100, 2, 16}, TCase{96000, 2, 24}, TCase{8000, 1, 8}, TCase{48000, 6, 16}}) {
        SCOPED_TRACE(C.Rate);
        std::string File = MakeFlac(Dir, C.Rate, C.Channels, C.Bits);
        TProbe P = Probe(File);
        TFLACfile F;
        F.LoadFile(File);
        ASSERT_TRUE(F.IsValid());
        EXPECT_EQ(F.SampleRate(), P.SampleRate);
        EXPECT_EQ(F.Channels(), P.Channels);
        EXPECT_EQ(F.BitsPerSample(), C.Bits);
        EXPECT_NEAR(F.Duration(), P.Duration, 1e-5);
        EXPECT_EQ(F.ChannelModeText(), C.Channels == 1   ? "Mono"
                                       : C.Channels == 2 ? "Stereo"
                                                         : "Multi Channel");
        EXPECT_EQ(F.AudioOffset(), MetaflacAudioOffset(File));
        // The audio's bytes by the file system and metaflac, over ffprobe's duration.
        const auto AudioBytes = double(std::filesystem::file_size(File)) - double(MetaflacAudioOffset(File));
        EXPECT_EQ(F.Bitrate(), std::lround(AudioBytes * 8.0 / 1000.0 / P.Duration));
        EXPECT_EQ(F.PaddingIndex(), 3); // after the seek table and the comments
        EXPECT_EQ(F.PaddingSize(), 8192);
        EXPECT_TRUE(F.PaddingLast());
        EXPECT_EQ(F.Vendor().rfind("reference libFLAC", 0), 0u);
    }
}

TEST(FLACfile, CommentsFromMetaflac) {
    TTempDir Dir;
    std::string File = MakeFlac(Dir, 44100, 2, 16);
    RunTool("metaflac --set-tag=artist=Ärtist --set-tag=ARTIST=Second --set-tag=TITLE=Title "
            "--set-tag=TRACKNUMBER=3/12 --set-tag=Date=2001 --set-tag=GENRE=Jazz --set-tag=COMMENT=Nice "
            "--set-tag=ENCODER=Mine --set-tag=MOOD=calm --set-tag=CUSTOM=x "
            "'--set-tag=ALBUM=Snow ☃ then 🎵 cut' " +
            ShellQuote(File));
    TFLACfile F;
    F.LoadFile(File);
    ASSERT_TRUE(F.IsValid());
    EXPECT_TRUE(F.TagExists());
    EXPECT_EQ(F.Artist(), "Ärtist");
    EXPECT_EQ(F.Title(), "Title");
    EXPECT_EQ(F.TrackString(), "3/12");
    EXPECT_EQ(F.Date(), "2001");
    EXPECT_EQ(F.Genre(), "Jazz");
    EXPECT_EQ(F.Comment(), "Nice");
    EXPECT_EQ(F.Encoder(), "Mine");
    EXPECT_EQ(F.KnownField("MOOD"), "calm");
    // A four-byte sequence is taken as a three-byte one (F0 9F 8E gives U+07CE); its fourth byte
    // then starts a sequence that the blank breaks, which ends the decoding.
    EXPECT_EQ(F.Album(), "Snow ☃ then \u07CE");
    using TPair = std::pair<std::string, std::string>;
    EXPECT_EQ(F.ExtraFields(), (std::vector<TPair>{{"ARTIST", "Second"}, {"CUSTOM", "x"}}));
    EXPECT_EQ(F.VorbisIndex(), 2);
}

TEST(FLACfile, StreamInfoLastPictureAndUnknownBlocks) {
    TTempDir Dir;
    std::string File = MakeFlac(Dir, 44100, 2, 16);
    std::string Picture = Dir.File("cover.bin");
    WriteFileBytes(Picture, TBytes(700, 0x42));
    RunTool("metaflac --import-picture-from=" + ShellQuote("3|image/png|cover|1x1x24|" + Picture) + " " +
            ShellQuote(File));
    TFLACfile F;
    F.LoadFile(File);
    EXPECT_TRUE(F.IsValid());             // a PICTURE block is a known kind of block
    ASSERT_EQ(F.MetaBlocks().size(), 2u); // the seek table and the picture
    EXPECT_EQ(F.MetaBlocks()[1].Header[0] & 0x7F, 6);
    EXPECT_EQ(F.AudioOffset(), MetaflacAudioOffset(File));

    RunTool("metaflac --remove-all --dont-use-padding " + ShellQuote(File));
    F.LoadFile(File);
    ASSERT_TRUE(F.IsValid());
    EXPECT_EQ(F.AudioOffset(), 42);
    EXPECT_EQ(F.Vendor(), "");

    // A block type the reader does not know (here 7) makes the file not valid.
    TBytes Bytes = ReadFileBytes(File);
    Bytes[4] = 0x00;
    TBytes Block{0x87, 0, 0, 2, 1, 2};
    Bytes.insert(Bytes.begin() + 42, Block.begin(), Block.end());
    WriteFileBytes(File, Bytes);
    F.LoadFile(File);
    EXPECT_FALSE(F.IsValid());
    EXPECT_EQ(F.Bitrate(), 0);
    EXPECT_EQ(F.AudioOffset(), 0);
}

// A FLAC file of only the marker, STREAMINFO and one last block of the given type built from Body,
// whose stated size is Size.
TBytes FlacWithBlock(uint8_t Type, const TBytes& Body, uint32_t Size) {
    TBytes F;
    Append(F, "fLaC");
    F.insert(F.end(), {0x00, 0x00, 0x00, 0x22});
    TBytes Info(34, 0);
    Info[10] = 0x0A; // 44100 Hz, stereo, 16 bits, 1000 samples
    Info[11] = 0xC4;
    Info[12] = 0x42;
    Info[13] = 0xF0;
    Info[17] = 0xE8;
    Info[16] = 0x03;
    F.insert(F.end(), Info.begin(), Info.end());
    F.insert(F.end(), {uint8_t(0x80 | Type), uint8_t(Size >> 16), uint8_t(Size >> 8), uint8_t(Size)});
    F.insert(F.end(), Body.begin(), Body.end());
    return F;
}

TEST(FLACfile, HostileSizesEndTheReadingAtTheFileEnd) {
    TTempDir Dir;
    std::string File = Dir.File("h.flac");
    TFLACfile F;

    TBytes Body;
    AppendLE32(Body, 3);
    Append(Body, "ven");
    AppendLE32(Body, 0xFFFFFFFF); // four billion comments
    AppendLE32(Body, 8);
    Append(Body, "TITLE=ok");
    AppendLE32(Body, 0x7FFFFFF0); // a comment far longer than the file
    Append(Body, "ARTIST=cut");
    WriteFileBytes(File, FlacWithBlock(4, Body, 0xFFFFFF));
    F.LoadFile(File);
    EXPECT_TRUE(F.IsValid());
    EXPECT_EQ(F.SampleRate(), 44100);
    EXPECT_EQ(F.Samples(), 1000);
    EXPECT_EQ(F.Vendor(), "ven");
    EXPECT_EQ(F.Title(), "ok");
    EXPECT_EQ(F.Artist(), "");

    Body.clear();
    AppendLE32(Body, 0xFFFFFFF0); // a vendor longer than the file
    WriteFileBytes(File, FlacWithBlock(4, Body, 4));
    F.LoadFile(File);
    EXPECT_TRUE(F.IsValid());
    EXPECT_EQ(F.Vendor(), "");

    // An APPLICATION block claiming 16 MB that the file does not hold: the copy keeps what is there.
    WriteFileBytes(File, FlacWithBlock(2, {1, 2, 3}, 0xFFFFFF));
    F.LoadFile(File);
    ASSERT_EQ(F.MetaBlocks().size(), 1u);
    EXPECT_EQ(F.MetaBlocks()[0].Data.size(), 3u);
}

TEST(FLACfile, OpenErrorsReachTheCaller) {
    TTempDir Dir;
    TFLACfile F;
    std::string Missing = Dir.File("missing.flac");
    try {
        F.LoadFile(Missing);
        FAIL() << "no error";
    } catch (const EFOpenError& E) {
        EXPECT_EQ(std::string(E.what()), "Cannot open file \"" + Missing + "\". No such file or directory");
    }
    WriteFileBytes(Missing, TBytes(10, 'x'));
    F.LoadFile(Missing);
    EXPECT_FALSE(F.IsValid());
    EXPECT_EQ(F.Duration(), 0.0);
    EXPECT_EQ(F.ChannelModeText(), "");
}

std::string MakeOgg(const TTempDir& Dir, int Rate, int Channels, const std::string& Options = "") {
    std::string Wav = MakeWav(Dir, "in.wav", 4.2, Rate, Channels);
    std::string Ogg = Dir.File("out.ogg");
    RunTool("oggenc -Q " + Options + " -o " + ShellQuote(Ogg) + " " + ShellQuote(Wav));
    return Ogg;
}

TEST(OggVorbis, AgreesWithFfprobe) {
    struct TCase {
        int Rate, Channels;
        const char* Options;
    };
    TTempDir Dir;
    for (TCase C :
         {TCase{44100, 2, ""}, TCase{22050, 1, "-q 2"}, TCase{48000, 2, "-q 8"}, TCase{8000, 1, "-b 32"}}) {
        SCOPED_TRACE(C.Rate);
        std::string File = MakeOgg(Dir, C.Rate, C.Channels, C.Options);
        TProbe P = Probe(File);
        TOggVorbis O;
        ASSERT_TRUE(O.LoadFile(File));
        ASSERT_TRUE(O.IsValid());
        EXPECT_EQ(O.SampleRate(), P.SampleRate);
        EXPECT_EQ(O.Channels(), P.Channels);
        EXPECT_NEAR(O.Duration(), P.Duration, 1e-4);
        EXPECT_EQ(O.NominalBitrate(), std::lround(P.StreamBitRate / 1000.0));
        EXPECT_NEAR(O.Bitrate(), P.FormatBitRate / 1000.0, 1.0);
        EXPECT_EQ(O.Vendor().rfind("Xiph.Org libVorbis", 0), 0u);
    }
}

TEST(OggVorbis, CommentsFromVorbiscomment) {
    TTempDir Dir;
    std::string File = MakeOgg(Dir, 44100, 2);
    RunTool("vorbiscomment -w -t 'title=Tïtle' -t 'PERFORMER=Player' -t 'TRACKNUMBER=3/12' -t 'DATE=1999' "
            "-t 'GENRE=Rock' -t 'DESCRIPTION=Described' -t 'LONG=" +
            std::string(300, 'L') + "' -t 'ALBUM=After long' -t 'TITLE=Later title' " + ShellQuote(File));
    TOggVorbis O;
    ASSERT_TRUE(O.LoadFile(File));
    EXPECT_EQ(O.Title(), "Later title"); // a later duplicate replaces an earlier one
    EXPECT_EQ(O.Artist(), "Player");
    EXPECT_EQ(O.Track(), 3);
    EXPECT_EQ(O.Date(), "1999");
    EXPECT_EQ(O.Genre(), "Rock");
    EXPECT_EQ(O.Comment(), "Described");
    EXPECT_EQ(O.Album(), "After long");
}

// The identification header packet of an Ogg Vorbis file's bytes.
uint8_t* IdentificationHeader(TBytes& Bytes) {
    auto Header = std::search(Bytes.begin(), Bytes.end(), "\1vorbis", "\1vorbis" + 7);
    EXPECT_NE(Header, Bytes.end());
    return &*Header;
}

TEST(OggVorbis, ChainedStreamsCountWhole) {
    TTempDir Dir;
    // Streams of 1.5 s at 44100 Hz stereo and 1 s at 22050 Hz mono, joined; then the same twice.
    std::string First = Dir.File("first.ogg"), Second = Dir.File("second.ogg");
    RunTool("oggenc -Q -o " + ShellQuote(First) + " " + ShellQuote(MakeWav(Dir, "a.wav", 1.5, 44100, 2)));
    RunTool("oggenc -Q -o " + ShellQuote(Second) + " " + ShellQuote(MakeWav(Dir, "b.wav", 1, 22050, 1)));
    std::string Chain = Dir.File("chain.ogg"), Twice = Dir.File("twice.ogg");
    RunTool("cat " + ShellQuote(First) + " " + ShellQuote(Second) + " > " + ShellQuote(Chain));
    RunTool("cat " + ShellQuote(First) + " " + ShellQuote(First) + " > " + ShellQuote(Twice));
    TOggVorbis O;
    ASSERT_TRUE(O.LoadFile(Chain));
    EXPECT_TRUE(O.IsValid());
    EXPECT_EQ(O.SampleRate(), 44100); // the first stream's format
    EXPECT_EQ(O.Channels(), 2);
    EXPECT_EQ(O.Samples(), 66150 + 22050);
    EXPECT_DOUBLE_EQ(O.Duration(), 2.5);
    EXPECT_EQ(O.Bitrate(), std::lround(std::filesystem::file_size(Chain) / 2.5 / 125));
    ASSERT_TRUE(O.LoadFile(Twice));
    EXPECT_DOUBLE_EQ(O.Duration(), 3.0);
}

TEST(OggVorbis, EmptyStreamAndNoNominalBitrate) {
    TTempDir Dir;
    std::string Empty = Dir.File("empty.wav"), Ogg = Dir.File("empty.ogg");
    WritePcmWav(Empty, std::vector<int16_t>{}, 2, 44100);
    RunTool("oggenc -Q -o " + ShellQuote(Ogg) + " " + ShellQuote(Empty));
    TOggVorbis O;
    ASSERT_TRUE(O.LoadFile(Ogg));
    EXPECT_EQ(O.Samples(), 0);
    EXPECT_EQ(O.Duration(), 0.0);
    EXPECT_FALSE(O.IsValid());

    // A stream that declares no nominal bitrate shows its average.
    TBytes Bytes = ReadFileBytes(MakeOgg(Dir, 44100, 2));
    std::fill_n(IdentificationHeader(Bytes) + 20, 4, 0);
    WriteFileBytes(Dir.File("plain.ogg"), Bytes);
    ASSERT_TRUE(O.LoadFile(Dir.File("plain.ogg")));
    EXPECT_EQ(O.NominalBitrate(), 0);
    TMediaAnalysers A;
    EXPECT_EQ(BitrateText(A, Dir.File("plain.ogg")), std::to_string(O.Bitrate()));
    TMediaInfo Info;
    ASSERT_TRUE(ReadMediaInfo(A, Dir.File("plain.ogg"), Info));
    EXPECT_EQ(Info.Bitrate, std::to_string(O.Bitrate()) + " kbit/s");
}

// Replaces the low granule bytes of every page in the file's last 12060 bytes.
void SetTailGranules(TBytes& Bytes, uint8_t Value) {
    for (size_t I = Bytes.size() > 12060 ? Bytes.size() - 12060 : 0; I + 14 <= Bytes.size(); ++I)
        if (std::memcmp(Bytes.data() + I, "OggS", 4) == 0) std::fill_n(Bytes.begin() + I + 6, 8, Value);
}

TEST(OggVorbis, MissingSampleCountAndBadLayouts) {
    TTempDir Dir;
    std::string File = MakeOgg(Dir, 44100, 1, "-b 64 --managed");
    TBytes Bytes = ReadFileBytes(File);
    SetTailGranules(Bytes, 0xFF);
    WriteFileBytes(File, Bytes);
    TOggVorbis O;
    ASSERT_TRUE(O.LoadFile(File));
    EXPECT_EQ(O.Samples(), -1);
    EXPECT_EQ(O.NominalBitrate(), 64);
    EXPECT_DOUBLE_EQ(O.Duration(), Bytes.size() / (64 * 125.0)); // bytes over the nominal byte rate
    EXPECT_EQ(O.Bitrate(), 64);

    // An ID3v2 tag before the first page is skipped.
    TBytes Tagged{'I', 'D', '3', 3, 0, 0, 0, 0, 0, 30};
    AppendZeros(Tagged, 30);
    Tagged.insert(Tagged.end(), Bytes.begin(), Bytes.end());
    WriteFileBytes(File, Tagged);
    ASSERT_TRUE(O.LoadFile(File));
    EXPECT_EQ(O.Id3v2Size(), 40);
    EXPECT_EQ(O.Channels(), 1);

    // One to eight channels are valid, more are not.
    std::string Surround = MakeOgg(Dir, 44100, 6);
    EXPECT_TRUE(O.LoadFile(Surround));
    EXPECT_TRUE(O.IsValid());
    EXPECT_EQ(O.Channels(), 6);
    Bytes = ReadFileBytes(Surround);
    IdentificationHeader(Bytes)[11] = 9;
    WriteFileBytes(File, Bytes);
    EXPECT_TRUE(O.LoadFile(File));
    EXPECT_FALSE(O.IsValid());

    WriteFileBytes(File, TBytes(400, 'x'));
    EXPECT_FALSE(O.LoadFile(File));
    EXPECT_THROW(O.LoadFile(Dir.File("missing.ogg")), EFOpenError);
}

TEST(OggVorbis, HostileCommentCountEndsAtTheFileEnd) {
    TTempDir Dir;
    std::string File = MakeOgg(Dir, 44100, 2);
    RunTool("vorbiscomment -w -t 'TITLE=Only' " + ShellQuote(File));
    TBytes Bytes = ReadFileBytes(File);
    auto Header = std::search(Bytes.begin(), Bytes.end(), "\3vorbis", "\3vorbis" + 7);
    ASSERT_NE(Header, Bytes.end());
    size_t VendorLength = Header[7] | Header[8] << 8;
    size_t Count = size_t(Header - Bytes.begin()) + 11 + VendorLength;
    std::fill_n(Bytes.begin() + Count, 4, 0xFF);
    Bytes.resize(Count + 4 + 4 + 10); // the file ends inside the comments
    WriteFileBytes(File, Bytes);
    TOggVorbis O;
    ASSERT_TRUE(O.LoadFile(File));
    EXPECT_EQ(O.Title(), "Only");
    EXPECT_FALSE(O.IsValid());
}

} // namespace
} // namespace deraz::test
