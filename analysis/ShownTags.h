// The standard tag fields the media info window shows, from whichever tag a file carries.
#pragma once

#include <string>

#include "analysis/APETag.h"
#include "analysis/ID3v1.h"
#include "analysis/ID3v2.h"

namespace deraz {

struct TShownTags {
    std::string Artist, Title, Album, Track, Date, Genre, Comments;

    bool Empty() const;
};

TShownTags Id3v1Tags(const TID3v1& Tag);
// The track as its text ("3/12").
TShownTags Id3v2Tags(const TID3v2& Tag);
// Items matched by name in any case: Title, Artist, Album, Track, Year, Genre, Comment.
TShownTags ApeTags(const TAPETag& Tag);
// The LIST/INFO chunk of a RIFF WAVE file (INAM, IART, IPRD, IPRT or ITRK, ICRD, IGNR, ICMT);
// empty when there is none or the file cannot be read.
TShownTags RiffInfoTags(const std::string& FileName);

} // namespace deraz
