// The format table: the dialog's entries under their stored indexes, the formats read by
// extension, the open dialog's filters, and which stored level reaches a sink.
#include "codecs/FormatTable.h"

#include <gtest/gtest.h>

namespace deraz {
namespace {

TEST(FormatTable, DialogEntriesKeepTheirStoredIndexTextsAndLevels) {
    struct {
        int32_t DestExt;
        const char *Extension, *Entry;
        size_t Levels;
        const char *Default, *LastShown;
        TSinkCode Sink;
        const char* Name = nullptr; // what -f finds it by
    } Expected[] = {
        {0, ".ogg", "OGG Vorbis Encoder (*.ogg)", 11, "Quality 5 - 160 kbps", "Quality 10 - 500 kbps",
         scVorbisOut},
        {1, ".mp3", "Lame MP3 Encoder (*.mp3)", 18, "128 kbps", "320 kbps", scMP3Out},
        {2, ".fla", "Free Lossless Audio Codec Encoder (*.fla)", 10, "Level 5 - default",
         "Level 8 - smallest", scFLACOut},
        {3, ".flac", "Free Lossless Audio Codec Encoder (*.flac)", 10, "Level 5 - default",
         "Level 8 - smallest", scFLACOut},
        {4, ".ape", "Monkeys Audio Compression Encoder (*.ape)", 6, "Normal - Good compression", "Insane",
         scMACOut},
        {5, ".wav", "Wave Writer (*.wav)", 1, "Standard", "Standard", scWaveOut},
        {6, ".opus", "Opus Encoder (*.opus)", 8, "128 kbps", "256 kbps", scOpusOut},
        {7, ".m4a", "AAC Encoder (*.m4a)", 6, "192 kbps", "320 kbps", scM4aOut},
        {8, ".m4a", "Apple Lossless Encoder (*.m4a)", 1, "Standard", "Standard", scM4aOut, "alac"},
        {9, ".wv", "WavPack Encoder (*.wv)", 4, "Normal", "Very high", scWavPackOut},
        {10, ".aiff", "AIFF Writer (*.aiff)", 1, "Standard", "Standard", scAiffOut}};
    ASSERT_EQ(OutputFormats().size(), std::size(Expected));
    for (const auto& Want : Expected) {
        const int32_t DestExt = Want.DestExt;
        ASSERT_NE(OutputEntry(DestExt), nullptr);
        const TOutputFormat& Entry = *OutputEntry(DestExt);
        SCOPED_TRACE(Want.Entry);
        EXPECT_EQ(Entry.DestExt, DestExt);
        EXPECT_STREQ(Entry.Entry, Want.Entry);
        EXPECT_EQ(Entry.Levels.size(), Want.Levels);
        EXPECT_STREQ(Entry.Levels[size_t(Entry.DefaultLevel)], Want.Default);
        EXPECT_STREQ(Entry.ShownLevels.back(), Want.LastShown);
        EXPECT_EQ(FormatOfOutput(DestExt)->SinkCode, Want.Sink);
        EXPECT_EQ(OutputExtension(DestExt), Want.Extension);
        EXPECT_EQ(FindOutputFormat(Want.Name ? Want.Name : Want.Extension), DestExt);
    }
    // Today's FLAC entries keep their first level and its text.
    EXPECT_STREQ(OutputEntry(2)->Levels[0], "Standard");
    EXPECT_STREQ(OutputEntry(3)->Levels[0], "Standad");
    EXPECT_EQ(OutputExtension(99), "");
    EXPECT_EQ(OutputExtension(-1), "");
    EXPECT_EQ(FormatOfOutput(99), nullptr);
    EXPECT_EQ(FindOutputFormat("FLA"), 2);
    EXPECT_EQ(FindOutputFormat("aac"), -1);
    // {entry, level, kbit/s}: only the lossy lists are bit rates.
    for (auto [DestExt, Level, Kbps] : {std::tuple{0, 0, 64},
                                        {0, 10, 500},
                                        {1, 2, 24},
                                        {1, 14, 192},
                                        {6, 0, 32},
                                        {6, 7, 256},
                                        {7, 0, 96},
                                        {7, 5, 320}})
        EXPECT_EQ(OutputEntry(DestExt)->LevelKbps[size_t(Level)], Kbps);
    EXPECT_TRUE(OutputEntry(4)->LevelKbps.empty());
    EXPECT_TRUE(OutputEntry(8)->LevelKbps.empty());
}

TEST(FormatTable, InputsAreFoundByExtensionInAnyCase) {
    struct {
        const char* Extension;
        TMediaKind Analyser;
        TTagForm Tags;
        const char* Invalid;
    } Expected[] = {
        {".MP3", mkMPEG, tfID3v2, "iNVALiD"},          {".Flac", mkFLAC, tfFLACComments, "iNVALID"},
        {".fla", mkFLAC, tfFLACComments, "iNVALiD"},   {".ape", mkMonkey, tfAPEv2, "iNVALiD"},
        {".wav", mkWAV, tfRIFFInfo, "iNVALiD"},        {".ogg", mkOggVorbis, tfOggComments, "iNVALiD"},
        {".OPUS", mkOpus, tfOpusComments, "iNVALiD"},  {".M4A", mkProbed, tfMP4Atoms, "iNVALiD"},
        {".WV", mkWavPack, tfWavPackAPEv2, "iNVALiD"}, {".aif", mkAIFF, tfAIFFID3, "iNVALiD"},
        {".AIFF", mkAIFF, tfAIFFID3, "iNVALiD"},       {".aifc", mkAIFF, tfAIFFID3, "iNVALiD"},
        {".WMA", mkProbed, tfProbed, "iNVALiD"},       {".mkv", mkProbed, tfProbed, "iNVALiD"}};
    for (const auto& Want : Expected) {
        const TFormat* Format = FindInputFormat(Want.Extension);
        ASSERT_NE(Format, nullptr) << Want.Extension;
        EXPECT_EQ(Format->Analyser, Want.Analyser) << Want.Extension;
        EXPECT_EQ(Format->TagForm, Want.Tags) << Want.Extension;
        EXPECT_STREQ(InvalidBitrateText(Want.Extension), Want.Invalid) << Want.Extension;
    }
    for (const char* Unknown : {".aac", "mp3", "", ".mp3.part"}) EXPECT_EQ(FindInputFormat(Unknown), nullptr);
    EXPECT_STREQ(InvalidBitrateText(".aac"), "iNVALiD");
}

TEST(FormatTable, OpenDialogFiltersKeepTheirTextsAndOrder) {
    EXPECT_EQ(OpenDialogFilters(),
              (std::vector<std::string>{"All Supported Files (*.mp3 *.flac *.fla *.ape *.wav *.ogg *.opus "
                                        "*.m4a *.wv *.aiff *.aif *.aifc *.wma *.mpc *.tta *.ac3 *.dts "
                                        "*.mp2 *.amr *.caf *.w64 *.mka *.mp4 *.m4v *.mkv *.webm *.avi "
                                        "*.mov)",
                                        "MP3 Files (*.mp3)", "FLAC Files (*.flac *.fla)", "Wav Files (*.wav)",
                                        "APE Files (*.ape)", "OGG Files (*.ogg)", "Opus Files (*.opus)",
                                        "M4A Files (*.m4a)", "WavPack Files (*.wv)",
                                        "AIFF Files (*.aiff *.aif *.aifc)",
                                        "Other Audio Files (*.wma *.mpc *.tta *.ac3 *.dts *.mp2 *.amr "
                                        "*.caf *.w64 *.mka *.mp4 *.m4v *.mkv *.webm *.avi *.mov)"}));
}

TEST(FormatTable, AStoredLevelReachesOnlyTheSinksItBelongsTo) {
    auto Writer = [](TSinkCode Code) {
        for (const TFormat& Format : Formats())
            if (Format.SinkCode == Code) return &Format;
        return static_cast<const TFormat*>(nullptr);
    };
    // {sink, stored DestExt, stored Bitrate, level set or -1 for none}: an MP3 level is taken
    // whichever format it was stored for.
    for (auto [Sink, DestExt, Bitrate, Level] : {std::tuple{scVorbisOut, 0, 10, 10},
                                                 {scVorbisOut, 0, 11, -1},
                                                 {scVorbisOut, 1, 3, -1},
                                                 {scMACOut, 4, 5, 5},
                                                 {scMACOut, 4, 6, -1},
                                                 {scMACOut, 0, 1, -1},
                                                 {scMP3Out, 1, 17, 17},
                                                 {scMP3Out, 0, 5, 5},
                                                 {scMP3Out, 1, 18, -1},
                                                 {scMP3Out, 1, -1, -1},
                                                 {scFLACOut, 3, 0, 0},
                                                 {scFLACOut, 2, 9, 9},
                                                 {scFLACOut, 3, 10, -1},
                                                 {scWavPackOut, 9, 3, 3},
                                                 {scWavPackOut, 3, 1, -1},
                                                 {scAiffOut, 10, 0, -1},
                                                 {scWaveOut, 5, 0, -1},
                                                 {scOpusOut, 6, 7, 7},
                                                 {scOpusOut, 6, 8, -1},
                                                 {scOpusOut, 1, 4, -1},
                                                 {scM4aOut, 7, 5, 5},
                                                 {scM4aOut, 8, 0, 0},
                                                 {scM4aOut, 7, 6, -1}})
        EXPECT_EQ(SinkLevel(*Writer(Sink), DestExt, Bitrate).value_or(-1), Level)
            << Sink << " " << DestExt << " " << Bitrate;
}

} // namespace
} // namespace deraz
