// Carries the tags and the front-cover picture of an input file to a converted output, each in
// the output format's own form: ID3v2.4 for MP3, Vorbis comments and picture blocks for Ogg
// Vorbis and FLAC, APEv2 for Monkey's Audio, LIST/INFO for WAV.
#pragma once

#include <string>

#include "analysis/TagReader.h"

namespace deraz {

// Raises std::runtime_error with a message saying so when this build cannot copy tags (it was
// built without TagLib); returns otherwise.
void RequireTagCopy();
// Whether this build can copy tags; tags are copied by default only where it can.
bool TagCopyAvailable();

// Whether the tags written join those the file holds (fields of the same name replaced), or
// replace all of its fields and pictures.
enum class TTagWrite { Merge, Replace };

// Writes Tags into FileName, a file of the output format whose extension is OutputExt, whatever
// its own name; raises std::runtime_error when the file cannot be opened or saved.
void WriteTags(const std::string& FileName, const std::string& OutputExt, const TTagSet& Tags,
               TTagWrite Mode = TTagWrite::Merge);

// Reads InputName's tags and writes them into OutputName (of type OutputExt); an input without
// tags leaves the output untouched.
void CopyTags(const std::string& InputName, const std::string& OutputName, const std::string& OutputExt);

} // namespace deraz
