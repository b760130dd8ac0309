// Carries the tags and the front-cover picture of an input file to a converted output, each in
// the output format's own form: ID3v2.4 for MP3, Vorbis comments and picture blocks for Ogg
// Vorbis and FLAC, APEv2 for Monkey's Audio, LIST/INFO for WAV.
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
// TRACKNUMBER, TRACKTOTAL, DISCNUMBER, DISCTOTAL, DATE, GENRE, COMMENT, COMPOSER. Numbers and
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

// Writes Tags into FileName, a file of the type OutputExt names (".mp3", ...) whatever its own
// name; raises std::runtime_error when the file cannot be opened or saved.
void WriteTags(const std::string& FileName, const std::string& OutputExt, const TTagSet& Tags);

// Reads InputName's tags and writes them into OutputName (of type OutputExt); an input without
// tags leaves the output untouched.
void CopyTags(const std::string& InputName, const std::string& OutputName, const std::string& OutputExt);

} // namespace deraz
