// The driver with the real components: every pairing of the tables, the component chosen for
// each, and the stored level reaching the encoder.
#include "codecs/ape/ACS_MAC.h"
#include "codecs/mp3/ACS_LAME.h"
#include "codecs/vorbis/ACS_Vorbis.h"
#include "driver/CodecSet.h"
#include "driver/ConvDriver.h"
#include "driver/FileNames.h"
#include "driver/Settings.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <tuple>

#include "tests/support/TestSupport.h"

namespace deraz {
namespace {

using test::ShellQuote;

constexpr int32_t Rate = 44100;
constexpr int32_t Frames = 30000;

const std::map<std::string, int32_t> SinkCodes{
    {".wav", scWaveOut},   {".ogg", scVorbisOut}, {".ape", scMACOut},   {".fla", scFLACOut},
    {".flac", scFLACOut},  {".mp3", scMP3Out},    {".opus", scOpusOut}, {".m4a", scM4aOut},
    {".wv", scWavPackOut}, {".aiff", scAiffOut}};

bool Lossless(const std::string& Ext) {
    return Ext == ".wav" || Ext == ".fla" || Ext == ".flac" || Ext == ".ape" || Ext == ".wv" ||
           Ext == ".aiff";
}

struct TBatch {
    TCodecSet Codecs;
    std::function<TOutputChoice()> Choice = [] { return TOutputChoice{}; };
    TConvDriver Driver{Codecs.Pipelines(), [this] { return Choice(); }};
    std::vector<TEntryResult> Results;
    std::vector<int32_t> Sinks; // ActiveSink of each finished entry

    TBatch() {
        Driver.OnEntryFinished = [this](TConvDriver* Sender, const TEntryResult& Result) {
            Results.push_back(Result);
            Sinks.push_back(Sender->ActiveSink());
        };
    }
    void Run(std::vector<TMediaEntry> Entries) {
        Results.clear();
        Sinks.clear();
        Driver.Start(std::make_shared<TEntryQueue>(std::move(Entries)));
        Driver.RunToEnd();
    }
};

TEST(DriverPairings, EveryPairingConvertsThroughItsComponents) {
    test::TTempDir Dir;
    auto Signal = test::MusicLikeSignal(Frames, 2, Rate);
    std::string Wav = Dir.File("source.wav");
    test::WritePcmWav(Wav, Signal, 2, Rate);

    TBatch Batch;
    // 128 kbit/s MP3: lower rates make the encoder resample.
    Batch.Choice = [] { return TOutputChoice{1, 11}; };
    std::vector<TMediaEntry> Entries;
    std::vector<std::pair<std::string, std::string>> Pairs;
    for (const auto& Source : Batch.Codecs.Pipelines().Sources()) {
        // Upper-case names choose the same components.
        std::string Ext = Source.Extension;
        std::string Input = Dir.File("in_" + Ext.substr(1) + (Ext == ".mp3" ? ".MP3" : Ext));
        if (!test::EncodeWithPeerTool(Wav, Source.Extension, Input)) continue;
        for (const auto& Sink : Batch.Codecs.Pipelines().Sinks()) {
            if (Source.Extension == ".wav" && Sink.Extension == ".wav") continue;
            std::string OutExt = Sink.Extension == ".flac" ? ".FLAC" : Sink.Extension;
            Entries.push_back({Input, Dir.File("from_" + Source.Extension.substr(1) + OutExt)});
            Pairs.emplace_back(Source.Extension, Sink.Extension);
        }
    }
    ASSERT_FALSE(Entries.empty());
    Batch.Run(Entries);

    ASSERT_EQ(Batch.Results.size(), Entries.size());
    for (size_t I = 0; I < Entries.size(); ++I) {
        const auto& [InExt, OutExt] = Pairs[I];
        SCOPED_TRACE(InExt + " to " + OutExt);
        EXPECT_EQ(Batch.Results[I].Outcome, eoConverted) << Batch.Results[I].Message;
        EXPECT_EQ(Batch.Sinks[I], SinkCodes.at(OutExt));
        // At the input's rate: Opus decodes at 48 kHz.
        auto Decoded = test::BytesToSamples(
            test::DecodeWithFfmpeg(Entries[I].OutputName, "s16le -ar " + std::to_string(Rate)));
        int64_t DecodedFrames = int64_t(Decoded.size() / 2);
        // Lossy coders may pad or trim up to a frame; every channel must still be there, in time.
        EXPECT_NEAR(double(DecodedFrames), double(Frames), 2304.0);
        if (Lossless(InExt) && Lossless(OutExt))
            EXPECT_EQ(Decoded, Signal);
        else if (Lossless(InExt) && OutExt == ".mp3") // at 128 kbit/s, as the peer encodes it
            EXPECT_GE(test::WorstChannelSnrDb(Signal, Decoded, 2),
                      test::PeerWorstChannelSnrDb(Signal, 2, Rate, OutExt) - 1.0);
        else // a silenced, swapped or misplaced channel falls to 0 dB or below
            EXPECT_GT(test::WorstChannelSnrDb(Signal, Decoded, 2), 3.0);
    }
}

TEST(DriverPairings, TheStoredLevelIsReadForEachFile) {
    test::TTempDir Dir;
    std::string Wav = Dir.File("source.wav");
    test::WritePcmWav(Wav, test::MusicLikeSignal(Rate, 2, Rate), 2, Rate);
    std::string Flac = Dir.File("source.flac");
    ASSERT_TRUE(test::EncodeWithPeerTool(Wav, ".flac", Flac));

    TSettings Settings(Dir.File("Varidir.ini"));
    TBatch Batch;
    Batch.Choice = [&] { return Settings.OutputChoice(); };
    // The settings change between two batches; each file takes what is stored when it starts.
    Settings.WriteOutputFormat(1, 3, false);
    Batch.Run({{Flac, Dir.File("a.mp3")}});
    EXPECT_EQ(Batch.Codecs.SinkOf<TMP3Out>(scMP3Out)->BitRate(), br32);
    Settings.WriteOutputFormat(1, 17, false);
    Batch.Run({{Flac, Dir.File("b.mp3")}});
    EXPECT_EQ(Batch.Codecs.SinkOf<TMP3Out>(scMP3Out)->BitRate(), br320);
    // An index beyond the list keeps the previous rate.
    Settings.WriteOutputFormat(1, 18, false);
    Batch.Run({{Flac, Dir.File("c.mp3")}});
    EXPECT_EQ(Batch.Codecs.SinkOf<TMP3Out>(scMP3Out)->BitRate(), br320);

    // Vorbis quality: entry i encodes at i / 10; another format's entry changes nothing.
    for (auto [Format, Entry, Quality] :
         {std::tuple{0, 0, 0.0f}, {0, 9, 0.9f}, {0, 4, 0.4f}, {0, 10, 1.0f}, {1, 2, 1.0f}}) {
        Settings.WriteOutputFormat(Format, Entry, false);
        Batch.Run({{Flac, Dir.File("quality.ogg")}});
        EXPECT_FLOAT_EQ(Batch.Codecs.SinkOf<TVorbisOut>(scVorbisOut)->Compression(), Quality) << Entry;
        EXPECT_EQ(Batch.Results.at(0).Outcome, eoConverted) << Batch.Results[0].Message;
    }
    // Monkey's Audio levels: entry N is (N + 1) x 1000; "braindead" (6000) writes 5000.
    for (auto [Entry, Level] : {std::pair{2, 3000}, {0, 1000}, {4, 5000}, {5, 5000}, {3, 4000}, {6, 4000}}) {
        Settings.WriteOutputFormat(4, Entry, false);
        Batch.Run({{Flac, Dir.File("level.ape")}});
        EXPECT_EQ(Batch.Codecs.SinkOf<TMACOut>(scMACOut)->CompressionLevel(), Level) << Entry;
        EXPECT_EQ(Batch.Results.at(0).Outcome, eoConverted) << Batch.Results[0].Message;
    }

    EXPECT_EQ(test::ProbeEntries(Dir.File("a.mp3"), "stream=bit_rate")["bit_rate"], "32000");
}

} // namespace
} // namespace deraz
