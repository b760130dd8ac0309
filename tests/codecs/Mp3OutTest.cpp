#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <thread>

#include "codecs/mp3/ACS_LAME.h"
#include "codecs/mp3/ACS_MAD.h"
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
    std::vector<uint8_t> Bytes(6000);
    TMemorySource Surround(Bytes, 3, Rate, 16);
    Sink.SetInput(&Surround);
    EXPECT_EQ(RunAndWait(Sink), "MP3 encoding takes mono or stereo input, not 3 channels.");
    TMemorySource Wide(Bytes, 2, Rate, 24);
    Sink.SetInput(&Wide);
    EXPECT_EQ(RunAndWait(Sink), "MP3 encoding takes 8-bit or 16-bit input, not 24-bit.");
    EXPECT_FALSE(std::filesystem::exists(Dir.File("refused.mp3")));
    EXPECT_FALSE(Surround.Busy());
    EXPECT_FALSE(Wide.Busy());
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

} // namespace
} // namespace deraz::test
