// The output formats the user chooses from, their level lists, and how a stored choice becomes
// an encoder setting.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace deraz {

struct TOutputFormat {
    const char* Extension;                    // given to output names, with its dot
    const char* Entry;                        // the format list's text
    std::span<const char* const> Levels;      // listed when the format is chosen
    int32_t DefaultLevel;                     // entry selected when the format is chosen
    std::span<const char* const> ShownLevels; // listed when the dialog opens on the stored format
};

// Indexed by the stored "DestExt": 0 ".ogg", 1 ".mp3", 2 ".fla", 3 ".flac", 4 ".ape", 5 ".wav".
std::span<const TOutputFormat> OutputFormats();
// The extension of format DestExt; empty for a value outside the list.
std::string OutputExtension(int32_t DestExt);
// The index of the format whose extension is Extension (with or without its dot, any case); -1
// when there is none.
int32_t FindOutputFormat(const std::string& Extension);

// Which ReplayGain values a batch writes or applies.
enum TGainMode : uint8_t { gmOff = 0, gmTrack = 1, gmAlbum = 2 };

// A stored output choice: format index, the index into its level list, and the two options that
// apply to every output.
struct TOutputChoice {
    int32_t DestExt = 0;
    int32_t Bitrate = 5;
    bool CopyTags = false;   // carry the input's tags and cover picture to the output
    bool CapBitrate = false; // a lossy input's lower bit rate caps the chosen one
    // ReplayGain tags written into the outputs, and the gain applied to lossy outputs' audio.
    TGainMode ReplayGain = gmOff;
    TGainMode ApplyGain = gmOff;
};

// Ogg Vorbis quality: entry i encodes at i / 10, so each entry gets the nominal rate its name
// states. Nothing when the choice is not an Ogg Vorbis entry.
std::optional<float> VorbisCompression(const TOutputChoice& Choice);
// Monkey's Audio level: 1000 to 6000 for entries 0 to 5 (the sink writes 6000 as 5000).
std::optional<int32_t> MACCompressionLevel(const TOutputChoice& Choice);
// MP3 bit rate: the entry is the rank in 8, 16, ..., 320 kbit/s, whatever the format.
std::optional<int32_t> MP3BitRateIndex(const TOutputChoice& Choice);

} // namespace deraz
