// Reads the tags and the front-cover picture of an audio file of any input format, with TagLib.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace deraz {

struct TCoverPicture {
    std::string MimeType;
    std::string Description;
    std::string Data; // the image file's bytes
};

// The fields that travel, under their Vorbis comment names: TITLE, ARTIST, ALBUM, ALBUMARTIST,
// TRACKNUMBER, TRACKTOTAL, DISCNUMBER, DISCTOTAL, DATE, GENRE, COMMENT, COMPOSER, COMPILATION and the
// REPLAYGAIN_TRACK_GAIN, _TRACK_PEAK, _ALBUM_GAIN and _ALBUM_PEAK values. Numbers and
// totals are kept apart ("3" and "12", never "3/12"); a field may hold several values.
struct TTagSet {
    std::map<std::string, std::vector<std::string>> Fields;
    std::optional<TCoverPicture> Cover;

    bool Empty() const { return Fields.empty() && !Cover; }
};

// The tags of InputName, by its extension (.mp3, .ogg, .fla, .flac, .ape, .wav): for MP3 the
// ID3v2 tag, else APEv2, else ID3v1; for Monkey's Audio APEv2, else ID3v1; for WAV the ID3v2
// chunk and LIST/INFO. A file without tags, unreadable or of another type gives an empty set.
TTagSet ReadTags(const std::string& InputName);

} // namespace deraz
