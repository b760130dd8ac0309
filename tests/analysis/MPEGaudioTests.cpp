// MPEG audio analysis: files made by lame against ffprobe, and hand-built streams for the
// headers and encoder signatures lame does not write.
#include "analysis/MPEGaudio.h"
#include "tests/analysis/AnalysisTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace deraz::test {
namespace {

struct TLameCase {
    const char* Options;
    int SampleRate;
    int Channels;
    const char* Version;
    bool Vbr;
};

TEST(MPEGaudio, AgreesWithFfprobeOnLameFiles) {
    const TLameCase Cases[] = {
        {"-b 128", 44100, 2, "MPEG 1", false},      {"-V 2", 44100, 2, "MPEG 1", true},
        {"-b 64 -m m", 22050, 1, "MPEG 2", false},  {"-V 5", 24000, 2, "MPEG 2", true},
        {"-b 16 -m m", 8000, 1, "MPEG 2.5", false}, {"-V 4", 11025, 2, "MPEG 2.5", true},
        {"-b 320", 48000, 2, "MPEG 1", false},      {"-V 0 -m m", 32000, 1, "MPEG 1", true},
    };
    TTempDir Dir;
    for (const auto& C : Cases) {
        SCOPED_TRACE(std::string(C.Options) + " " + std::to_string(C.SampleRate));
        std::string Wav = MakeWav(Dir, "in.wav", 7.3, C.SampleRate, C.Channels);
        std::string Mp3 = Dir.File("out.mp3");
        RunTool("lame --quiet " + std::string(C.Options) + " " + ShellQuote(Wav) + " " + ShellQuote(Mp3));
        TProbe P = Probe(Mp3);
        TMPEGaudio M;
        ASSERT_TRUE(M.LoadFile(Mp3));
        EXPECT_TRUE(M.IsValid());
        EXPECT_EQ(M.VersionText(), C.Version);
        EXPECT_EQ(M.LayerText(), "Layer III");
        EXPECT_EQ(M.SampleRate(), P.SampleRate);
        EXPECT_EQ(M.ChannelModeText() == "Mono", P.Channels == 1);
        EXPECT_EQ(M.Vbr().Found, C.Vbr);
        // lame's gapless padding and its info frame count as audio here; ffprobe leaves them out.
        double Frame = (M.SampleRate() < 32000 ? 576.0 : 1152.0) / M.SampleRate();
        EXPECT_NEAR(M.Duration(), P.Duration, 2.5 * Frame);
        if (C.Vbr)
            EXPECT_NEAR(M.Bitrate(), P.FormatBitRate / 1000.0, P.FormatBitRate / 1000.0 * 0.04);
        else
            EXPECT_EQ(M.Bitrate() * 1000, P.StreamBitRate);
        EXPECT_EQ(M.EncoderId(), 3);
        // lame fills spare frame bytes with "LAME3.100" and then "UUUU...", so the signature nearest the
        // end of a CBR file may carry no version.
        EXPECT_EQ(M.EncoderText().substr(0, 4), "LAME");
    }
}

// A stream of MPEG 1 Layer III frames at 128 kbit/s and 44100 Hz; Mode is header byte 3.
class TSyntheticStream {
public:
    explicit TSyntheticStream(uint8_t Mode = 0x44, int Frames = 40, uint8_t Rate = 0x90,
                              size_t FrameBytes = 417) {
        for (int I = 0; I < Frames; ++I) {
            size_t Start = Bytes.size();
            Bytes.insert(Bytes.end(), {0xFF, 0xFB, Rate, Mode});
            Bytes.resize(Start + FrameBytes, 0x21);
        }
    }
    // Writes Text into the stream at Offset from the first frame's start.
    void Put(size_t Offset, const std::string& Text) {
        std::memcpy(Bytes.data() + Offset, Text.data(), Text.size());
    }
    void PutBE32(size_t Offset, uint32_t Value) {
        TBytes Out;
        AppendBE32(Out, Value);
        std::memcpy(Bytes.data() + Offset, Out.data(), 4);
    }
    TBytes Bytes;
};

TMPEGaudio LoadBytes(const TTempDir& Dir, const TBytes& Bytes) {
    std::string File = Dir.File("synthetic.mp3");
    WriteFileBytes(File, Bytes);
    TMPEGaudio M;
    EXPECT_TRUE(M.LoadFile(File));
    return M;
}

TEST(MPEGaudio, FrameSearchAndCbrFigures) {
    TTempDir Dir;
    TSyntheticStream S;
    // A false sync before the first frame: its successor is no header, so it is skipped.
    TBytes Bytes{0x00, 0xFF, 0xFB, 0x90, 0x44, 0x00, 0x00};
    Bytes.insert(Bytes.end(), S.Bytes.begin(), S.Bytes.end());
    TMPEGaudio M = LoadBytes(Dir, Bytes);
    ASSERT_TRUE(M.FirstFrame().Found);
    EXPECT_EQ(M.FirstFrame().Position, 7);
    EXPECT_EQ(M.FirstFrame().Length, 417);
    EXPECT_EQ(M.FrameCount(), 40);
    EXPECT_DOUBLE_EQ(M.Duration(), 40 * 417 * 8 / 128000.0);
    EXPECT_EQ(M.Bitrate(), 128);
    EXPECT_EQ(M.ChannelModeText(), "Joint Stereo");
    EXPECT_TRUE(M.FirstFrame().OriginalBit);
    EXPECT_FALSE(M.FirstFrame().Protected);
    EXPECT_EQ(M.EncoderText(), "FhG");

    // The padding bit adds one byte to a Layer III frame.
    M = LoadBytes(Dir, TSyntheticStream(0x44, 40, 0x92, 418).Bytes);
    EXPECT_EQ(M.FirstFrame().Length, 418);

    // Free format (bitrate index 0) is never accepted.
    M = LoadBytes(Dir, TSyntheticStream(0x44, 40, 0x00).Bytes);
    EXPECT_FALSE(M.IsValid());
    EXPECT_EQ(M.VersionText(), "MPEG ?");
    EXPECT_EQ(M.ChannelModeText(), "Unknown");
    EXPECT_EQ(M.Duration(), 0.0);
}

TEST(MPEGaudio, XingAndVbriHeaders) {
    TTempDir Dir;
    TSyntheticStream S;
    S.Put(36, "Xing");
    S.PutBE32(44, 0); // no frames stated
    S.PutBE32(48, 100000);
    S.Put(36 + 120, "LAME3.97");
    TMPEGaudio M = LoadBytes(Dir, S.Bytes);
    ASSERT_TRUE(M.Vbr().Found);
    EXPECT_EQ(M.FrameCount(), 0);
    EXPECT_EQ(M.Bitrate(), 128);
    EXPECT_DOUBLE_EQ(M.Duration(), 40 * 417 * 8 / 128000.0);
    EXPECT_EQ(M.EncoderText(), "LAME 3.97");

    S.PutBE32(44, 1000);
    S.PutBE32(48, 1000 * 313);
    S.Put(36 + 120, "GOGO1.00");
    M = LoadBytes(Dir, S.Bytes);
    EXPECT_EQ(M.FrameCount(), 1000);
    EXPECT_EQ(M.Bitrate(), 96); // 313 bytes a frame
    EXPECT_DOUBLE_EQ(M.Duration(), 1152.0 * 1000 / 44100);
    EXPECT_EQ(M.EncoderText(), "GoGo");
    S.Put(36 + 120, "ABCDEFGH");
    EXPECT_EQ(LoadBytes(Dir, S.Bytes).EncoderText(), "Xing");

    // A VBRI header at the stereo offset; its frame count and byte count sit at 14 and 10.
    TSyntheticStream V;
    V.Put(36, "VBRI");
    V.PutBE32(46, 2000 * 209);
    V.PutBE32(50, 2000);
    M = LoadBytes(Dir, V.Bytes);
    ASSERT_TRUE(M.Vbr().Found);
    EXPECT_EQ(M.Vbr().Id, "VBRI");
    EXPECT_EQ(M.FrameCount(), 2000);
    EXPECT_EQ(M.Bitrate(), 64);
    EXPECT_EQ(M.EncoderText(), "FhG");

    // In a mono stream the header is looked for at 21, so one at 36 is not seen.
    TSyntheticStream Mono(0xC4);
    Mono.Put(36, "VBRI");
    EXPECT_FALSE(LoadBytes(Dir, Mono.Bytes).Vbr().Found);
}

TEST(MPEGaudio, TailVendorsAndId3v1) {
    TTempDir Dir;
    TSyntheticStream S;
    S.Put(S.Bytes.size() - 300, "LAME3.100");
    TMPEGaudio M = LoadBytes(Dir, S.Bytes);
    EXPECT_EQ(M.TailVendor(), "LAME3.100");
    EXPECT_EQ(M.EncoderId(), 3);
    EXPECT_EQ(M.EncoderText(), "LAME 3.100");
    S.Put(S.Bytes.size() - 300, "LAME3.99r");
    EXPECT_EQ(LoadBytes(Dir, S.Bytes).EncoderText(), "LAME 3.99");

    // The signature nearer to the end wins.
    S.Put(S.Bytes.size() - 100, "GOGO");
    M = LoadBytes(Dir, S.Bytes);
    EXPECT_EQ(M.TailVendor(), "GOGO");
    EXPECT_EQ(M.EncoderId(), 5);

    // An ID3v1 tag holding "LAME" is not searched, and its bytes are no audio.
    TSyntheticStream Tagged;
    TBytes Tag(128, 0);
    std::memcpy(Tag.data(), "TAGLAME3.99", 11);
    Tagged.Bytes.insert(Tagged.Bytes.end(), Tag.begin(), Tag.end());
    M = LoadBytes(Dir, Tagged.Bytes);
    EXPECT_TRUE(M.Id3v1().Exists());
    EXPECT_EQ(M.TailVendor(), "");
    EXPECT_EQ(M.FrameCount(), 40);
}

TEST(MPEGaudio, ShortAndForeignFiles) {
    TTempDir Dir;
    std::string File = Dir.File("short.mp3");
    WriteFileBytes(File, TBytes(20, 0xFF));
    TMPEGaudio M;
    EXPECT_FALSE(M.LoadFile(File)); // too short for the APE tag reader
    EXPECT_FALSE(M.LoadFile(Dir.File("missing.mp3")));
    WriteFileBytes(File, TBytes(10000, 0));
    EXPECT_TRUE(M.LoadFile(File));
    EXPECT_FALSE(M.IsValid());
    EXPECT_EQ(M.FrameCount(), 0);
    EXPECT_EQ(M.EncoderId(), 0);
}

} // namespace
} // namespace deraz::test
