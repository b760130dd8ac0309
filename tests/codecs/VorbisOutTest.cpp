#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/vorbis/ACS_Vorbis.h"
#include "pipeline/ChannelLayout.h"
#include "tests/codecs/CodecTestDoubles.h"
#include "tests/codecs/VorbisTestSupport.h"
#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

using namespace test;
using enum TVorbisBitRate;

// A Vorbis sink that runs from a memory source into a file.
struct TVorbisSink {
    TVorbisOut Out;

    // Runs Out from Source into File; the error message, empty on success.
    std::string Run(TMemorySource& Source, const std::string& File) {
        Out.SetInput(&Source);
        Out.SetFileName(File);
        std::string Error = RunAndWait(Out);
        EXPECT_EQ(Out.Status(), osIdle);
        EXPECT_FALSE(Source.Busy());
        return Error;
    }
    // The same, expecting a normal end.
    void Encode(TMemorySource& Source, const std::string& File) { EXPECT_EQ(Run(Source, File), ""); }
};

// The serial number on a file's first page.
uint32_t FirstSerial(const std::vector<uint8_t>& Bytes) {
    return Bytes.size() < 18 ? 0 : Bytes[14] | Bytes[15] << 8 | Bytes[16] << 16 | uint32_t(Bytes[17]) << 24;
}

struct TEncodeCase {
    int32_t Channels;
    int32_t SampleRate;
    int32_t Bits;
    int32_t Frames;
};

class VorbisOutEncodes : public ::testing::TestWithParam<TEncodeCase> {};

TEST_P(VorbisOutEncodes, FilesThePeerToolsAcceptWithTheInputsLength) {
    const auto& Case = GetParam();
    TTempDir Dir;
    auto Pcm = MusicPcm(Case.Frames, {Case.Channels, Case.Bits, Case.SampleRate});
    // What the decoder gives back is compared with the input at 16 bits (unsigned 8-bit widened).
    std::vector<int16_t> Expected(Pcm.size());
    if (Case.Bits == 8) {
        for (size_t I = 0; I < Pcm.size(); ++I) Expected[I] = int16_t((int32_t(Pcm[I]) - 128) * 256);
    } else {
        Expected = BytesToSamples(Pcm);
    }
    TMemorySource Source(Pcm, Case.Channels, Case.SampleRate, Case.Bits);
    TVorbisSink Sink;
    TVorbisOut& Out = Sink.Out;
    Out.SetCompression(0.5f);
    Out.SetSerial(0x12345678);
    std::string File = Dir.File("out.ogg");
    Sink.Encode(Source, File);

    ExpectCleanOgginfo(File);
    auto Bytes = ReadFileBytes(File);
    EXPECT_EQ(FirstSerial(Bytes), 0x12345678u);
    size_t PcmBytes = size_t(Case.Frames) * Case.Channels * 2;
    auto Oggdec = DecodeWithOggdec(File);
    EXPECT_EQ(Oggdec.size(), PcmBytes);
    // ffmpeg pads streams shorter than its first blocks (oggenc's files too); longer ones are exact.
    if (Case.Frames >= 8000) {
        EXPECT_EQ(DecodeWithFfmpeg(File).size(), PcmBytes);
    }
    // Channels in the right order and samples of the right sign and scale: swapped channels or
    // misread samples give 0 dB or less.
    EXPECT_GT(SignalToNoiseDb(Expected, BytesToSamples(Oggdec)), 5.0);
}

INSTANTIATE_TEST_SUITE_P(Shapes, VorbisOutEncodes,
                         ::testing::Values(TEncodeCase{2, 44100, 16, 44100 * 3 + 77},
                                           TEncodeCase{1, 22050, 16, 22050}, TEncodeCase{2, 16000, 8, 16001},
                                           TEncodeCase{1, 8000, 8, 1}, TEncodeCase{2, 48000, 16, 16384}),
                         [](const auto& Info) {
                             const TEncodeCase& Case = Info.param;
                             return std::to_string(Case.Channels) + "ch_" + std::to_string(Case.SampleRate) +
                                    "Hz_" + std::to_string(Case.Bits) + "bit_" + std::to_string(Case.Frames) +
                                    "frames";
                         });

// PCM of Bits bits whose top 16 bits are Samples, the bits below them filled with a pattern.
std::vector<uint8_t> WidenedPcm(const std::vector<int16_t>& Samples, int32_t Bits) {
    const size_t Bytes = size_t(Bits) / 8;
    std::vector<uint8_t> Pcm(Samples.size() * Bytes, 0xA5);
    for (size_t I = 0; I < Samples.size(); ++I) {
        Pcm[I * Bytes + Bytes - 2] = uint8_t(Samples[I]);
        Pcm[I * Bytes + Bytes - 1] = uint8_t(uint16_t(Samples[I]) >> 8);
    }
    return Pcm;
}

// Wide and multichannel input: ffmpeg's decoding, in WAV order, matches the input channel by
// channel; more than 8 channels arrive as a stereo mix.
struct TLayoutCase {
    int32_t Channels;
    int32_t Bits;
};

class VorbisOutLayouts : public ::testing::TestWithParam<TLayoutCase> {};

TEST_P(VorbisOutLayouts, DecodeInWaveOrderAtFullLength) {
    const auto& Case = GetParam();
    TTempDir Dir;
    const int32_t Frames = 48000 + 555;
    auto Samples = MusicLikeSignal(Frames, Case.Channels, 48000);
    TMemorySource Source(WidenedPcm(Samples, Case.Bits), Case.Channels, 48000, Case.Bits);
    TVorbisSink Sink;
    Sink.Out.SetCompression(0.5f);
    std::string File = Dir.File("layout.ogg");
    Sink.Encode(Source, File);
    ExpectCleanOgginfo(File);

    const int32_t Channels = std::min(Case.Channels, 8) == Case.Channels ? Case.Channels : 2;
    auto Expected = Samples;
    if (Channels != Case.Channels) {
        EXPECT_EQ(Sink.Out.Note(),
                  "The " + std::to_string(Case.Channels) + " channels were mixed down to stereo.");
        std::vector<float> Wide(Samples.begin(), Samples.end()), Stereo(size_t(Frames) * 2);
        DownmixToStereo(Wide.data(), Case.Channels, size_t(Frames), Stereo.data());
        Expected.assign(Stereo.begin(), Stereo.end());
    } else {
        EXPECT_EQ(Sink.Out.Note(), "");
    }
    EXPECT_EQ(DecodeWithOggdec(File).size(), size_t(Frames) * size_t(Channels) * 2);
    auto Decoded = BytesToSamples(DecodeWithFfmpeg(File));
    ASSERT_EQ(Decoded.size(), size_t(Frames) * size_t(Channels));
    auto Ratios = ChannelSnrDb(Expected, Decoded, Channels);
    // libvorbis keeps only the low band of 5.1's LFE channel (the fourth in WAV order).
    if (Channels == 6) Ratios.erase(Ratios.begin() + 3);
    ExpectChannelsAbove(Ratios, 5.0);
}

INSTANTIATE_TEST_SUITE_P(Inputs, VorbisOutLayouts,
                         ::testing::Values(TLayoutCase{2, 24}, TLayoutCase{3, 32}, TLayoutCase{6, 16},
                                           TLayoutCase{6, 24}, TLayoutCase{8, 24}, TLayoutCase{10, 16}),
                         [](const auto& Info) {
                             return std::to_string(Info.param.Channels) + "ch_" +
                                    std::to_string(Info.param.Bits) + "bit";
                         });

// A stream whose Serial is left at 0 is numbered from its file name and first samples: the same
// conversion gives the same bytes, the numbered one differs only in the serial, and two files of
// other content join into a chain that decodes whole.
TEST(VorbisOut, UnnumberedStreamsGetSerialsOfTheirOwn) {
    TTempDir Dir;
    auto FirstPcm = MusicPcm(30000, {2, 16, 44100});
    auto SecondPcm = MusicPcm(20001, {2, 16, 44100}, 9);
    TVorbisSink Sink;
    auto Encode = [&](const std::vector<uint8_t>& Pcm, const std::string& Name) {
        TMemorySource Source(Pcm, 2, 44100, 16);
        Sink.Encode(Source, Dir.File(Name));
        return ReadFileBytes(Dir.File(Name));
    };
    auto First = Encode(FirstPcm, "first.ogg");
    EXPECT_TRUE(Encode(FirstPcm, "first.ogg") == First);
    // Temporary names differ from run to run and count as no name.
    EXPECT_TRUE(Encode(FirstPcm, ".deraz-99-1.part") == Encode(FirstPcm, ".deraz-7-2.part"));
    auto Second = Encode(SecondPcm, "second.ogg");
    EXPECT_NE(FirstSerial(First), FirstSerial(Second));
    EXPECT_NE(FirstSerial(Encode(FirstPcm, "other.ogg")), FirstSerial(First));
    Sink.Out.SetSerial(int32_t(FirstSerial(First)));
    EXPECT_TRUE(Encode(FirstPcm, "numbered.ogg") == First);

    std::string Joined = Dir.File("joined.ogg");
    ASSERT_EQ(RunCommand("cat " + ShellQuote(Dir.File("first.ogg")) + " " +
                         ShellQuote(Dir.File("second.ogg")) + " > " + ShellQuote(Joined)),
              0);
    ExpectCleanOgginfo(Joined);
    auto Oggdec = DecodeWithOggdec(Joined);
    EXPECT_EQ(Oggdec.size(), FirstPcm.size() + SecondPcm.size());
    // ffmpeg is not exact at the start of an Ogg Vorbis stream (it is not with oggenc's files either).
    EXPECT_NEAR(double(DecodeWithFfmpeg(Joined).size()), double(Oggdec.size()), 256 * 4);
    TVorbisIn In;
    In.SetFileName(Joined);
    EXPECT_TRUE(ReadAllData(In, 65536) == Oggdec);
}

TEST(VorbisOut, InputInPiecesOfPartialFramesIsReassembled) {
    TTempDir Dir;
    auto Pcm = MusicPcm(11025, {2, 16, 22050});
    auto Samples = BytesToSamples(Pcm);
    TVorbisSink Sink;
    TMemorySource Whole(Pcm, 2, 22050, 16);
    Sink.Encode(Whole, Dir.File("whole.ogg"));
    TMemorySource Pieces(Pcm, 2, 22050, 16, 7);
    Sink.Encode(Pieces, Dir.File("pieces.ogg"));
    // The encoder's choices depend a little on how its input arrives, so the files differ, but
    // a frame split across pieces must not shift the samples.
    auto FromWhole = BytesToSamples(DecodeWithOggdec(Dir.File("whole.ogg")));
    auto FromPieces = BytesToSamples(DecodeWithOggdec(Dir.File("pieces.ogg")));
    ASSERT_EQ(FromPieces.size(), Samples.size());
    EXPECT_NEAR(SignalToNoiseDb(Samples, FromPieces), SignalToNoiseDb(Samples, FromWhole), 0.5);
}

TEST(VorbisOut, CommentsAreWrittenThenForgotten) {
    TTempDir Dir;
    TMemorySource Source(MusicPcm(4000, {1, 16, 8000}), 1, 8000, 16);
    TVorbisSink Sink;
    TVorbisOut& Out = Sink.Out;
    Out.SetComments(
        {"ARTIST=Somebody", "TITLE=\xc3\x9cmlaut = fine", "artist=Another", "no separator", "=empty"});
    std::string File = Dir.File("tags.ogg");
    Sink.Encode(Source, File);
    EXPECT_TRUE(Out.Comments().empty());

    std::string Listed;
    ASSERT_EQ(RunCommand("vorbiscomment -l " + ShellQuote(File), &Listed), 0) << Listed;
    EXPECT_EQ(Listed, "ARTIST=Somebody\nTITLE=\xc3\x9cmlaut = fine\nartist=Another\n");

    Sink.Encode(Source, File);
    Listed.clear();
    ASSERT_EQ(RunCommand("vorbiscomment -l " + ShellQuote(File), &Listed), 0);
    EXPECT_EQ(Listed, "");
}

TEST(VorbisOut, BitRateSettersKeepMinimumNominalMaximumInOrder) {
    TVorbisOut Out;
    Out.SetDesiredMaximumBitrate(br192); // quality mode: ignored
    EXPECT_EQ(Out.DesiredMaximumBitrate(), brAutoSelect);
    Out.SetMinimumBitrate(br64); // above the nominal brAutoSelect: ignored
    EXPECT_EQ(Out.MinimumBitrate(), brAutoSelect);

    Out.SetDesiredNominalBitrate(br128);
    EXPECT_EQ(Out.DesiredMaximumBitrate(), br128);
    Out.SetDesiredMaximumBitrate(br112); // below nominal: ignored
    EXPECT_EQ(Out.DesiredMaximumBitrate(), br128);
    Out.SetDesiredMaximumBitrate(br192);
    Out.SetMinimumBitrate(br96);
    Out.SetMinimumBitrate(br160); // above nominal: ignored
    EXPECT_EQ(Out.MinimumBitrate(), br96);

    Out.SetDesiredNominalBitrate(br80); // pulls the minimum down, leaves the maximum
    EXPECT_EQ(Out.MinimumBitrate(), br80);
    EXPECT_EQ(Out.DesiredMaximumBitrate(), br192);
    Out.SetDesiredNominalBitrate(br224); // pushes the maximum up
    EXPECT_EQ(Out.DesiredMaximumBitrate(), br224);
    Out.SetDesiredNominalBitrate(brAutoSelect);
    EXPECT_EQ(Out.DesiredMaximumBitrate(), brAutoSelect);
    EXPECT_EQ(Out.MinimumBitrate(), brAutoSelect);
    EXPECT_EQ(VorbisBitRateValue(brAutoSelect), -1);
    EXPECT_EQ(VorbisBitRateValue(br499), 499000);
}

// ogginfo's average bit rate of the file's audio, in bit/s.
double AverageBitrate(const std::string& File) {
    const std::string Line = OgginfoLine(File, "Average bitrate: ");
    return Line.empty() ? 0 : std::stod(Line.substr(17)) * 1000;
}

TEST(VorbisOut, ManagedBitRatesAverageTheAskedRate) {
    TTempDir Dir;
    auto Pcm = MusicPcm(44100 * 20, {2, 16, 44100});
    struct TManaged {
        TVorbisBitRate Nominal, Maximum, Minimum;
        int32_t ExpectMaximum, ExpectMinimum;
    };
    for (auto Case :
         {TManaged{br128, brAutoSelect, brAutoSelect, 128000, 128000},
          TManaged{br64, br96, br48, 96000, 48000}, TManaged{br192, br320, brAutoSelect, 320000, 192000}}) {
        SCOPED_TRACE(VorbisBitRateValue(Case.Nominal));
        TMemorySource Source(Pcm, 2, 44100, 16);
        TVorbisSink Sink;
        TVorbisOut& Out = Sink.Out;
        Out.SetDesiredNominalBitrate(Case.Nominal);
        Out.SetDesiredMaximumBitrate(Case.Maximum);
        Out.SetMinimumBitrate(Case.Minimum);
        std::string File = Dir.File("managed.ogg");
        Sink.Encode(Source, File);
        ExpectCleanOgginfo(File);
        TVorbisIn In;
        In.SetFileName(File);
        EXPECT_EQ(In.Channels(), 2);
        EXPECT_EQ(In.NominalBitrate(), VorbisBitRateValue(Case.Nominal));
        EXPECT_EQ(In.MaxBitrate(), Case.ExpectMaximum);
        EXPECT_EQ(In.MinBitrate(), Case.ExpectMinimum);
        EXPECT_NEAR(AverageBitrate(File), VorbisBitRateValue(Case.Nominal),
                    VorbisBitRateValue(Case.Nominal) * 0.1);
    }
}

TEST(VorbisOut, AppendingAddsASecondLogicalStream) {
    TTempDir Dir;
    std::string File = Dir.File("chain.ogg");
    TMemorySource First(MusicPcm(30000, {2, 16, 44100}), 2, 44100, 16);
    TMemorySource Second(MusicPcm(20001, {2, 16, 44100}, 9), 2, 44100, 16);
    TVorbisSink Sink;
    TVorbisOut& Out = Sink.Out;
    Out.SetFileMode(foAppend);
    EXPECT_EQ(Out.FileMode(), foAppend);
    Sink.Encode(First, File);  // a missing file is created
    Sink.Encode(Second, File); // the same Serial: the second stream gets the next free one

    EXPECT_NE(OgginfoLine(File, "New logical stream (#2"), "");
    auto Oggdec = DecodeWithOggdec(File);
    EXPECT_EQ(Oggdec.size(), size_t(50001 * 4));
    ExpectCleanOgginfo(File);
    TVorbisIn In;
    In.SetFileName(File);
    EXPECT_EQ(In.Channels(), 2);
    EXPECT_EQ(In.TotalSamples(), 50001);
    EXPECT_TRUE(ReadAllData(In, 65536) == Oggdec);
}

TEST(VorbisOut, ZeroLengthInputGivesAFinishedEmptyStream) {
    TTempDir Dir;
    std::string File = Dir.File("empty.ogg");
    TMemorySource Source(std::vector<uint8_t>{}, 2, 44100, 16);
    TVorbisSink Sink;
    Sink.Encode(Source, File);
    // libvorbis ends an empty stream with a granule position of 0, which ogginfo frowns upon (as it
    // does on oggenc's empty files); the stream must still be complete.
    EXPECT_NE(OgginfoLine(File, "Logical stream 1 ended"), "");
    TVorbisIn In;
    In.SetFileName(File);
    EXPECT_EQ(In.Channels(), 2);
    EXPECT_TRUE(In.Valid());
    EXPECT_TRUE(ReadAllData(In, 65536).empty());
    EXPECT_TRUE(DecodeWithFfmpeg(File).empty());
}

TEST(VorbisOut, StoppedConversionLeavesAFinishedShorterFile) {
    TTempDir Dir;
    std::string File = Dir.File("stopped.ogg");
    TMemorySource Source(MusicPcm(44100 * 10, {2, 16, 44100}), 2, 44100, 16, 8192);
    TVorbisSink Sink;
    TVorbisOut& Out = Sink.Out;
    Out.OnProgress = [&](TComponent*) {
        if (Out.Progress() >= 20) Out.Stop();
    };
    Sink.Encode(Source, File);
    ExpectCleanOgginfo(File);
    size_t Decoded = DecodeWithOggdec(File).size();
    EXPECT_GT(Decoded, size_t(44100 * 4));
    EXPECT_LT(Decoded, size_t(44100 * 4 * 5));
}

TEST(VorbisOut, PrepareRefusesWhatItCannotEncodeAndReleasesTheInput) {
    TTempDir Dir;
    struct TRefusal {
        int32_t Channels, SampleRate, Bits;
        float Compression;
        TVorbisBitRate Nominal;
        std::string FileName, Message;
    };
    std::string File = Dir.File("refused.ogg");
    for (const auto& Case : {
             TRefusal{2, 44100, 16, 0.5f, brAutoSelect, "", "File name is not assigned."},
             TRefusal{0, 44100, 16, 0.5f, brAutoSelect, File,
                      "Ogg Vorbis output needs at least one channel; the input has 0."},
             TRefusal{2, 44100, 12, 0.5f, brAutoSelect, File,
                      "Ogg Vorbis output takes 8, 16, 24 or 32-bit input; the input has 12 bits per sample."},
             TRefusal{2, 44100, 16, -0.5f, brAutoSelect, File,
                      "The Ogg Vorbis encoder refuses quality -0.5 for 2 channels at 44100 Hz."},
             TRefusal{2, 0, 16, 0.5f, brAutoSelect, File,
                      "The Ogg Vorbis encoder refuses quality 0.5 for 2 channels at 0 Hz."},
             TRefusal{1, 8000, 16, 0.5f, br499, File,
                      "The Ogg Vorbis encoder refuses 499000 bit/s (minimum 499000, maximum 499000) for 1 "
                      "channel at 8000 Hz."},
         }) {
        SCOPED_TRACE(Case.Message);
        TMemorySource Source(std::vector<uint8_t>(4000), Case.Channels, Case.SampleRate, Case.Bits);
        TVorbisSink Sink;
        TVorbisOut& Out = Sink.Out;
        Out.SetCompression(Case.Compression);
        Out.SetDesiredNominalBitrate(Case.Nominal);
        EXPECT_EQ(Sink.Run(Source, Case.FileName), Case.Message);
    }
}

TEST(VorbisOut, UnwritableFileFailsTheConversion) {
    TTempDir Dir;
    TMemorySource Source(std::vector<uint8_t>(4000), 2, 44100, 16);
    TVorbisSink Sink;
    std::string Error = Sink.Run(Source, Dir.File("no-such-folder/out.ogg"));
    EXPECT_NE(Error.find("no-such-folder"), std::string::npos) << Error;
}

} // namespace
} // namespace deraz
// libvorbisenc 1.3.7 loses 2848 bytes with every 5.1 encoder it sets up (vorbis_encode_init_vbr
// for 6 channels, then vorbis_info_clear, in a bare C program too).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libvorbisenc.so\n";
}
