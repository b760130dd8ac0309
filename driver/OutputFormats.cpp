#include "driver/OutputFormats.h"

#include <algorithm>

#include "driver/FileNames.h"

namespace deraz {

namespace {

constexpr const char* VorbisLevels[] = {
    "Quality 0 - 64 kbps",  "Quality 1 - 80 kbps",  "Quality 2 - 96 kbps",  "Quality 3 - 112 kbps",
    "Quality 4 - 128 kbps", "Quality 5 - 160 kbps", "Quality 6 - 192 kbps", "Quality 7 - 224 kbps",
    "Quality 8 - 256 kbps", "Quality 9 - 320 kbps", "Quality 10 - 500 kbps"};
constexpr const char* MP3Levels[] = {"8 kbps",   "16 kbps",  "24 kbp",   "32 kbp",   "40 kbps",  "48 kbps",
                                     "56 kbps",  "64 kbps",  "80 kbps",  "96 kbps",  "112 kbps", "128 kbps",
                                     "144 kbps", "160 kbps", "192 kbps", "224 kbps", "256 kbps", "320 kbps"};
constexpr const char* FlaLevels[] = {"Standard"};
constexpr const char* FlacLevels[] = {"Standad"};
constexpr const char* MACLevels[] = {"Fast - Poor compression", "Normal - Good compression",
                                     "High - Good compression", "Extra high - Best compression",
                                     "Insane compression",      "Braindead compression"};
constexpr const char* WavLevels[] = {"Standard"};
// The output format dialog opens Monkey's Audio with its short list, which has no "braindead".
constexpr const char* MACShownLevels[] = {"Fast", "Normal", "High", "Extra high", "Insane"};

constexpr TOutputFormat Formats[] = {
    {".ogg", "OGG Vorbis Encoder (*.ogg)", VorbisLevels, 5, VorbisLevels},
    {".mp3", "Lame MP3 Encoder (*.mp3)", MP3Levels, 11, MP3Levels},
    {".fla", "Free Lossless Audio Codec Encoder (*.fla)", FlaLevels, 0, FlaLevels},
    {".flac", "Free Lossless Audio Codec Encoder (*.flac)", FlacLevels, 0, FlacLevels},
    {".ape", "Monkeys Audio Compression Encoder (*.ape)", MACLevels, 1, MACShownLevels},
    {".wav", "Wave Writer (*.wav)", WavLevels, 0, WavLevels},
};

constexpr int32_t VorbisFormat = 0;
constexpr int32_t MACFormat = 4;

bool InRange(int32_t Value, int32_t Count) {
    return Value >= 0 && Value < Count;
}

} // namespace

std::span<const TOutputFormat> OutputFormats() {
    return Formats;
}

std::string OutputExtension(int32_t DestExt) {
    return InRange(DestExt, int32_t(std::size(Formats))) ? Formats[DestExt].Extension : "";
}

int32_t FindOutputFormat(const std::string& Extension) {
    std::string Wanted = LowerCase(Extension.starts_with('.') ? Extension : "." + Extension);
    for (size_t I = 0; I < std::size(Formats); ++I)
        if (Wanted == Formats[I].Extension) return int32_t(I);
    return -1;
}

std::optional<float> VorbisCompression(const TOutputChoice& Choice) {
    if (Choice.DestExt != VorbisFormat || !InRange(Choice.Bitrate, int32_t(std::size(VorbisLevels))))
        return std::nullopt;
    return float(Choice.Bitrate) / 10.0f;
}

std::optional<int32_t> MACCompressionLevel(const TOutputChoice& Choice) {
    if (Choice.DestExt != MACFormat || !InRange(Choice.Bitrate, int32_t(std::size(MACLevels))))
        return std::nullopt;
    return (Choice.Bitrate + 1) * 1000;
}

std::optional<int32_t> MP3BitRateIndex(const TOutputChoice& Choice) {
    if (!InRange(Choice.Bitrate, int32_t(std::size(MP3Levels)))) return std::nullopt;
    return Choice.Bitrate;
}

} // namespace deraz
