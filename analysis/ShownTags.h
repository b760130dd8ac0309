// The standard tag fields the media info window shows, from whichever tag a file carries.
#pragma once

#include <string>

#include "analysis/ID3v1.h"
#include "analysis/TagReader.h"

namespace deraz {

struct TShownTags {
    std::string Artist, Title, Album, Track, Date, Genre, Comments;
};

TShownTags Id3v1Tags(const TID3v1& Tag);
// The fields of a tag set, several values joined by "; ", the track with its total ("3/12").
TShownTags ShownTags(const TTagSet& Tags);

} // namespace deraz
