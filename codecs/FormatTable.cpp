#include "codecs/FormatTable.h"

#include <algorithm>
#include <cctype>

#include "codecs/aiff/ACS_Aiff.h"
#include "codecs/ape/ACS_MAC.h"
#include "codecs/flac/ACS_FLAC.h"
#include "codecs/mp3/ACS_LAME.h"
#include "codecs/mp3/ACS_MAD.h"
#include "codecs/opus/ACS_Opus.h"
#include "codecs/vorbis/ACS_Vorbis.h"
#include "codecs/wave/ACS_Wave.h"
#ifdef DERAZ_HAVE_FFMPEG
#include "codecs/ffmpeg/ACS_FFmpeg.h"
#endif
#include "codecs/wavpack/ACS_WavPack.h"

namespace deraz {

namespace {

bool InRange(int32_t Value, size_t Count) {
    return Value >= 0 && size_t(Value) < Count;
}

template <class T> std::unique_ptr<TACSFileIn> MakeSource() {
    return std::make_unique<T>();
}

// MP3: entry i is the i-th rate of 8, 16, ..., 320 kbit/s.
constexpr const char* MP3Levels[] = {"8 kbps",   "16 kbps",  "24 kbp",   "32 kbp",   "40 kbps",  "48 kbps",
                                     "56 kbps",  "64 kbps",  "80 kbps",  "96 kbps",  "112 kbps", "128 kbps",
                                     "144 kbps", "160 kbps", "192 kbps", "224 kbps", "256 kbps", "320 kbps"};
constexpr int32_t MP3Kbps[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 192, 224, 256, 320};
constexpr TOutputFormat MP3Outputs[] = {
    {1, ".mp3", "Lame MP3 Encoder (*.mp3)", MP3Levels, 11, MP3Levels, MP3Kbps}};
constexpr TInputExtension MP3Inputs[] = {{".mp3"}};

std::unique_ptr<TACSFileOut> MakeMP3Sink() {
    auto Sink = std::make_unique<TMP3Out>();
    Sink->SetBitRate(br128);
    return Sink;
}

void SetMP3Level(TACSFileOut& Sink, int32_t Level) {
    static_cast<TMP3Out&>(Sink).SetBitRate(TMP3BitRate(Level));
}

// FLAC: ".fla" and ".flac" are one format with two dialog entries, each with its own list: the
// first entry of each is the format's fixed-predictor setting, the others the library's presets
// 0 to 8.
#define DERAZ_FLAC_PRESETS                                                                                   \
    "Level 0 - fastest", "Level 1", "Level 2", "Level 3", "Level 4", "Level 5 - default", "Level 6",         \
        "Level 7", "Level 8 - smallest"
constexpr const char* FlaLevels[] = {"Standard", DERAZ_FLAC_PRESETS};
constexpr const char* FlacLevels[] = {"Standad", DERAZ_FLAC_PRESETS};
#undef DERAZ_FLAC_PRESETS
// "Level 5", the flac tool's own default.
constexpr int32_t FLACDefaultLevel = 6;
constexpr TOutputFormat FLACOutputs[] = {
    {2, ".fla", "Free Lossless Audio Codec Encoder (*.fla)", FlaLevels, FLACDefaultLevel, FlaLevels, {}},
    {3, ".flac", "Free Lossless Audio Codec Encoder (*.flac)", FlacLevels, FLACDefaultLevel, FlacLevels, {}}};
constexpr TInputExtension FLACInputs[] = {{".flac", "iNVALID"}, {".fla"}};

std::unique_ptr<TACSFileOut> MakeFLACSink() {
    auto Sink = std::make_unique<TFLACOut>();
    Sink->SetBestModelSearch(false);
    Sink->SetBlockSize(4608);
    Sink->SetEnableLooseMidSideStereo(false);
    Sink->SetEnableMidSideStereo(true);
    Sink->SetMaxLPCOrder(0);
    Sink->SetMaxResidualPartitionOrder(0);
    Sink->SetMinResidualPartitionOrder(0);
    Sink->SetQLPCoeffPrecision(0);
    Sink->SetQLPCoeffPrecisionSearch(false);
    Sink->SetVerify(false);
    return Sink;
}

void SetFLACLevel(TACSFileOut& Sink, int32_t Level) {
    static_cast<TFLACOut&>(Sink).SetCompressionLevel(Level - 1);
}

// Monkey's Audio: entry i is level (i + 1) x 1000; the sink writes "braindead" (6000) as 5000,
// the highest level of the format. The dialog opens with the short list, which has no
// "braindead".
constexpr const char* MACLevels[] = {"Fast - Poor compression", "Normal - Good compression",
                                     "High - Good compression", "Extra high - Best compression",
                                     "Insane compression",      "Braindead compression"};
constexpr const char* MACShownLevels[] = {"Fast", "Normal", "High", "Extra high", "Insane"};
constexpr TOutputFormat MACOutputs[] = {
    {4, ".ape", "Monkeys Audio Compression Encoder (*.ape)", MACLevels, 1, MACShownLevels, {}}};
constexpr TInputExtension MACInputs[] = {{".ape"}};

std::unique_ptr<TACSFileOut> MakeMACSink() {
    auto Sink = std::make_unique<TMACOut>();
    Sink->SetCompressionLevel(2000);
    Sink->SetMaxAudioBytes(-1);
    return Sink;
}

void SetMACLevel(TACSFileOut& Sink, int32_t Level) {
    static_cast<TMACOut&>(Sink).SetCompressionLevel((Level + 1) * 1000);
}

// WAV: PCM unless the command line asks for IMA ADPCM.
constexpr const char* WavLevels[] = {"Standard"};
constexpr TOutputFormat WavOutputs[] = {{5, ".wav", "Wave Writer (*.wav)", WavLevels, 0, WavLevels, {}}};
constexpr TInputExtension WavInputs[] = {{".wav"}};

std::unique_ptr<TACSFileOut> MakeWavSink() {
    auto Sink = std::make_unique<TWaveOut>();
    Sink->SetWavType(wtPCM);
    Sink->SetBlockSize(512);
    return Sink;
}

// Ogg Vorbis: quality mode, entry i encoding at quality i / 10, so that each entry gets the
// nominal rate its name states.
constexpr const char* VorbisLevels[] = {
    "Quality 0 - 64 kbps",  "Quality 1 - 80 kbps",  "Quality 2 - 96 kbps",  "Quality 3 - 112 kbps",
    "Quality 4 - 128 kbps", "Quality 5 - 160 kbps", "Quality 6 - 192 kbps", "Quality 7 - 224 kbps",
    "Quality 8 - 256 kbps", "Quality 9 - 320 kbps", "Quality 10 - 500 kbps"};
constexpr int32_t VorbisKbps[] = {64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 500};
constexpr TOutputFormat VorbisOutputs[] = {
    {0, OggExtension, "OGG Vorbis Encoder (*.ogg)", VorbisLevels, 5, VorbisLevels, VorbisKbps}};
constexpr TInputExtension VorbisInputs[] = {{OggExtension}};

std::unique_ptr<TACSFileOut> MakeVorbisSink() {
    auto Sink = std::make_unique<TVorbisOut>();
    Sink->SetCompression(0.5f);
    return Sink;
}

void SetVorbisLevel(TACSFileOut& Sink, int32_t Level) {
    static_cast<TVorbisOut&>(Sink).SetCompression(float(Level) / 10.0f);
}

// Opus: VBR at the bit rate entry i names.
constexpr const char* OpusLevels[] = {"32 kbps",  "48 kbps",  "64 kbps",  "96 kbps",
                                      "128 kbps", "160 kbps", "192 kbps", "256 kbps"};
constexpr int32_t OpusKbps[] = {32, 48, 64, 96, 128, 160, 192, 256};
constexpr TOutputFormat OpusOutputs[] = {
    {6, ".opus", "Opus Encoder (*.opus)", OpusLevels, 4, OpusLevels, OpusKbps}};
constexpr TInputExtension OpusInputs[] = {{".opus"}};

std::unique_ptr<TACSFileOut> MakeOpusSink() {
    return std::make_unique<TOpusOut>();
}

void SetOpusLevel(TACSFileOut& Sink, int32_t Level) {
    static_cast<TOpusOut&>(Sink).SetBitrate(OpusKbps[Level]);
}

#ifdef DERAZ_HAVE_FFMPEG
// MPEG-4 audio: AAC at a bit rate, or Apple Lossless, through one sink that the chosen entry
// switches; an .m4a is read by whichever codec it holds.
constexpr const char* AACLevels[] = {"96 kbps", "128 kbps", "160 kbps", "192 kbps", "256 kbps", "320 kbps"};
constexpr int32_t AACKbps[] = {96, 128, 160, 192, 256, 320};
constexpr const char* ALACLevels[] = {"Standard"};
constexpr int32_t AACDestExt = 7;
constexpr int32_t ALACDestExt = 8;
constexpr TOutputFormat M4aOutputs[] = {
    {AACDestExt, ".m4a", "AAC Encoder (*.m4a)", AACLevels, 3, AACLevels, AACKbps},
    {ALACDestExt, ".m4a", "Apple Lossless Encoder (*.m4a)", ALACLevels, 0, ALACLevels, {}, "alac"}};
constexpr TInputExtension M4aInputs[] = {{".m4a"}};

std::unique_ptr<TACSFileOut> MakeM4aSink() {
    auto Sink = std::make_unique<TM4aOut>();
    Sink->SetBitRate(AACKbps[M4aOutputs[0].DefaultLevel]);
    return Sink;
}

void SetM4aLevel(TACSFileOut& Sink, int32_t Level) {
    if (InRange(Level, std::size(AACKbps))) static_cast<TM4aOut&>(Sink).SetBitRate(AACKbps[Level]);
}

void SetM4aEntry(TACSFileOut& Sink, int32_t DestExt) {
    static_cast<TM4aOut&>(Sink).SetCodec(DestExt == ALACDestExt ? mcALAC : mcAAC);
}

// Whatever else FFmpeg's libraries decode, read only: the sound track of a video included.
constexpr TInputExtension ProbedInputs[] = {{".wma"}, {".mpc"},  {".tta"}, {".ac3"}, {".dts"}, {".mp2"},
                                            {".amr"}, {".caf"},  {".w64"}, {".mka"}, {".mp4"}, {".m4v"},
                                            {".mkv"}, {".webm"}, {".avi"}, {".mov"}};
#endif

// WavPack: entry i is the library's mode i (fast, default, high, very high).
constexpr const char* WavPackLevels[] = {"Fast", "Normal", "High", "Very high"};
constexpr TOutputFormat WavPackOutputs[] = {
    {9, ".wv", "WavPack Encoder (*.wv)", WavPackLevels, 1, WavPackLevels, {}}};
constexpr TInputExtension WavPackInputs[] = {{".wv"}};

std::unique_ptr<TACSFileOut> MakeWavPackSink() {
    auto Sink = std::make_unique<TWavPackOut>();
    Sink->SetMode(1);
    return Sink;
}

void SetWavPackLevel(TACSFileOut& Sink, int32_t Level) {
    static_cast<TWavPackOut&>(Sink).SetMode(Level);
}

// AIFF and AIFF-C in, AIFF out.
constexpr const char* AiffLevels[] = {"Standard"};
constexpr TOutputFormat AiffOutputs[] = {
    {10, ".aiff", "AIFF Writer (*.aiff)", AiffLevels, 0, AiffLevels, {}}};
constexpr TInputExtension AiffInputs[] = {{".aiff"}, {".aif"}, {".aifc"}};

std::unique_ptr<TACSFileOut> MakeAiffSink() {
    return std::make_unique<TAiffOut>();
}

constexpr TFormat Table[] = {
    {MP3Inputs, MP3Outputs, "MP3 Files", 1, mkMPEG, tfID3v2, scMP3Out, MakeSource<TMP3In>, MakeMP3Sink,
     SetMP3Level, true},
    {FLACInputs, FLACOutputs, "FLAC Files", 2, mkFLAC, tfFLACComments, scFLACOut, MakeSource<TFLACIn>,
     MakeFLACSink, SetFLACLevel, false},
    {MACInputs, MACOutputs, "APE Files", 4, mkMonkey, tfAPEv2, scMACOut, MakeSource<TMACIn>, MakeMACSink,
     SetMACLevel, false},
    {WavInputs, WavOutputs, "Wav Files", 3, mkWAV, tfRIFFInfo, scWaveOut, MakeSource<TWaveIn>, MakeWavSink,
     nullptr, false},
    {VorbisInputs, VorbisOutputs, "OGG Files", 5, mkOggVorbis, tfOggComments, scVorbisOut,
     MakeSource<TVorbisIn>, MakeVorbisSink, SetVorbisLevel, false},
    {OpusInputs, OpusOutputs, "Opus Files", 6, mkOpus, tfOpusComments, scOpusOut, MakeSource<TOpusIn>,
     MakeOpusSink, SetOpusLevel, false},
#ifdef DERAZ_HAVE_FFMPEG
    {M4aInputs, M4aOutputs, "M4A Files", 7, mkProbed, tfMP4Atoms, scM4aOut, MakeSource<TFFmpegIn>,
     MakeM4aSink, SetM4aLevel, false, SetM4aEntry, true},
#endif
    {WavPackInputs, WavPackOutputs, "WavPack Files", 8, mkWavPack, tfWavPackAPEv2, scWavPackOut,
     MakeSource<TWavPackIn>, MakeWavPackSink, SetWavPackLevel, false},
    {AiffInputs, AiffOutputs, "AIFF Files", 9, mkAIFF, tfAIFFID3, scAiffOut, MakeSource<TAiffIn>,
     MakeAiffSink, nullptr, false},
#ifdef DERAZ_HAVE_FFMPEG
    {ProbedInputs,
     {},
     "Other Audio Files",
     10,
     mkProbed,
     tfProbed,
     scNone,
     MakeSource<TFFmpegIn>,
     nullptr,
     nullptr,
     false,
     nullptr,
     true},
#endif
};

bool SameText(const std::string& A, const char* B) {
    return std::equal(A.begin(), A.end(), B, B + std::char_traits<char>::length(B), [](char X, char Y) {
        return std::tolower(static_cast<unsigned char>(X)) == std::tolower(static_cast<unsigned char>(Y));
    });
}

const TInputExtension* FindInputExtension(const std::string& Extension, const TFormat** Format = nullptr) {
    for (const TFormat& Row : Table)
        for (const TInputExtension& Input : Row.Inputs)
            if (SameText(Extension, Input.Extension)) {
                if (Format) *Format = &Row;
                return &Input;
            }
    return nullptr;
}

// The patterns of a format's extensions: "*.flac *.fla".
std::string Patterns(const TFormat& Format) {
    std::string Text;
    for (const TInputExtension& Input : Format.Inputs)
        Text += (Text.empty() ? "*" : " *") + std::string(Input.Extension);
    return Text;
}

} // namespace

std::span<const TFormat> Formats() {
    return Table;
}

const TFormat* FindInputFormat(const std::string& Extension) {
    const TFormat* Format = nullptr;
    FindInputExtension(Extension, &Format);
    return Format;
}

std::span<const TOutputFormat> OutputFormats() {
    static const std::vector<TOutputFormat> Entries = [] {
        std::vector<TOutputFormat> All;
        for (const TFormat& Row : Table) All.insert(All.end(), Row.Outputs.begin(), Row.Outputs.end());
        std::sort(All.begin(), All.end(), [](const auto& A, const auto& B) { return A.DestExt < B.DestExt; });
        return All;
    }();
    return Entries;
}

const TOutputFormat* OutputEntry(int32_t DestExt) {
    for (const TOutputFormat& Entry : OutputFormats())
        if (Entry.DestExt == DestExt) return &Entry;
    return nullptr;
}

std::string OutputExtension(int32_t DestExt) {
    const TOutputFormat* Entry = OutputEntry(DestExt);
    return Entry ? Entry->Extension : "";
}

int32_t FindOutputFormat(const std::string& Extension) {
    for (const TOutputFormat& Entry : OutputFormats())
        if (Entry.Name && SameText(Extension, Entry.Name)) return Entry.DestExt;
    std::string Wanted = Extension.starts_with('.') ? Extension : "." + Extension;
    for (const TOutputFormat& Entry : OutputFormats())
        if (SameText(Wanted, Entry.Extension)) return Entry.DestExt;
    return -1;
}

const TFormat* FormatOfOutput(int32_t DestExt) {
    for (const TFormat& Row : Table)
        for (const TOutputFormat& Entry : Row.Outputs)
            if (Entry.DestExt == DestExt) return &Row;
    return nullptr;
}

std::optional<int32_t> SinkLevel(const TFormat& Format, int32_t DestExt, int32_t Bitrate) {
    if (!Format.SetLevel) return std::nullopt;
    auto Chosen = std::find_if(Format.Outputs.begin(), Format.Outputs.end(),
                               [&](const TOutputFormat& Entry) { return Entry.DestExt == DestExt; });
    if (Chosen == Format.Outputs.end() && Format.LevelFromAnyFormat) Chosen = Format.Outputs.begin();
    if (Chosen == Format.Outputs.end() || !InRange(Bitrate, Chosen->Levels.size())) return std::nullopt;
    return Bitrate;
}

const char* InvalidBitrateText(const std::string& Extension) {
    const TInputExtension* Input = FindInputExtension(Extension);
    return Input ? Input->InvalidBitrate : TInputExtension{}.InvalidBitrate;
}

std::vector<std::string> OpenDialogFilters() {
    std::string All;
    // By position; a build without a format leaves its position out.
    std::vector<std::pair<int32_t, std::string>> Placed;
    for (const TFormat& Row : Table) {
        All += (All.empty() ? "" : " ") + Patterns(Row);
        Placed.emplace_back(Row.FilterPosition, Row.FilterName + (" (" + Patterns(Row) + ")"));
    }
    std::sort(Placed.begin(), Placed.end());
    std::vector<std::string> Filters{"All Supported Files (" + All + ")"};
    for (auto& [Position, Filter] : Placed) Filters.push_back(std::move(Filter));
    return Filters;
}

} // namespace deraz
