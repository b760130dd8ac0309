#include "analysis/ShownTags.h"

#include <cctype>
#include <fstream>
#include <utility>
#include <vector>

#include "analysis/TextUtils.h"

namespace deraz {

namespace {

// A LIST/INFO chunk larger than this is not a tag list; it is left unread.
constexpr uint32_t MaxInfoSize = 1 << 20;

bool SameName(const std::string& A, const char* B) {
    std::string Lower;
    for (char C : A) Lower += char(std::tolower(static_cast<unsigned char>(C)));
    return Lower == B;
}

// The fields of an INFO list: four-byte id, little-endian size, text padded to an even size.
TShownTags ParseInfo(const std::vector<uint8_t>& Body) {
    static const std::pair<const char*, std::string TShownTags::*> Ids[] = {
        {"INAM", &TShownTags::Title}, {"IART", &TShownTags::Artist},  {"IPRD", &TShownTags::Album},
        {"IPRT", &TShownTags::Track}, {"ITRK", &TShownTags::Track},   {"ICRD", &TShownTags::Date},
        {"IGNR", &TShownTags::Genre}, {"ICMT", &TShownTags::Comments}};
    TShownTags Tags;
    size_t At = 0;
    while (At + 8 <= Body.size()) {
        std::string Id(Body.begin() + long(At), Body.begin() + long(At) + 4);
        size_t Size = LittleEndian32(&Body[At + 4]);
        At += 8;
        if (Size > Body.size() - At) break;
        std::string Text(Body.begin() + long(At), Body.begin() + long(At + Size));
        Text.resize(Text.find('\0') == std::string::npos ? Text.size() : Text.find('\0'));
        for (auto [InfoId, Field] : Ids)
            if (Id == InfoId && (Tags.*Field).empty()) Tags.*Field = Text;
        At += Size + (Size & 1);
    }
    return Tags;
}

} // namespace

bool TShownTags::Empty() const {
    return Artist.empty() && Title.empty() && Album.empty() && Track.empty() && Date.empty() &&
           Genre.empty() && Comments.empty();
}

TShownTags Id3v1Tags(const TID3v1& Tag) {
    return {Tag.Artist(), Tag.Title(),     Tag.Album(),  std::to_string(Tag.Track()),
            Tag.Year(),   Tag.GenreText(), Tag.Comment()};
}

TShownTags Id3v2Tags(const TID3v2& Tag) {
    return {Tag.Artist(), Tag.Title(), Tag.Album(), Tag.TrackText(), Tag.Year(), Tag.Genre(), Tag.Comment()};
}

TShownTags ApeTags(const TAPETag& Tag) {
    static const std::pair<const char*, std::string TShownTags::*> Names[] = {
        {"title", &TShownTags::Title},     {"artist", &TShownTags::Artist}, {"album", &TShownTags::Album},
        {"track", &TShownTags::Track},     {"year", &TShownTags::Date},     {"genre", &TShownTags::Genre},
        {"comment", &TShownTags::Comments}};
    TShownTags Tags;
    for (const auto& Item : Tag.Fields())
        for (auto [Name, Field] : Names)
            if (SameName(Item.Name, Name)) Tags.*Field = Item.Value;
    return Tags;
}

TShownTags RiffInfoTags(const std::string& FileName) {
    std::ifstream File(FileName, std::ios::binary);
    uint8_t Header[12];
    if (!File.read(reinterpret_cast<char*>(Header), 12) || std::string(Header, Header + 4) != "RIFF" ||
        std::string(Header + 8, Header + 12) != "WAVE")
        return {};
    // Chunk by chunk; every step moves on by at least a chunk header, so the walk ends at the
    // end of the file whatever the sizes claim.
    uint64_t At = 12;
    uint8_t Chunk[12];
    while (File.seekg(std::streamoff(At)) && File.read(reinterpret_cast<char*>(Chunk), 8)) {
        uint32_t Size = LittleEndian32(Chunk + 4);
        if (std::string(Chunk, Chunk + 4) == "LIST" && Size >= 4 && Size <= MaxInfoSize &&
            File.read(reinterpret_cast<char*>(Chunk + 8), 4) &&
            std::string(Chunk + 8, Chunk + 12) == "INFO") {
            std::vector<uint8_t> Body(Size - 4);
            if (!File.read(reinterpret_cast<char*>(Body.data()), std::streamsize(Body.size()))) return {};
            return ParseInfo(Body);
        }
        At += 8 + uint64_t(Size) + (Size & 1);
    }
    return {};
}

} // namespace deraz
