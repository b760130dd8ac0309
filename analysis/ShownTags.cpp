#include "analysis/ShownTags.h"

namespace deraz {

namespace {

std::string Joined(const TTagSet& Tags, const char* Name) {
    auto Found = Tags.Fields.find(Name);
    if (Found == Tags.Fields.end()) return "";
    std::string Text;
    for (const auto& Value : Found->second) Text += (Text.empty() ? "" : "; ") + Value;
    return Text;
}

} // namespace

TShownTags Id3v1Tags(const TID3v1& Tag) {
    return {Tag.Artist(), Tag.Title(),     Tag.Album(),  std::to_string(Tag.Track()),
            Tag.Year(),   Tag.GenreText(), Tag.Comment()};
}

TShownTags ShownTags(const TTagSet& Tags) {
    std::string Track = Joined(Tags, "TRACKNUMBER");
    std::string Total = Joined(Tags, "TRACKTOTAL");
    return {Joined(Tags, "ARTIST"), Joined(Tags, "TITLE"),
            Joined(Tags, "ALBUM"),  Total.empty() ? Track : Track + "/" + Total,
            Joined(Tags, "DATE"),   Joined(Tags, "GENRE"),
            Joined(Tags, "COMMENT")};
}

} // namespace deraz
