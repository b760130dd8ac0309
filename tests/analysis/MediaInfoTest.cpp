// What the media bin and the media info window show, and the info command's output.
#include "analysis/MediaInfo.h"
#include "tests/analysis/AnalysisTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace deraz::test {
namespace {

TEST(MediaInfo, NumberForms) {
    EXPECT_EQ(FormatFixed(10.27, 1, false), "10.3");
    EXPECT_EQ(FormatFixed(10.27, 3, false), "10.270");
    EXPECT_EQ(FormatFixed(0.5, 3, false), ".500");
    EXPECT_EQ(FormatFixed(0.0, 1, false), ".0");
    EXPECT_EQ(FormatFixed(55.5, 2, true), "55.50");
    EXPECT_EQ(FormatFixed(0.25, 2, true), "0.25");
    EXPECT_EQ(FormatGeneral(1411.2), "1411.2");
    EXPECT_EQ(FormatGeneral(1411.0), "1411");
    EXPECT_EQ(FormatGeneral(1.0 / 3), "0.333333333333333");
}

TEST(MediaInfo, ExtensionsAndSizeText) {
    EXPECT_EQ(FileExtension("/a.b/Song.MP3"), ".MP3");
    EXPECT_EQ(FileExtension("/a.b/noext"), "");
    EXPECT_EQ(MediaKindOf("x.FLAC"), mkFLAC);
    EXPECT_EQ(MediaKindOf("x.fla"), mkFLAC);
    EXPECT_EQ(MediaKindOf("x.Ape"), mkMonkey);
    EXPECT_EQ(MediaKindOf("x.xyz"), mkOggVorbis);
    TTempDir Dir;
    WriteFileBytes(Dir.File("empty.wav"), {});
    WriteFileBytes(Dir.File("some.wav"), TBytes(1234, 0));
    EXPECT_EQ(SizeText(Dir.File("empty.wav")), "0 Bytes.");
    EXPECT_EQ(SizeText(Dir.File("some.wav")), "1234 Bytes.");
    EXPECT_EQ(SizeText(Dir.File("missing.wav")), "0");
}

TEST(MediaInfo, BitrateColumn) {
    TTempDir Dir;
    TMediaAnalysers A;
    std::string Wav = MakeWav(Dir, "cd.wav", 1, 44100, 2);
    EXPECT_EQ(BitrateText(A, Wav), "1411.2");
    std::string Mp3 = Dir.File("song.MP3");
    RunTool("lame --quiet -b 192 " + ShellQuote(Wav) + " " + ShellQuote(Mp3));
    EXPECT_EQ(BitrateText(A, Mp3), "192");
    std::string Ogg = Dir.File("song.xyz");
    RunTool("oggenc -Q -b 96 --managed -o " + ShellQuote(Ogg) + " " + ShellQuote(Wav));
    EXPECT_EQ(BitrateText(A, Ogg), "96"); // an unknown extension is read as Ogg Vorbis

    WriteFileBytes(Dir.File("bad.flac"), TBytes(100, 1));
    WriteFileBytes(Dir.File("bad.fla"), TBytes(100, 1));
    EXPECT_EQ(BitrateText(A, Dir.File("bad.flac")), "iNVALID");
    EXPECT_EQ(BitrateText(A, Dir.File("bad.fla")), "iNVALiD");
    EXPECT_EQ(BitrateText(A, Dir.File("missing.Flac")), "iNVALID");
    EXPECT_EQ(BitrateText(A, Dir.File("missing.ogg")), "iNVALiD");
    EXPECT_EQ(BitrateText(A, Dir.File("missing.ape")), "iNVALiD");
}

TEST(MediaInfo, WindowFieldsByKind) {
    TTempDir Dir;
    TMediaAnalysers A;
    std::string Wav = MakeWav(Dir, "in.wav", 2, 44100, 2);
    std::string Mp3 = Dir.File("a.mp3"), Flac = Dir.File("a.Flac"), Ogg = Dir.File("a.ogg");
    RunTool("lame --quiet -b 128 " + ShellQuote(Wav) + " " + ShellQuote(Mp3));
    RunTool("id3v2 -a Band -t Song -T 4 -g 8 -c Fine " + ShellQuote(Mp3));
    RunTool("flac -s -o " + ShellQuote(Flac) + " " + ShellQuote(Wav));
    RunTool("metaflac --set-tag=ARTIST=Band --set-tag=TRACKNUMBER=4/9 --set-tag=ENCODER=Enc " +
            ShellQuote(Flac));
    RunTool("oggenc -Q -o " + ShellQuote(Ogg) + " -a Band -N 4 " + ShellQuote(Wav));

    TMediaInfo I;
    ASSERT_TRUE(ReadMediaInfo(A, Mp3, I));
    EXPECT_EQ(I.Artist, "Band");
    EXPECT_EQ(I.Track, "4");
    EXPECT_EQ(I.Genre, "Jazz");
    EXPECT_EQ(I.Comments, "Fine");
    EXPECT_EQ(I.Bitrate, "CBR 128 kbit/s");
    // 88200 samples with lame's delay and end padding fill 79 frames of 1152 samples: 2.064 s.
    EXPECT_EQ(I.Length, "2.1 sec.");
    EXPECT_EQ(I.Channels, "Joint Stereo");
    EXPECT_EQ(I.Version, "MPEG 1");
    EXPECT_EQ(I.Layer, "Layer III");
    EXPECT_EQ(I.Emphasis, "0");
    EXPECT_EQ(I.VersionCaption, "Version:");

    ASSERT_TRUE(ReadMediaInfo(A, Flac, I));
    EXPECT_EQ(I.Ext, ".Flac");
    EXPECT_EQ(I.Track, "4/9");
    EXPECT_EQ(I.Encoder, "Enc");
    EXPECT_EQ(I.Length, "2.000 sec.");
    EXPECT_EQ(I.Channels, "Stereo");
    EXPECT_EQ(I.SampleRate, "44100 Hz");
    EXPECT_EQ(I.VersionCaption, "Compression:");
    // The file's size against the 352800 bytes of PCM it holds: 299880 bytes are 85 %. Only the
    // headers are read, so the audio frames may be cut or padded to that size.
    std::filesystem::resize_file(Flac, 299880);
    ASSERT_TRUE(ReadMediaInfo(A, Flac, I));
    EXPECT_EQ(I.Version, "85.00%");
    EXPECT_EQ(I.Layer, "");
    EXPECT_FALSE(I.CRC);

    ASSERT_TRUE(ReadMediaInfo(A, Ogg, I));
    EXPECT_EQ(I.Artist, "Band");
    EXPECT_EQ(I.Track, "4");
    EXPECT_EQ(I.Encoder, "Ogg Vorbis");
    EXPECT_EQ(I.Bitrate, "112 kbit/s"); // oggenc's nominal rate at quality 3, 44100 Hz stereo
    EXPECT_EQ(I.VersionCaption, "Version:");

    ASSERT_TRUE(ReadMediaInfo(A, Wav, I));
    EXPECT_EQ(I.Bitrate, "1411.2 kbit/s");
    EXPECT_EQ(I.FileSize, "352844 bytes"); // 44-byte header, 2 s of 16-bit stereo
    EXPECT_EQ(I.Artist, "");
    EXPECT_EQ(I.Encoder, "");

    // A file that is not valid leaves the fields as they were.
    WriteFileBytes(Dir.File("bad.mp3"), TBytes(5000, 0));
    I.Artist = "kept";
    EXPECT_FALSE(ReadMediaInfo(A, Dir.File("bad.mp3"), I));
    EXPECT_EQ(I.Artist, "kept");
}

TEST(MediaInfo, MonkeyFieldsFromAHandBuiltHeader) {
    TTempDir Dir;
    TBytes F;
    Append(F, "MAC ");
    AppendLE16(F, 3990);
    AppendLE16(F, 0);
    AppendLE32(F, 52);
    AppendLE32(F, 24);
    AppendZeros(F, 20 + 16);
    AppendLE16(F, 4000);
    AppendLE16(F, 0);
    AppendLE32(F, 73728);
    AppendLE32(F, 44100);
    AppendLE32(F, 1);
    AppendLE16(F, 16);
    AppendLE16(F, 2);
    AppendLE32(F, 44100);
    F.resize(size_t(44100 * 4 * 0.555 + 44 * 0.555) - 128, 0);
    Append(F, "TAG");
    AppendZeros(F, 124);
    F.push_back(8);
    std::string File = Dir.File("a.ape");
    WriteFileBytes(File, F);
    TMediaAnalysers A;
    TMediaInfo I;
    ASSERT_TRUE(ReadMediaInfo(A, File, I));
    EXPECT_EQ(I.VendorCaption, "Compression:");
    EXPECT_EQ(I.Vendor, "55.50% - Extra High");
    EXPECT_EQ(I.Encoder, "Monkeys Audio");
    EXPECT_EQ(I.Version, "3.99");
    EXPECT_EQ(I.Length, "1.000 sec.");
    EXPECT_EQ(I.Genre, "Jazz");
    EXPECT_EQ(I.Track, "0");
    // Whole kbit/s, as the other compressed formats show theirs: 97798 bytes before the tag in 1 s.
    ASSERT_EQ(F.size(), 97926u);
    EXPECT_EQ(I.Bitrate, "782 kbit/s");
    EXPECT_EQ(BitrateText(A, File), "782");
}

TEST(MediaInfo, InfoCommandOutput) {
    TTempDir Dir;
    std::string Wav = MakeWav(Dir, "in.wav", 1, 8000, 1);
    WriteFileBytes(Dir.File("bad.wav"), TBytes(50, 0));
    std::ostringstream Out;
    EXPECT_EQ(RunMediaInfo({Wav}, Out), 0);
    EXPECT_NE(Out.str().find("File: " + Wav + "\nExtension: .wav\nArtist: \n"), std::string::npos);
    EXPECT_NE(Out.str().find("\nDuration: 1.000 sec.\nAverage bitrate: 128 kbit/s\n"), std::string::npos);
    EXPECT_NE(Out.str().find("\nVendor: \nEncoder: \nVersion: \n"), std::string::npos);
    EXPECT_NE(Out.str().find("\nCopyrighted: no\nBitrate column: 128\n"), std::string::npos);

    std::ostringstream Failed;
    std::string Missing = Dir.File("missing.ogg");
    EXPECT_EQ(RunMediaInfo({Dir.File("bad.wav"), Missing, Wav}, Failed), 1);
    std::string Text = Failed.str();
    EXPECT_EQ(Text.substr(0, Text.find("\n\n") + 2), "File: " + Dir.File("bad.wav") + "\nValid: no\n\n");
    EXPECT_NE(Text.find("File: " + Missing + "\nError: Cannot open file \"" + Missing +
                        "\". No such file or directory\n\nFile: " + Wav),
              std::string::npos);
}

} // namespace
} // namespace deraz::test
