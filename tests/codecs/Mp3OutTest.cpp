#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <numeric>
#include <thread>

#include "codecs/mp3/ACS_LAME.h"
#include "codecs/mp3/ACS_MAD.h"
#include "pipeline/PcmSamples.h"
#include "tests/codecs/Mp3TestSupport.h"

namespace deraz::test {
namespace {

constexpr int32_t Rate = 44100;
// The test signal's noise bursts are coded perceptually, not sample by sample: an MP3 of it
// reaches about 8 dB, anything broken (wrong sign, wrong channel order, shifted) far less.
constexpr double MinSnr = 5.0;

std::vector<int16_t> Channel(const std::vector<int16_t>& Samples, int Which) {
    std::vector<int16_t> Result;
    for (size_t I = Which; I < Samples.size(); I += 2) Result.push_back(Samples[I]);
    return Result;
}

std::string Encode(const TTempDir& Dir, const std::string& Name, TMemorySource& Source,
                   TMP3BitRate BitRate = br128) {
    TMP3Out Sink;
    Sink.SetFileName(Dir.File(Name));
    Sink.SetBitRate(BitRate);
    Sink.SetInput(&Source);
    std::string Error = RunAndWait(Sink);
    EXPECT_EQ(Error, "");
    return Dir.File(Name);
}

TEST(MP3Out, StereoDecodesCleanlyAtTheLengthAndQualityOfTheLameTool) {
    TTempDir Dir;
    auto Samples = MusicLikeSignal(Rate * 3 + 123, 2, Rate, 3);
    TMemorySource Source(Samples, 2, Rate);
    std::string Ours = Encode(Dir, "ours.mp3", Source);
    EXPECT_EQ(FfmpegComplaints(Ours), "");
    std::string Output;
    EXPECT_EQ(RunCommand("mpg123 -t " + ShellQuote(Ours), &Output), 0) << Output;
    EXPECT_EQ(Output.find("rror"), std::string::npos) << Output;

    // The LAME/Info frame carries delay and padding, so a gapless decoder restores the length.
    auto Decoded = DecodeWithMpg123(Ours);
    ASSERT_EQ(Decoded.size(), Samples.size());
    auto Reference = DecodeWithMpg123(EncodeWithLame(Dir, "lame", Samples, 2, Rate, "-b 128"));
    ASSERT_EQ(Reference.size(), Samples.size());
    double OurSnr = SignalToNoiseDb(Samples, Decoded), LameSnr = SignalToNoiseDb(Samples, Reference);
    EXPECT_GT(OurSnr, MinSnr);
    EXPECT_NEAR(OurSnr, LameSnr, 1.0);
}

TEST(MP3Out, MonoBecomesTwoIdenticalChannelsAndEightBitIsUnsigned) {
    TTempDir Dir;
    auto Samples = MusicLikeSignal(Rate * 2, 1, Rate, 5);
    TMemorySource Mono(Samples, 1, Rate);
    auto Decoded = DecodeWithMpg123(Encode(Dir, "mono.mp3", Mono));
    ASSERT_EQ(Decoded.size(), Samples.size() * 2);
    EXPECT_EQ(Channel(Decoded, 0), Channel(Decoded, 1));
    EXPECT_GT(SignalToNoiseDb(Samples, Channel(Decoded, 0)), MinSnr);

    TMemorySource Narrow(ToUnsigned8(Samples), 1, Rate, 8);
    auto Decoded8 = DecodeWithMpg123(Encode(Dir, "eight.mp3", Narrow));
    ASSERT_EQ(Decoded8.size(), Samples.size() * 2);
    EXPECT_GT(SignalToNoiseDb(Samples, Channel(Decoded8, 0)), MinSnr);
}

TEST(MP3Out, OddChunksAndUnknownSizeLoseNoSamples) {
    TTempDir Dir;
    auto Samples = MusicLikeSignal(Rate, 2, Rate, 7);
    std::vector<uint8_t> Bytes(reinterpret_cast<uint8_t*>(Samples.data()),
                               reinterpret_cast<uint8_t*>(Samples.data() + Samples.size()));
    // Chunks of 333 bytes split sample frames; the encoder must still see every frame.
    TMemorySource Source(Bytes, 2, Rate, 16, 333, false);
    std::string File = Encode(Dir, "odd.mp3", Source);
    EXPECT_EQ(FfmpegComplaints(File), "");
    auto Decoded = DecodeWithMpg123(File);
    ASSERT_EQ(Decoded.size(), Samples.size());
    EXPECT_GT(SignalToNoiseDb(Samples, Decoded), MinSnr);
}

TEST(MP3Out, Id3FieldsReadBack) {
    TTempDir Dir;
    TMemorySource Source(MusicLikeSignal(Rate / 2, 2, Rate), 2, Rate);
    TMP3Out Sink;
    Sink.SetFileName(Dir.File("tagged.mp3"));
    Sink.SetId3TagTitle("Night Train");
    Sink.SetId3TagArtist("The Testers");
    Sink.SetId3TagAlbum("Unit Works");
    Sink.SetId3TagYear("2024");
    Sink.SetId3TagTrack("7");
    Sink.SetId3TagComment("made here");
    Sink.SetInput(&Source);
    ASSERT_EQ(RunAndWait(Sink), "");
    std::string Listing;
    ASSERT_EQ(RunCommand("id3v2 -l " + ShellQuote(Dir.File("tagged.mp3")), &Listing), 0);
    for (const char* Field : {"Night Train", "The Testers", "Unit Works", "2024", "made here"})
        EXPECT_NE(Listing.find(Field), std::string::npos) << Field << " missing in " << Listing;
    EXPECT_NE(Listing.find("Track: 7"), std::string::npos) << Listing;
}

TEST(MP3Out, BitRateReachesTheEncoder) {
    TTempDir Dir;
    auto Samples = MusicLikeSignal(Rate * 4, 2, Rate, 9);
    for (auto [BitRate, Kbps] : {std::pair{br32, 32}, std::pair{br320, 320}}) {
        TMemorySource Source(Samples, 2, Rate);
        auto Size = std::filesystem::file_size(Encode(Dir, std::to_string(Kbps) + ".mp3", Source, BitRate));
        EXPECT_NEAR(double(Size), Kbps * 1000.0 / 8 * 4, Kbps * 1000.0 / 8 * 0.3) << Kbps;
    }
}

TEST(MP3Out, RefusesWhatItCannotEncodeWithoutLeavingAFile) {
    TTempDir Dir;
    auto Samples = MusicLikeSignal(1000, 1, Rate);
    TMemorySource Unnamed(Samples, 1, Rate);
    TMP3Out Sink;
    Sink.SetInput(&Unnamed);
    EXPECT_EQ(RunAndWait(Sink), "File name is not assigned.");

    Sink.SetFileName(Dir.File("refused.mp3"));
    std::vector<uint8_t> Bytes(18000);
    TMemorySource Crowded(Bytes, 9, Rate, 16);
    EXPECT_EQ((Sink.SetInput(&Crowded), RunAndWait(Sink)), "MP3 encoding takes 1 to 8 channels, not 9.");
    TMemorySource Odd(Bytes, 2, Rate, 20);
    EXPECT_EQ((Sink.SetInput(&Odd), RunAndWait(Sink)),
              "MP3 encoding takes 8, 16, 24 or 32-bit input, not 20-bit.");
    EXPECT_FALSE(std::filesystem::exists(Dir.File("refused.mp3")));
    EXPECT_FALSE(Crowded.Busy());
    EXPECT_FALSE(Odd.Busy());
}

TEST(MP3Out, SinksInParallelShareTheLibrary) {
    TTempDir Dir;
    auto Samples = MusicLikeSignal(Rate, 2, Rate, 11);
    for (int Round = 0; Round < 2; ++Round) {
        std::vector<std::thread> Jobs;
        for (int Job = 0; Job < 3; ++Job)
            Jobs.emplace_back([&, Job] {
                auto Sink = std::make_unique<TMP3Out>();
                TMemorySource Source(Samples, 2, Rate);
                Sink->SetFileName(Dir.File(std::to_string(Job) + ".mp3"));
                Sink->SetInput(&Source);
                EXPECT_EQ(RunAndWait(*Sink), "");
            });
        for (auto& Job : Jobs) Job.join();
        // Every sink is gone: the library was released and loads again for the next round.
        for (int Job = 0; Job < 3; ++Job)
            EXPECT_EQ(DecodeWithMpg123(Dir.File(std::to_string(Job) + ".mp3")).size(), Samples.size());
    }
}

// Two tones in every channel, each channel shifted in time; full scale is 1.0, interleaved.
std::vector<double> Tones(int32_t Frames, int32_t Channels, double Peak) {
    std::vector<double> Samples(size_t(Frames) * Channels);
    for (size_t I = 0; I < Samples.size(); ++I) {
        double Time = double(I / Channels) / Rate + double(I % Channels) / 7;
        Samples[I] = Peak / 2 * (std::sin(2 * M_PI * 1000 * Time) + std::sin(2 * M_PI * 1500 * Time));
    }
    return Samples;
}

// Signal as PCM of the given width, clipped at full scale; 24-bit as float sources make it.
std::vector<uint8_t> PcmOf(const std::vector<double>& Signal, int32_t Bits) {
    std::vector<int32_t> Values(Signal.size());
    double Scale = std::ldexp(1.0, Bits - 1);
    for (size_t I = 0; I < Signal.size(); ++I)
        Values[I] = Bits == 24 ? FloatToInt24(Signal[I])
                               : int32_t(std::clamp(std::round(Signal[I] * Scale), -Scale, Scale - 1));
    std::vector<uint8_t> Bytes(Values.size() * size_t(PcmBytes(Bits)));
    PackPcm(Values.data(), Bits, Values.size(), Bytes.data());
    return Bytes;
}

// Float samples as mpg123 decodes them, gapless and unclipped.
std::vector<float> DecodeToFloats(const std::string& FileName) {
    std::string Raw = FileName + ".raw";
    if (RunCommand("mpg123 -q -e f32 -s " + ShellQuote(FileName) + " > " + ShellQuote(Raw)) != 0) return {};
    auto Bytes = ReadFileBytes(Raw);
    std::vector<float> Samples(Bytes.size() / sizeof(float));
    std::memcpy(Samples.data(), Bytes.data(), Samples.size() * sizeof(float));
    return Samples;
}

double SnrDb(const std::vector<float>& Reference, const std::vector<float>& Test) {
    double Signal = std::inner_product(Reference.begin(), Reference.end(), Reference.begin(), 0.0);
    double Noise = std::transform_reduce(Reference.begin(), Reference.end(), Test.begin(), 0.0, std::plus<>(),
                                         [](double A, double B) { return (A - B) * (A - B); });
    return 10 * std::log10(Signal / std::max(Noise, 1e-30));
}

struct TWideCase {
    const char* Name;
    int32_t Channels;
    int32_t Bits;
    // Of the tones; above 1 the samples are clipped.
    double Peak;
    // How ffmpeg makes from the input the stereo signal the MP3 is to carry.
    const char* ToStereo;
    const char* Note;
};

// Wider samples, and more channels, go to LAME at full precision: the MP3 is as close to the
// stereo signal as the lame tool's MP3 of it. At -90 dBFS a cut to 16 bits would lose the tones.
TEST(MP3Out, WideAndMultichannelInputIsEncodedAsWellAsTheLameToolEncodesItsStereoSignal) {
    const TWideCase Cases[] = {
        {"24-bit stereo at -90 dBFS", 2, 24, 3.2e-5, "", ""},
        {"32-bit stereo", 2, 32, 0.5, "", ""},
        {"24-bit mono clipped at full scale", 1, 24, 1.3, "-af 'pan=stereo|c0=c0|c1=c0'", ""},
        {"16-bit 5.1", 6, 16, 0.5, "-ac 2", "Downmixed from 6 channels to stereo."},
        {"8-bit 5.1", 6, 8, 0.5, "-ac 2", "Downmixed from 6 channels to stereo."},
    };
    TTempDir Dir;
    TMP3Out Sink;
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        auto Pcm = PcmOf(Tones(Rate * 2 + 99, Case.Channels, Case.Peak), Case.Bits);
        std::string In = Dir.File("in.wav"), Stereo = Dir.File("stereo"), Lame = Dir.File("lame.mp3");
        WritePcmWav(In, Pcm.data(), Pcm.size(), Case.Channels, Rate, Case.Bits);
        ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -i " + ShellQuote(In) + " " + Case.ToStereo +
                             " -c:a pcm_s32le " + ShellQuote(Stereo + ".wav") + " " + Case.ToStereo +
                             " -f s32le " + ShellQuote(Stereo + ".raw")),
                  0);
        ASSERT_EQ(RunCommand("lame --quiet -b 128 " + ShellQuote(Stereo + ".wav") + " " + ShellQuote(Lame)),
                  0);
        TMemorySource Source(Pcm, Case.Channels, Rate, Case.Bits);
        Sink.SetFileName(Dir.File("ours.mp3"));
        ASSERT_EQ((Sink.SetInput(&Source), RunAndWait(Sink)), "");
        EXPECT_EQ(Sink.Note(), Case.Note);

        auto Integers = ReadFileBytes(Stereo + ".raw");
        std::vector<float> Expected(Integers.size() / 4);
        UnpackPcmToFloat(Integers.data(), 32, Expected.size(), Expected.data());
        auto Ours = DecodeToFloats(Sink.FileName()), Reference = DecodeToFloats(Lame);
        ASSERT_EQ(Ours.size(), Expected.size());
        ASSERT_EQ(Reference.size(), Expected.size());
        double OurSnr = SnrDb(Expected, Ours), LameSnr = SnrDb(Expected, Reference);
        EXPECT_GT(OurSnr, MinSnr);
        EXPECT_NEAR(OurSnr, LameSnr, 1.0);
    }
}

// LAME writes 96 kHz at 48 kHz; the note says so, after the downmix when there is one.
TEST(MP3Out, NoteNamesTheDownmixAndTheRateWritten) {
    const std::tuple<int32_t, int32_t, const char*> Cases[] = {
        {96000, 2, "Written at 48000 Hz."},
        {96000, 3, "Downmixed from 3 channels to stereo. Written at 48000 Hz."},
        {44100, 2, ""},
    };
    TTempDir Dir;
    TMP3Out Sink;
    Sink.SetFileName(Dir.File("note.mp3"));
    for (auto [InputRate, Channels, Note] : Cases) {
        SCOPED_TRACE(Note);
        TMemorySource Source(MusicLikeSignal(InputRate, Channels, InputRate), Channels, InputRate);
        ASSERT_EQ((Sink.SetInput(&Source), RunAndWait(Sink)), "");
        EXPECT_EQ(Sink.Note(), Note);
        auto Written = ProbeEntries(Sink.FileName(), "stream=sample_rate,channels");
        EXPECT_EQ(Written["sample_rate"], InputRate == 96000 ? "48000" : "44100");
        EXPECT_EQ(Written["channels"], "2");
    }
}

} // namespace
} // namespace deraz::test
