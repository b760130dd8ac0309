// ReplayGain values in the tag form each output format's players read: Vorbis comments for Ogg
// Vorbis and FLAC, APEv2 items for Monkey's Audio, ID3v2 TXXX frames for MP3. WAV has no standard
// place for them.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "codecs/FormatTable.h"

namespace deraz {

struct TGainValues {
    double Gain = 0; // dB
    double Peak = 0; // full scale 1.0
};

// Field names (REPLAYGAIN_TRACK_GAIN, ...) with their texts; an empty text removes the field.
using TGainFields = std::map<std::string, std::string>;

// The track's values, or none; the album's fields are removed, so that no value of the input
// stays beside them.
TGainFields TrackGainFields(const std::optional<TGainValues>& Track);
TGainFields AlbumGainFields(const TGainValues& Album);

// Whether files of type Ext (".flac", ...) have a place for ReplayGain values.
bool HasGainTagForm(const std::string& Ext);
// The format of output files of type Ext when it has such a place, else null.
const TFormat* GainTagFormat(const std::string& Ext);

// "-6.52 dB" and "0.988312", as the tags hold them.
std::string GainText(double Gain);
std::string PeakText(double Peak);

// Sets Fields in FileName, a file of type Ext. The file is rewritten through a copy, so a rewrite
// that fails leaves it as it was; raises std::runtime_error saying why.
void WriteGainFields(const std::string& FileName, const std::string& Ext, const TGainFields& Fields);

} // namespace deraz
